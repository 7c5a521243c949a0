// SPDX-License-Identifier: Apache-2.0
// Runs the real vorlings binary for the end-to-end tests, capturing its exit status, stdout
// and stderr, with a clean environment for the variables it reads.
#pragma once

#include <chrono>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using EnvList = std::vector<std::pair<std::string, std::string>>;

struct CliResult {
    int Status = -1; ///< exit status; 128 + signal when killed by one
    std::string Out;
    std::string Err;

    /// Lines of stderr that are not progress lines.
    std::vector<std::string> MessageLines() const;
};

/// A running vorlings. NUM_PROC_THARN and VORLINGS_PLUGIN_PATH are unset unless `env` sets
/// them.
class CliProcess {
public:
    CliProcess(const std::vector<std::string>& args, const EnvList& env = {},
               const std::string& binary = VORLINGS_BIN);
    ~CliProcess();
    CliProcess(const CliProcess&) = delete;
    CliProcess& operator=(const CliProcess&) = delete;

    /// Waits until stderr holds `text` or the process ends; true when it appeared.
    bool WaitForStderr(std::string_view text, std::chrono::seconds limit);
    /// Waits until `signal` would no longer kill the started vorlings: it holds the signal
    /// back or catches it. True when it does.
    bool WaitForSignalHeld(int signal, std::chrono::seconds limit);
    void Signal(int signal);
    /// Waits for the exit; the status with all the output.
    CliResult Finish();
    /// The same, but a process still running after `limit` is killed (status 128 + 9).
    CliResult Finish(std::chrono::seconds limit);

private:
    int pid_ = -1;
    int outFd_ = -1, errFd_ = -1; ///< in-memory files holding stdout and stderr
};

/// Runs vorlings (or a copy of it at `binary`) to the end.
CliResult RunCli(const std::vector<std::string>& args, const EnvList& env = {},
                 const std::string& binary = VORLINGS_BIN);
