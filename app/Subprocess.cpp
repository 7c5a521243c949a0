// SPDX-License-Identifier: Apache-2.0
#include "Subprocess.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// A file in memory for one of the program's outputs: written without limit while the program
// runs, read once it has ended, so that neither pipe can fill and stall it.
class CapturedOutput {
public:
    CapturedOutput() : fd_(memfd_create("vorlings-output", MFD_CLOEXEC)) {}
    ~CapturedOutput() {
        if (fd_ >= 0) close(fd_);
    }
    CapturedOutput(const CapturedOutput&) = delete;
    CapturedOutput& operator=(const CapturedOutput&) = delete;

    int Fd() const { return fd_; }
    std::string Text() const {
        std::string text;
        char buffer[4096];
        off_t offset = 0;
        for (ssize_t n; (n = pread(fd_, buffer, sizeof buffer, offset)) > 0; offset += n)
            text.append(buffer, size_t(n));
        return text;
    }

private:
    int fd_;
};

class SpawnActions {
public:
    SpawnActions() { posix_spawn_file_actions_init(&actions_); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&actions_); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &actions_; }

private:
    posix_spawn_file_actions_t actions_;
};

} // namespace

ProgramResult RunProgram(const std::vector<std::string>& args, const std::string& folder) {
    ProgramResult result;
    CapturedOutput out, err;
    if (out.Fd() < 0 || err.Fd() < 0) {
        result.Problem = std::strerror(errno);
        return result;
    }
    SpawnActions actions;
    posix_spawn_file_actions_addopen(actions.Get(), 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(actions.Get(), out.Fd(), 1);
    posix_spawn_file_actions_adddup2(actions.Get(), err.Fd(), 2);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(actions.Get(), folder.c_str());

    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);

    pid_t pid = -1;
    if (const int error = posix_spawnp(&pid, argv[0], actions.Get(), nullptr, argv.data(), environ);
        error != 0) {
        result.Problem = std::strerror(error);
        return result;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.Started = true;
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.Out = out.Text();
    result.Err = err.Text();
    return result;
}
