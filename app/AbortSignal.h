// SPDX-License-Identifier: Apache-2.0
// Ctrl-C and SIGTERM. The first raises the process-wide abort request and the AbortFlag of
// the tool being rendered, so that its workers stop early and no output is written. A tool
// checks the flag only where its definition says (between chunks, say), so the host does not
// wait for it: outputs are written atomically, and after a short grace a watcher removes the
// temporary output files and ends the process with 130. A second signal ends it at once.
#pragma once

#include <chrono>
#include <string>

class Operator;

/// How long an interrupted render may go on finishing by itself, unless the environment
/// variable VORLINGS_ABORT_GRACE gives another number of seconds.
inline constexpr std::chrono::milliseconds kAbortGrace{1000};

/// Installs the SIGINT and SIGTERM handlers, then lets through those signals, which the
/// launcher (Launcher.cpp) holds back while the program loads: one that came meanwhile is
/// handled now.
void InstallAbortHandlers();

/// Starts the watcher that ends an interrupted run after the grace, or at a second signal.
/// Signals that came earlier count from now.
void StartAbortWatch();

/// True once SIGINT or SIGTERM arrived.
bool AbortRequested();

/// The command is ending by itself, so the watcher stands down. When the watcher is already
/// ending the process, this waits for the end and never returns.
void StandDownAbortWatch();

/// `path` is a temporary output file: an interrupted run that the watcher ends removes it.
/// ForgetOnAbort undoes that once the file is renamed into place or removed.
void RemoveOnAbort(const std::string& path);
void ForgetOnAbort(const std::string& path);

/// Makes `op` the tool whose AbortFlag the handler raises, for the scope's lifetime, and
/// starts its render with AbortFlag clear (or already set when an abort came earlier).
class ActiveRender {
public:
    explicit ActiveRender(Operator& op);
    ~ActiveRender();
    ActiveRender(const ActiveRender&) = delete;
    ActiveRender& operator=(const ActiveRender&) = delete;
};
