// SPDX-License-Identifier: Apache-2.0
// Silences stderr around calls into image libraries, which print their own complaints
// ("libpng error: ..."); OpenImageIO hands the same text back, and the command reports it in
// its one line.
#pragma once

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

/// While it lives, whatever is written to stderr goes to /dev/null.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int devNull = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && devNull >= 0) dup2(devNull, STDERR_FILENO);
        if (devNull >= 0) close(devNull);
    }
    ~QuietStderr() {
        std::fflush(stderr);
        if (saved_ < 0) return;
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};
