// SPDX-License-Identifier: Apache-2.0
// Frame sequences: file-name patterns where each '#' is one digit ("shot.####.exr") or a
// printf-style "%0Nd" / "%d" stands for the frame number, and the frame lists of "-f"
// ("1-100", "1-100x2", "1-100:2", "1,5,9", "1-10,20-30x5").
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class FramePattern {
public:
    explicit FramePattern(std::string text);

    /// `text` as a plain file name, even when it holds '#' or "%d".
    static FramePattern Literal(std::string text);

    /// True when the text holds at least one frame placeholder.
    bool IsSequence() const { return placeholders_ > 0; }
    const std::string& Text() const { return text_; }

    /// The file name of `frame`: each placeholder becomes the number, zero-padded to its width
    /// (a wider number keeps all its digits). A plain name is returned as it is.
    std::string PathFor(int64_t frame) const;

    /// The frames whose files exist, ascending. Placeholders must lie in the file name, not
    /// in a folder; files whose number is padded differently are not frames of this pattern.
    std::vector<int64_t> FramesOnDisk() const;

private:
    struct Segment {
        std::string Literal; ///< text before the placeholder (or the tail when Width < 0)
        int Width = -1;      ///< digits of the placeholder; -1 for the final literal
    };
    std::string text_;
    std::vector<Segment> segments_;
    int placeholders_ = 0;
};

/// The frames of a "-f" list in the order given, each once. Returns nullopt and sets
/// `problem` when the text is not a frame list, or names more frames than any run could
/// render (refused before a single frame is listed).
std::optional<std::vector<int64_t>> ParseFrameList(std::string_view text, std::string& problem);

/// A "-f" list naming exactly `frames`, in their order: runs with one step become "A-B" or
/// "A-BxN", other frames stand alone, all joined by commas. ParseFrameList reads it back as the
/// same frames.
std::string FrameListText(std::span<const int64_t> frames);
