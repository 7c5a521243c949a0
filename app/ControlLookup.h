// SPDX-License-Identifier: Apache-2.0
// Finding the control a user names on the command line. A name is a control's label (exact,
// else a unique case-insensitive match), or "Page/label" or "Group/label" where a label
// repeats (split at the last "/", since page names may hold one), or its link id as four
// characters or as 0xHHHHHHHH. The matching works on plain keys so that it can be checked
// on any list of controls.
#pragma once

#include "host/Operator.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

/// What a control can be named by.
struct ControlKey {
    std::string Label;
    std::string Page;  ///< "" when the control is on no page
    std::string Group; ///< "" when the control is in no group
    uint32_t LinkId = 0;
};

/// The control found (index into the keys), or why none was: nothing matches (Candidates
/// empty) or several do (Candidates lists them).
struct ControlMatch {
    std::optional<size_t> Index;
    std::vector<size_t> Candidates;
};

ControlMatch MatchControl(std::span<const ControlKey> controls, std::string_view name);

/// A name that picks out control `index` alone: its label when that is unique, else
/// "Page/label" or "Group/label", else its link id.
std::string UniqueControlName(std::span<const ControlKey> controls, size_t index);

/// The keys of a tool's controls (its inputs other than images), with the inputs they belong to.
struct ToolControls {
    std::vector<ControlKey> Keys;
    std::vector<Input*> Inputs;
};
ToolControls ControlsOf(const Operator& tool);

/// The tool's control named `name`; throws a CommandError (exit 2) naming the tool and the
/// control when none or several match.
Input& FindControl(const Operator& tool, std::string_view name, const std::string& toolName);
