// SPDX-License-Identifier: Apache-2.0
#include "Environment.h"

#include "Messages.h"
#include "Text.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdlib>

std::string ChunkCountWarning(const char* text) {
    if (!text) return "";
    const std::string_view value = Trim(text);
    long long number = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (!value.empty() && value.front() != '-' && ec == std::errc() &&
        end == value.data() + value.size() && number >= 1 && number <= INT_MAX)
        return "";
    // Read as the tools read it: atoi, never below one chunk.
    const int chunks = std::max(1, std::atoi(text));
    return "NUM_PROC_THARN=" + Quoted(text) + " is not a whole number of chunks; renders use " +
           std::to_string(chunks) + (chunks == 1 ? " chunk" : " chunks");
}

void WarnAboutEnvironment() {
    static bool warned = false;
    if (warned) return;
    warned = true;
    if (const std::string w = ChunkCountWarning(std::getenv("NUM_PROC_THARN")); !w.empty()) Warn(w);
}
