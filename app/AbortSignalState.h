// SPDX-License-Identifier: Apache-2.0
// What SIGINT and SIGTERM change. The launcher (Launcher.cpp) owns it and installs the handler
// in the first moments of the run; the command line it then loads reads and waits on it
// (AbortSignal.h).
#pragma once

#include <atomic>
#include <semaphore.h>

struct AbortSignalState {
    /// Signals received so far.
    std::atomic<int> Signals{0};
    /// The AbortFlag of the tool being rendered, raised by the handler; null between renders.
    std::atomic<std::atomic<int>*> ToolFlag{nullptr};
    /// Set once a watcher waits on Wake; until then a second signal ends the run at once.
    std::atomic<bool> Watching{false};
    /// Posted by the handler at each signal once a watcher waits (sem_post is safe there).
    sem_t Wake;
};

// The handler touches only lock-free atomics and the semaphore.
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<std::atomic<int>*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);

/// The command line's entry point in libvorlings_cli.so, which the launcher calls with the
/// state its handler keeps.
using VorlingsMainFunction = int (*)(int argc, char** argv, AbortSignalState* signals);
inline constexpr const char* kVorlingsMainName = "VorlingsMain";
inline constexpr const char* kCommandLineLibrary = "libvorlings_cli.so";
