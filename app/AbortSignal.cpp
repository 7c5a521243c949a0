// SPDX-License-Identifier: Apache-2.0
#include "AbortSignal.h"

#include "AbortSignalState.h"
#include "Errors.h"
#include "Messages.h"
#include "Text.h"

#include "host/Operator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The launcher's state; null until StartAbortWatch (no signal is then caught).
std::atomic<AbortSignalState*> g_signals{nullptr};
// A copy of stderr taken at the start, since image libraries are silenced by pointing stderr
// elsewhere for a while, and the watcher's line must still be seen.
int g_stderr = -1;

// Who ends the process once a command is over: the command itself or the watcher, whichever
// comes first; the other keeps quiet.
enum ExitOwner : int { kNobody, kCommand, kWatcher };
std::atomic<int> g_exitOwner{kNobody};

// The temporary output files being written. Never destroyed, so that the watcher may use it
// while the process exits.
struct Temporaries {
    std::mutex Mutex;
    std::vector<std::string> Paths;
};

Temporaries& TheTemporaries() {
    static Temporaries* const temporaries = new Temporaries;
    return *temporaries;
}

// Ends the process for the watcher: the temporary files go, then one line, then exit 130.
// The lock is kept to the end, so that no new temporary file can begin meanwhile.
[[noreturn]] void EndInterrupted() {
    Temporaries& temporaries = TheTemporaries();
    temporaries.Mutex.lock();
    for (const std::string& path : temporaries.Paths) unlink(path.c_str());
    ReportError(AbortedError().what(), g_stderr);
    _exit(kExitAborted);
}

// The grace: kAbortGrace, or VORLINGS_ABORT_GRACE seconds (0 to a year).
std::chrono::nanoseconds GraceFromEnvironment() {
    const char* text = std::getenv("VORLINGS_ABORT_GRACE");
    if (!text) return kAbortGrace;
    double seconds = 0.0;
    if (ParseNumber(text, seconds) && seconds >= 0.0 && seconds <= 365.0 * 24 * 3600)
        return std::chrono::nanoseconds(int64_t(std::llround(seconds * 1e9)));
    Warn("VORLINGS_ABORT_GRACE=" + Quoted(text) + " is not a number of seconds; the grace is " +
         NumberText(std::chrono::duration<double>(kAbortGrace).count()) + " s");
    return kAbortGrace;
}

std::chrono::nanoseconds g_grace = kAbortGrace;

timespec GraceDeadline() {
    timespec deadline{};
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    const int64_t grace = g_grace.count();
    deadline.tv_sec += time_t(grace / 1'000'000'000);
    deadline.tv_nsec += long(grace % 1'000'000'000);
    if (deadline.tv_nsec >= 1'000'000'000) {
        ++deadline.tv_sec;
        deadline.tv_nsec -= 1'000'000'000;
    }
    return deadline;
}

void Watch(AbortSignalState& signals) {
    while (signals.Signals.load() == 0) sem_wait(&signals.Wake);
    // The render may end by itself within the grace; the command then reports the abort.
    const timespec deadline = GraceDeadline();
    while (signals.Signals.load() < 2) {
        if (sem_clockwait(&signals.Wake, CLOCK_MONOTONIC, &deadline) != 0 && errno == ETIMEDOUT)
            break;
    }
    int nobody = kNobody;
    if (g_exitOwner.compare_exchange_strong(nobody, kWatcher)) EndInterrupted();
}

} // namespace

void StartAbortWatch(AbortSignalState& signals) {
    g_grace = GraceFromEnvironment();
    g_stderr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    g_signals.store(&signals);
    // Marked before the thread runs, so that no signal's post can be missed; the watcher looks
    // at the count before it first waits. Without a watcher the handler goes on ending the
    // run at a second signal.
    signals.Watching.store(true);
    try {
        std::thread([&signals] { Watch(signals); }).detach();
    } catch (const std::system_error&) {
        signals.Watching.store(false);
    }
}

bool AbortRequested() {
    const AbortSignalState* signals = g_signals.load();
    return signals && signals->Signals.load() != 0;
}

void StandDownAbortWatch() {
    int nobody = kNobody;
    if (g_exitOwner.compare_exchange_strong(nobody, kCommand)) return;
    // The watcher is ending the process: say nothing more and let it.
    for (;;) pause();
}

void RemoveOnAbort(const std::string& path) {
    Temporaries& temporaries = TheTemporaries();
    std::lock_guard lock(temporaries.Mutex);
    temporaries.Paths.push_back(path);
}

void ForgetOnAbort(const std::string& path) {
    Temporaries& temporaries = TheTemporaries();
    std::lock_guard lock(temporaries.Mutex);
    auto& paths = temporaries.Paths;
    if (auto it = std::find(paths.begin(), paths.end(), path); it != paths.end()) paths.erase(it);
}

ActiveRender::ActiveRender(Operator& op) {
    AbortSignalState* signals = g_signals.load();
    if (signals) signals->ToolFlag.store(&op.AbortFlag);
    // A signal between these two stores is still seen: the flag is copied after the
    // pointer is published.
    op.AbortFlag.store(AbortRequested() ? 1 : 0);
}

ActiveRender::~ActiveRender() {
    if (AbortSignalState* signals = g_signals.load()) signals->ToolFlag.store(nullptr);
}
