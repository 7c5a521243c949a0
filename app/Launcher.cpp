// SPDX-License-Identifier: Apache-2.0
// vorlings: holds SIGINT and SIGTERM back from its first moments, then starts the command line,
// vorlings-cli beside it, in its place. The command line brings OpenImageIO and the many
// libraries behind it, whose loading takes a good part of a second before any code of ours
// runs; a signal meanwhile stays pending (blocked signals stay blocked across exec) until
// vorlings-cli has its handlers in place, so it ends the run with 130 instead of killing it.
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

constexpr const char* kCommandLine = "vorlings-cli";

// The folder holding this binary, with a trailing '/'; "" when unknown.
std::string OwnFolder() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    const std::string self(path, size_t(length));
    return self.substr(0, self.rfind('/') + 1);
}

} // namespace

int main(int, char** argv) {
    sigset_t held;
    sigemptyset(&held);
    sigaddset(&held, SIGINT);
    sigaddset(&held, SIGTERM);
    sigprocmask(SIG_BLOCK, &held, nullptr);

    const std::string program = OwnFolder() + kCommandLine;
    execv(program.c_str(), argv);
    const int why = errno;
    // Not started: a signal already held back still means the user wanted it to stop.
    sigset_t pending;
    sigpending(&pending);
    if (sigismember(&pending, SIGINT) == 1 || sigismember(&pending, SIGTERM) == 1) {
        std::fputs("vorlings: interrupted\n", stderr);
        return 130;
    }
    std::fprintf(stderr, "vorlings: cannot start %s (%s)\n", program.c_str(), std::strerror(why));
    return 1;
}
