// SPDX-License-Identifier: Apache-2.0
// Progress of a command over its frames: a bar on a terminal, otherwise "Progress: N%" lines
// on stderr (one per change, flushed at once) that render-farm managers parse; nothing when
// quiet.
#pragma once

#include <cstdint>
#include <string>

class Progress {
public:
    enum class Style { Quiet, Bar, Lines };

    /// The style for stderr: Quiet when asked, Bar on a terminal, Lines otherwise.
    static Style StyleFor(bool quiet);

    Progress(Style style, int64_t totalSteps);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    /// Shows 0%.
    void Start();
    /// One more step done; `label` names it on the bar (for example the frame written).
    void Step(const std::string& label = "");
    /// Ends the bar's line (lines need nothing).
    void Finish();

    /// Ends a bar's line when one is showing, so that a message starts on its own line.
    static void BreakLine();

private:
    void Show(const std::string& label);

    Style style_;
    int64_t total_;
    int64_t done_ = 0;
    int lastPercent_ = -1;
};
