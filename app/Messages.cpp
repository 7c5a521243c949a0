// SPDX-License-Identifier: Apache-2.0
#include "Messages.h"

#include "Progress.h"

#include <cstdio>
#include <set>

void Warn(const std::string& text) {
    // A progress bar owns the current terminal line; start a fresh one first.
    Progress::BreakLine();
    std::fprintf(stderr, "vorlings: warning: %s\n", text.c_str());
    std::fflush(stderr);
}

void ReportError(const std::string& text) {
    Progress::BreakLine();
    std::fprintf(stderr, "vorlings: %s\n", text.c_str());
    std::fflush(stderr);
}

void WarnOnce(const std::string& key, const std::string& text) {
    static std::set<std::string> given;
    if (given.insert(key).second) Warn(text);
}
