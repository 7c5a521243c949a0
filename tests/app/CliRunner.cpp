#include "CliRunner.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

std::vector<std::string> CliResult::MessageLines() const {
    std::vector<std::string> lines;
    std::istringstream in(Err);
    for (std::string line; std::getline(in, line);)
        if (!line.starts_with("Progress: ")) lines.push_back(line);
    return lines;
}

CliProcess::CliProcess(const std::vector<std::string>& args, const EnvList& env,
                       const std::string& binary) {
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) throw std::runtime_error("pipe failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        close(out[0]);
        close(out[1]);
        close(err[0]);
        close(err[1]);
        unsetenv("NUM_PROC_THARN");
        unsetenv("VORLINGS_PLUGIN_PATH");
        for (const auto& [name, value] : env) setenv(name.c_str(), value.c_str(), 1);
        std::vector<char*> argv;
        std::string program = binary;
        argv.push_back(program.data());
        std::vector<std::string> copies(args);
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    outFd_ = out[0];
    errFd_ = err[0];
}

CliProcess::~CliProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (outFd_ >= 0) close(outFd_);
    if (errFd_ >= 0) close(errFd_);
}

bool CliProcess::Pump(int timeoutMs) {
    pollfd fds[2];
    int n = 0;
    if (outFd_ >= 0) fds[n++] = {outFd_, POLLIN, 0};
    if (errFd_ >= 0) fds[n++] = {errFd_, POLLIN, 0};
    if (n == 0) return false;
    if (poll(fds, nfds_t(n), timeoutMs) <= 0) return true;
    for (int i = 0; i < n; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buffer[4096];
        const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
        const bool isOut = fds[i].fd == outFd_;
        if (got > 0) {
            (isOut ? result_.Out : result_.Err).append(buffer, size_t(got));
        } else if (got == 0 || errno != EINTR) {
            close(fds[i].fd);
            (isOut ? outFd_ : errFd_) = -1;
        }
    }
    return true;
}

bool CliProcess::WaitForStderr(std::string_view text, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (result_.Err.find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > end || !Pump(100)) return false;
    }
    return true;
}

void CliProcess::Signal(int signal) {
    if (pid_ > 0) kill(pid_, signal);
}

CliResult CliProcess::Finish() {
    while (Pump(-1)) {
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    result_.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result_;
}

CliResult RunCli(const std::vector<std::string>& args, const EnvList& env,
                 const std::string& binary) {
    CliProcess process(args, env, binary);
    return process.Finish();
}
