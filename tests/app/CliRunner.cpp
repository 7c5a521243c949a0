// SPDX-License-Identifier: Apache-2.0
#include "CliRunner.h"

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

// Everything written so far to an in-memory file.
std::string Contents(int fd) {
    std::string text;
    char buffer[4096];
    for (ssize_t got; (got = pread(fd, buffer, sizeof buffer, off_t(text.size()))) > 0;)
        text.append(buffer, size_t(got));
    return text;
}

} // namespace

std::vector<std::string> CliResult::MessageLines() const {
    std::vector<std::string> lines;
    std::istringstream in(Err);
    for (std::string line; std::getline(in, line);)
        if (!line.starts_with("Progress: ")) lines.push_back(line);
    return lines;
}

CliProcess::CliProcess(const std::vector<std::string>& args, const EnvList& env,
                       const std::string& binary)
    : outFd_(memfd_create("stdout", MFD_CLOEXEC)), errFd_(memfd_create("stderr", MFD_CLOEXEC)) {
    if (outFd_ < 0 || errFd_ < 0) throw std::runtime_error("memfd_create failed");
    pid_ = fork();
    if (pid_ < 0) throw std::runtime_error("fork failed");
    if (pid_ == 0) {
        dup2(outFd_, STDOUT_FILENO);
        dup2(errFd_, STDERR_FILENO);
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
}

CliProcess::~CliProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (outFd_ >= 0) close(outFd_);
    if (errFd_ >= 0) close(errFd_);
}

bool CliProcess::WaitForStderr(std::string_view text, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        // Whether it had ended is asked first, so that an ended process has written all.
        siginfo_t exit{};
        const bool ended =
            waitid(P_PID, id_t(pid_), &exit, WEXITED | WNOHANG | WNOWAIT) != 0 || exit.si_pid != 0;
        if (Contents(errFd_).find(text) != std::string::npos) return true;
        if (ended || std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool CliProcess::WaitForSignalHeld(int signal, std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    const std::string proc = "/proc/" + std::to_string(pid_);
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
    do {
        // Until it has started vorlings, the child runs the test's own code.
        std::error_code ec;
        const std::filesystem::path running = std::filesystem::read_symlink(proc + "/exe", ec);
        if (!ec && running != self) {
            std::ifstream in(proc + "/status");
            for (std::string line; std::getline(in, line);)
                if ((line.starts_with("SigBlk:") || line.starts_with("SigCgt:")) &&
                    (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1) & 1))
                    return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < end);
    return false;
}

void CliProcess::Signal(int signal) {
    if (pid_ > 0) kill(pid_, signal);
}

CliResult CliProcess::Finish() {
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status), Contents(outFd_),
            Contents(errFd_)};
}

CliResult CliProcess::Finish(std::chrono::seconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        siginfo_t exit{};
        if (waitid(P_PID, id_t(pid_), &exit, WEXITED | WNOHANG | WNOWAIT) != 0 || exit.si_pid)
            break;
        if (std::chrono::steady_clock::now() > end) {
            kill(pid_, SIGKILL);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return Finish();
}

CliResult RunCli(const std::vector<std::string>& args, const EnvList& env,
                 const std::string& binary) {
    CliProcess process(args, env, binary);
    return process.Finish();
}
