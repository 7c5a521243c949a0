// SPDX-License-Identifier: Apache-2.0
// A tool's saved form on disk (a ".vtool" file): the class ID, the base data carrying every
// control value by link id, a zero word and "EndC", exactly what the tool's Save writes.
#pragma once

#include "ToolLookup.h"

#include <cstdint>
#include <string>
#include <vector>

/// The tool's saved form as bytes; `where` is what messages name (the file to be written).
std::vector<uint8_t> SavedForm(Operator& tool, const std::string& toolName,
                               const std::string& where);

/// Writes the tool's saved form to `path` (complete or not at all); throws a CommandError
/// naming the file.
void SaveToolFile(Operator& tool, const std::string& toolName, const std::string& path);

/// A tool loaded from a saved file through its entry's factory.
struct LoadedTool {
    Registry* Entry = nullptr;
    ToolPtr Tool;
};

/// Loads the tool saved in `path`. When `expected` is given the file must hold that class.
/// Throws a CommandError (exit 1) naming the file when it is missing, truncated, corrupt or
/// of another class.
LoadedTool LoadToolFile(const std::string& path, const Registry* expected);

/// The same from the bytes of a saved form; `where` is what messages name (a file, or any
/// words saying where the bytes came from).
LoadedTool LoadSavedForm(const std::vector<uint8_t>& bytes, const std::string& where,
                         const Registry* expected);
