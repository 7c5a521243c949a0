// SPDX-License-Identifier: Apache-2.0
// Runs another program (the farm's commands) to its end and keeps what it printed.
#pragma once

#include <string>
#include <vector>

struct ProgramResult {
    bool Started = false; ///< false when the program could not be run at all
    std::string Problem;  ///< why it could not be run ("No such file or directory")
    int Status = -1;      ///< exit status; 128 + the signal when a signal ended it
    std::string Out;
    std::string Err;
};

/// Runs `args` (args[0] found on PATH) in `folder` ("" for the current one), with stdin
/// closed, and waits for it.
ProgramResult RunProgram(const std::vector<std::string>& args, const std::string& folder = "");
