// SPDX-License-Identifier: Apache-2.0
// The failures a command reports: each carries its exit status and one line of text naming
// the file, tool or control at fault.
#pragma once

#include <stdexcept>
#include <string>

/// Exit statuses of the command line.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; ///< a render or file error
inline constexpr int kExitUsage = 2;   ///< bad arguments
inline constexpr int kExitAborted = 130;

class CommandError : public std::runtime_error {
public:
    CommandError(int status, const std::string& message)
        : std::runtime_error(message), status_(status) {}
    int Status() const { return status_; }

private:
    int status_;
};

/// A file that is missing, unreadable or broken, or a render that failed: exit 1.
inline CommandError FileError(const std::string& message) {
    return CommandError(kExitFailure, message);
}

/// An argument that names nothing known or cannot be parsed: exit 2.
inline CommandError UsageError(const std::string& message) {
    return CommandError(kExitUsage, message);
}

/// The user interrupted the run (SIGINT or SIGTERM): exit 130. `detail` says what was left.
inline CommandError AbortedError(const std::string& detail = "the frame in progress was not "
                                                             "written") {
    return CommandError(kExitAborted, "interrupted; " + detail);
}
