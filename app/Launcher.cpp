// SPDX-License-Identifier: Apache-2.0
// vorlings: starts in a moment and installs the SIGINT and SIGTERM handler at once, then loads
// the command line (libvorlings_cli.so, beside it) and hands over. The command line brings
// OpenImageIO and the many libraries behind it, whose loading takes a good part of a second;
// a signal meanwhile must still end the run with 130, not kill it.
#include "AbortSignalState.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>

namespace {

// The exit status of an interrupted run.
constexpr int kExitAborted = 130;
constexpr char kInterrupted[] = "vorlings: interrupted\n";

AbortSignalState g_state;

extern "C" void OnAbortSignal(int) {
    const int savedErrno = errno;
    const int count = g_state.Signals.fetch_add(1) + 1;
    if (std::atomic<int>* flag = g_state.ToolFlag.load()) flag->store(1);
    if (g_state.Watching.load()) {
        sem_post(&g_state.Wake);
    } else if (count >= 2) {
        // Before the watcher starts no output file has been begun: nothing to remove.
        [[maybe_unused]] const ssize_t ignored =
            write(STDERR_FILENO, kInterrupted, sizeof kInterrupted - 1);
        _exit(kExitAborted);
    }
    errno = savedErrno;
}

// The folder holding this binary, with a trailing '/'; "" when unknown.
std::string OwnFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string self(path, size_t(length));
    return self.substr(0, self.rfind('/') + 1);
}

} // namespace

int main(int argc, char** argv) {
    sem_init(&g_state.Wake, 0, 0);
    struct sigaction action = {};
    action.sa_handler = OnAbortSignal;
    sigemptyset(&action.sa_mask);
    // Restart interrupted reads and writes: the state is polled, nothing needs waking.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    if (g_state.Signals.load()) {
        std::fputs(kInterrupted, stderr);
        return kExitAborted;
    }
    const std::string library = OwnFolder() + kCommandLineLibrary;
    void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    const auto entry =
        handle ? reinterpret_cast<VorlingsMainFunction>(dlsym(handle, kVorlingsMainName)) : nullptr;
    if (!entry) {
        const char* why = dlerror();
        std::fprintf(stderr, "vorlings: cannot load %s (%s)\n", library.c_str(),
                     why ? why : "no entry point");
        return g_state.Signals.load() ? kExitAborted : 1;
    }
    // The library stays loaded until the process ends.
    return entry(argc, argv, &g_state);
}
