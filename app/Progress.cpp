// SPDX-License-Identifier: Apache-2.0
#include "Progress.h"

#include <cstdio>
#include <unistd.h>

namespace {

// Set while a bar is drawn on the current terminal line.
bool g_barOnLine = false;

constexpr int kBarWidth = 40;

} // namespace

Progress::Style Progress::StyleFor(bool quiet) {
    if (quiet) return Style::Quiet;
    return isatty(STDERR_FILENO) ? Style::Bar : Style::Lines;
}

Progress::Progress(Style style, int64_t totalSteps)
    : style_(style), total_(totalSteps > 0 ? totalSteps : 1) {}

Progress::~Progress() {
    BreakLine();
}

void Progress::Start() {
    Show("");
}

void Progress::Step(const std::string& label) {
    if (done_ < total_) ++done_;
    Show(label);
}

void Progress::Finish() {
    if (style_ == Style::Bar) BreakLine();
}

void Progress::BreakLine() {
    if (!g_barOnLine) return;
    std::fputc('\n', stderr);
    std::fflush(stderr);
    g_barOnLine = false;
}

void Progress::Show(const std::string& label) {
    const int percent = int(done_ * 100 / total_);
    switch (style_) {
    case Style::Quiet:
        return;
    case Style::Lines:
        if (percent == lastPercent_) return;
        std::fprintf(stderr, "Progress: %d%%\n", percent);
        break;
    case Style::Bar: {
        char bar[kBarWidth + 1];
        const int filled = int(done_ * kBarWidth / total_);
        for (int i = 0; i < kBarWidth; ++i) bar[i] = i < filled ? '#' : '.';
        bar[kBarWidth] = 0;
        std::fprintf(stderr, "\r[%s] %3d%%  %lld/%lld %s\x1b[K", bar, percent,
                     static_cast<long long>(done_), static_cast<long long>(total_), label.c_str());
        g_barOnLine = true;
        break;
    }
    }
    lastPercent_ = percent;
    std::fflush(stderr);
}
