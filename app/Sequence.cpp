// SPDX-License-Identifier: Apache-2.0
#include "Sequence.h"

#include "Text.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// The longest frame list accepted: far beyond any shot, small enough to hold in memory.
constexpr int64_t kMaxFrames = 10'000'000;

std::string Padded(int64_t frame, int width) {
    std::string digits = std::to_string(frame);
    if (int(digits.size()) < width) digits.insert(0, size_t(width) - digits.size(), '0');
    return digits;
}

bool ParseFrame(std::string_view text, int64_t& frame) {
    text = Trim(text);
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), frame);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace

FramePattern::FramePattern(std::string text) : text_(std::move(text)) {
    std::string literal;
    for (size_t i = 0; i < text_.size();) {
        const char c = text_[i];
        if (c == '#') {
            const size_t run = text_.find_first_not_of('#', i);
            const size_t end = run == std::string::npos ? text_.size() : run;
            segments_.push_back({std::move(literal), int(end - i)});
            literal.clear();
            ++placeholders_;
            i = end;
            continue;
        }
        if (c == '%') {
            if (i + 1 < text_.size() && text_[i + 1] == '%') {
                literal += '%';
                i += 2;
                continue;
            }
            // "%d" or "%0Nd".
            size_t j = i + 1;
            int width = 0;
            if (j < text_.size() && text_[j] == '0') {
                ++j;
                const size_t digitsStart = j;
                while (j < text_.size() && text_[j] >= '0' && text_[j] <= '9')
                    width = width * 10 + (text_[j++] - '0');
                if (j == digitsStart) width = -1; // "%0d" is not a placeholder
            }
            if (width >= 0 && width <= 18 && j < text_.size() && text_[j] == 'd') {
                segments_.push_back({std::move(literal), width});
                literal.clear();
                ++placeholders_;
                i = j + 1;
                continue;
            }
        }
        literal += c;
        ++i;
    }
    segments_.push_back({std::move(literal), -1});
}

FramePattern FramePattern::Literal(std::string text) {
    FramePattern pattern("");
    pattern.text_ = std::move(text);
    pattern.segments_ = {{pattern.text_, -1}};
    return pattern;
}

std::string FramePattern::PathFor(int64_t frame) const {
    if (!IsSequence()) return text_;
    std::string path;
    for (const Segment& s : segments_) {
        path += s.Literal;
        if (s.Width >= 0) path += Padded(frame, s.Width);
    }
    return path;
}

std::vector<int64_t> FramePattern::FramesOnDisk() const {
    std::vector<int64_t> frames;
    if (!IsSequence()) return frames;
    // The folder is the pattern up to its last '/'; no placeholder may lie in it.
    const size_t slash = text_.rfind('/');
    const size_t firstPlaceholder = segments_.front().Literal.size();
    if (slash != std::string::npos && slash >= firstPlaceholder) return frames;
    const fs::path folder =
        slash == std::string::npos ? fs::path(".") : fs::path(text_.substr(0, slash + 1));

    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    std::set<int64_t> found;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        const std::string candidate =
            slash == std::string::npos ? name : text_.substr(0, slash + 1) + name;
        // Read the number where the first placeholder stands, then require that the
        // pattern gives back exactly this name for it.
        const std::string& head = segments_.front().Literal;
        if (candidate.compare(0, head.size(), head) != 0) continue;
        size_t digitsEnd = head.size();
        while (digitsEnd < candidate.size() && candidate[digitsEnd] >= '0' &&
               candidate[digitsEnd] <= '9')
            ++digitsEnd;
        int64_t frame = 0;
        if (!ParseFrame(std::string_view(candidate).substr(head.size(), digitsEnd - head.size()),
                        frame))
            continue;
        if (PathFor(frame) == candidate && it->is_regular_file(ec)) found.insert(frame);
    }
    frames.assign(found.begin(), found.end());
    return frames;
}

std::optional<std::vector<int64_t>> ParseFrameList(std::string_view text, std::string& problem) {
    struct Item {
        int64_t First, Last, Step;
    };
    std::vector<Item> items;
    if (Trim(text).empty()) {
        problem = "is empty";
        return std::nullopt;
    }
    // Every item is read and counted first, so that a huge list is refused before any frame
    // is listed.
    int64_t named = 0;
    while (true) {
        const size_t comma = text.find(',');
        std::string_view item = Trim(text.substr(0, comma));
        const std::string bad = "has a bad item " + Quoted(item) + " (use A, A-B, A-BxN or A-B:N)";

        int64_t first = 0, last = 0, step = 1;
        const size_t stepAt = item.find_first_of("x:");
        if (stepAt != std::string_view::npos) {
            if (!ParseFrame(item.substr(stepAt + 1), step) || step < 1) {
                problem = bad;
                return std::nullopt;
            }
            item = item.substr(0, stepAt);
        }
        const size_t dash = item.find('-');
        if (dash == std::string_view::npos) {
            if (!ParseFrame(item, first) || stepAt != std::string_view::npos) {
                problem = bad;
                return std::nullopt;
            }
            last = first;
        } else if (!ParseFrame(item.substr(0, dash), first) ||
                   !ParseFrame(item.substr(dash + 1), last)) {
            problem = bad;
            return std::nullopt;
        }
        if (last < first) {
            problem = "has a range " + Quoted(Trim(text.substr(0, comma))) + " that runs backwards";
            return std::nullopt;
        }
        const int64_t others = (last - first) / step; // the item's frames after its first
        if (others >= kMaxFrames || named + others + 1 > kMaxFrames) {
            problem = "names more than " + std::to_string(kMaxFrames) + " frames";
            return std::nullopt;
        }
        named += others + 1;
        items.push_back({first, last, step});
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }

    std::vector<int64_t> frames;
    std::set<int64_t> seen;
    for (const Item& item : items) {
        for (int64_t f = item.First; f <= item.Last; f += item.Step) {
            if (seen.insert(f).second) frames.push_back(f);
            if (item.Last - f < item.Step) break; // no overflow past the end
        }
    }
    return frames;
}

std::string FrameListText(std::span<const int64_t> frames) {
    std::string text;
    size_t i = 0;
    while (i < frames.size()) {
        if (!text.empty()) text += ',';
        text += std::to_string(frames[i]);
        // The longest run from here with one step upwards; two frames a step apart only
        // count as a run when the step is 1 ("1-2" reads no better than "1,5").
        size_t end = i + 1;
        const int64_t step = end < frames.size() ? frames[end] - frames[i] : 0;
        while (step > 0 && end < frames.size() && frames[end] - frames[end - 1] == step) ++end;
        const size_t length = end - i;
        if (step > 0 && (length >= 3 || (length == 2 && step == 1))) {
            text += '-' + std::to_string(frames[end - 1]);
            if (step > 1) text += 'x' + std::to_string(step);
            i = end;
        } else {
            ++i;
        }
    }
    return text;
}
