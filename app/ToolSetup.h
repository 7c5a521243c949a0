// SPDX-License-Identifier: Apache-2.0
// The tool a render or save command works on: named, or loaded from --settings, with the
// -s values applied on top. Precedence: declared defaults, then the saved settings, then -s.
#pragma once

#include "ToolLookup.h"

#include <string>
#include <vector>

struct PreparedTool {
    Registry* Entry = nullptr;
    ToolPtr Tool;
    std::string Name; ///< display name, for messages
};

/// `toolName` may be empty when `settingsFile` is given; when both are, the file must hold
/// that tool. Throws a CommandError naming the tool, control or file at fault.
PreparedTool PrepareTool(const std::string& toolName, const std::string& settingsFile,
                         const std::vector<std::string>& settings);
