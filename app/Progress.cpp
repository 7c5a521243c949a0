// SPDX-License-Identifier: Apache-2.0
#include "Progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unistd.h>

namespace {

// One lock for everything drawn on stderr: the bar, progress lines and messages come from the
// main thread, the workers (as chunks end), the bar's clock and the abort watcher.
std::mutex g_terminal;
// Set while a bar is drawn on the current terminal line.
bool g_barOnLine = false;

constexpr int kBarWidth = 40;
// Until its step is done, work inside it shows at most this much of it.
constexpr double kMostOfAStep = 0.99;

void BreakLineLocked() {
    if (!g_barOnLine) return;
    std::fputc('\n', stderr);
    g_barOnLine = false;
}

} // namespace

int ProgressPercent(int64_t done, int64_t total, double within) {
    if (total < 1) total = 1;
    if (done >= total) return 100;
    const double part = std::clamp(within, 0.0, kMostOfAStep);
    return int(std::floor((double(done) + part) * 100.0 / double(total)));
}

std::string ElapsedText(std::chrono::seconds elapsed) {
    const long long s = std::max<long long>(0, elapsed.count());
    char text[32];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", s / 60, s % 60);
    return text;
}

std::string ProgressBarText(int percent, int64_t done, int64_t total, std::chrono::seconds elapsed,
                            const std::string& label) {
    const int filled = std::clamp(percent, 0, 100) * kBarWidth / 100;
    std::string bar =
        "[" + std::string(size_t(filled), '#') + std::string(size_t(kBarWidth - filled), '.') + "]";
    char numbers[64];
    std::snprintf(numbers, sizeof numbers, " %3d%%  %lld/%lld  ", percent,
                  static_cast<long long>(done), static_cast<long long>(total));
    std::string line = bar + numbers + ElapsedText(elapsed);
    if (!label.empty()) line += "  " + label;
    return line;
}

Progress::Style Progress::StyleFor(bool quiet) {
    if (quiet) return Style::Quiet;
    return isatty(STDERR_FILENO) ? Style::Bar : Style::Lines;
}

Progress::Progress(Style style, int64_t totalSteps)
    : style_(style), total_(totalSteps > 0 ? totalSteps : 1),
      start_(std::chrono::steady_clock::now()) {}

Progress::~Progress() {
    StopTicker();
    std::lock_guard lock(g_terminal);
    BreakLineLocked();
    std::fflush(stderr);
}

void Progress::Start() {
    {
        std::lock_guard lock(g_terminal);
        start_ = std::chrono::steady_clock::now();
        Show();
    }
    // The clock on a bar moves on while a long frame renders.
    if (style_ == Style::Bar && !ticker_.joinable()) {
        ticking_ = true;
        ticker_ = std::thread([this] { Tick(); });
    }
}

void Progress::Within(double fraction) {
    std::lock_guard lock(g_terminal);
    if (fraction <= within_) return;
    within_ = fraction;
    Show();
}

void Progress::Step(const std::string& label) {
    std::lock_guard lock(g_terminal);
    if (done_ < total_) ++done_;
    within_ = 0.0;
    label_ = label;
    Show();
}

void Progress::Finish() {
    StopTicker();
    std::lock_guard lock(g_terminal);
    if (style_ == Style::Bar) BreakLineLocked();
    std::fflush(stderr);
}

void Progress::PrintLine(const std::string& line, int fd) {
    std::lock_guard lock(g_terminal);
    if (fd < 0) {
        BreakLineLocked();
        std::fprintf(stderr, "%s\n", line.c_str());
        std::fflush(stderr);
        return;
    }
    std::fflush(stderr);
    dprintf(fd, "%s%s\n", g_barOnLine ? "\n" : "", line.c_str());
    g_barOnLine = false;
}

void Progress::Tick() {
    std::unique_lock lock(g_terminal);
    while (ticking_) {
        if (stopTicking_.wait_for(lock, std::chrono::seconds(1), [this] { return !ticking_; }))
            break;
        Show();
    }
}

void Progress::StopTicker() {
    {
        std::lock_guard lock(g_terminal);
        ticking_ = false;
    }
    stopTicking_.notify_all();
    if (ticker_.joinable()) ticker_.join();
}

void Progress::Show() {
    const int percent = ProgressPercent(done_, total_, within_);
    switch (style_) {
    case Style::Quiet:
        return;
    case Style::Lines:
        if (percent <= lastPercent_) return;
        std::fprintf(stderr, "Progress: %d%%\n", percent);
        break;
    case Style::Bar: {
        const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
            std::chrono::steady_clock::now() - start_);
        const std::string line = ProgressBarText(percent, done_, total_, elapsed, label_);
        std::fprintf(stderr, "\r%s\x1b[K", line.c_str());
        g_barOnLine = true;
        break;
    }
    }
    lastPercent_ = std::max(lastPercent_, percent);
    std::fflush(stderr);
}
