// SPDX-License-Identifier: Apache-2.0
#include "AbortSignal.h"

#include "Errors.h"
#include "Messages.h"
#include "Text.h"

#include "host/Operator.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <pthread.h>
#include <semaphore.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// The handler touches only these lock-free atomics and the semaphore (sem_post is safe in a
// signal handler).
std::atomic<int> g_signalCount{0};
std::atomic<Operator*> g_activeOperator{nullptr};
// Set once a watcher waits on g_wake; until then a second signal ends the run at once.
std::atomic<bool> g_watching{false};
static_assert(std::atomic<int>::is_always_lock_free);
static_assert(std::atomic<Operator*>::is_always_lock_free);
static_assert(std::atomic<bool>::is_always_lock_free);
sem_t g_wake;

constexpr char kAtOnce[] = "vorlings: interrupted\n";

extern "C" void OnAbortSignal(int) {
    const int savedErrno = errno;
    const int count = g_signalCount.fetch_add(1) + 1;
    if (Operator* op = g_activeOperator.load()) op->AbortFlag.store(1);
    if (g_watching.load()) {
        sem_post(&g_wake);
    } else if (count >= 2) {
        // Before the watcher starts no output file has been begun: nothing to remove.
        [[maybe_unused]] const ssize_t ignored = write(STDERR_FILENO, kAtOnce, sizeof kAtOnce - 1);
        _exit(kExitAborted);
    }
    errno = savedErrno;
}

// Who ends the process once a command is over: the command itself or the watcher, whichever
// comes first; the other keeps quiet.
enum ExitOwner : int { kNobody, kCommand, kWatcher };
std::atomic<int> g_exitOwner{kNobody};

// A copy of stderr taken at the start, since image libraries are silenced by pointing stderr
// elsewhere for a while, and the watcher's line must still be seen.
int g_stderr = -1;

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

void Watch() {
    while (g_signalCount.load() == 0) sem_wait(&g_wake);
    // The render may end by itself within the grace; the command then reports the abort.
    const timespec deadline = GraceDeadline();
    while (g_signalCount.load() < 2) {
        if (sem_clockwait(&g_wake, CLOCK_MONOTONIC, &deadline) != 0 && errno == ETIMEDOUT) break;
    }
    int nobody = kNobody;
    if (g_exitOwner.compare_exchange_strong(nobody, kWatcher)) EndInterrupted();
}

} // namespace

void InstallAbortHandlers() {
    sem_init(&g_wake, 0, 0);
    struct sigaction action = {};
    action.sa_handler = OnAbortSignal;
    sigemptyset(&action.sa_mask);
    // Restart interrupted reads and writes: the flag is polled, nothing needs waking.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    pthread_sigmask(SIG_UNBLOCK, &held, nullptr);
}

void StartAbortWatch() {
    g_grace = GraceFromEnvironment();
    g_stderr = fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 3);
    // Marked before the thread runs, so that no signal's post can be missed; the watcher looks
    // at the count before it first waits. Without a watcher the handler goes on ending the
    // run at a second signal.
    g_watching.store(true);
    try {
        std::thread(Watch).detach();
    } catch (const std::system_error&) {
        g_watching.store(false);
    }
}

bool AbortRequested() {
    return g_signalCount.load() != 0;
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
    g_activeOperator.store(&op);
    // A signal between these two stores is still seen: the flag is copied after the
    // pointer is published.
    op.AbortFlag.store(AbortRequested() ? 1 : 0);
}

ActiveRender::~ActiveRender() {
    g_activeOperator.store(nullptr);
}
