// SPDX-License-Identifier: Apache-2.0
// Progress of a command over its frames and, as chunks end, inside each frame: a bar with the
// elapsed time on a terminal, otherwise "Progress: N%" lines on stderr (one per change,
// flushed at once) that render-farm managers parse; nothing when quiet.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

class Progress {
public:
    enum class Style { Quiet, Bar, Lines };

    /// The style for stderr: Quiet when asked, Bar on a terminal, Lines otherwise.
    static Style StyleFor(bool quiet);

    Progress(Style style, int64_t totalSteps);
    ~Progress();
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    /// Shows 0% and starts the clock (a bar then redraws each second).
    void Start();
    /// `fraction` (0 to 1) of the current step is done; from any thread. It never moves the
    /// display back, and the step shows as complete only once Step says so.
    void Within(double fraction);
    /// One more step done; `label` names it on the bar (for example the frame written).
    void Step(const std::string& label = "");
    /// Ends the bar's line (lines need nothing).
    void Finish();

    /// Writes `line` and a line break on stderr (or on `fd` when it is given), on a line of its
    /// own when a bar is showing. Safe from any thread, as are all the drawing calls.
    static void PrintLine(const std::string& line, int fd = -1);

private:
    void Show(); // with the terminal lock held
    void Tick();
    void StopTicker();

    Style style_;
    int64_t total_;
    int64_t done_ = 0;
    double within_ = 0.0;
    int lastPercent_ = -1;
    std::string label_;
    std::chrono::steady_clock::time_point start_;

    bool ticking_ = false;
    std::condition_variable stopTicking_;
    std::thread ticker_;
};

/// The share of the work done, in whole percent: `done` whole steps of `total` and
/// `within` of the next, held below the step's end until the step is done.
int ProgressPercent(int64_t done, int64_t total, double within);

/// A bar line: "[#####...] 42%  1/3  0:07  LABEL".
std::string ProgressBarText(int percent, int64_t done, int64_t total, std::chrono::seconds elapsed,
                            const std::string& label);

/// Elapsed time as "0:07", "12:03" or "1:02:03".
std::string ElapsedText(std::chrono::seconds elapsed);
