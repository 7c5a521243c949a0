// SPDX-License-Identifier: Apache-2.0
#include "Messages.h"

#include "Progress.h"

#include <atomic>
#include <set>

namespace {
std::atomic<WarningSink> g_sink{nullptr};
} // namespace

void SetWarningSink(WarningSink sink) {
    g_sink.store(sink);
}

void Warn(const std::string& text) {
    if (const WarningSink sink = g_sink.load()) return sink(text);
    // A progress bar owns the current terminal line; the message gets a fresh one.
    Progress::PrintLine("vorlings: warning: " + text);
}

void ReportError(const std::string& text, int fd) {
    Progress::PrintLine("vorlings: " + text, fd);
}

void WarnOnce(const std::string& key, const std::string& text) {
    static std::set<std::string> given;
    if (given.insert(key).second) Warn(text);
}
