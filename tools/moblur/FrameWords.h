// SPDX-License-Identifier: Apache-2.0
// A whole frame as rows of 16-bit words, for passes that read any row at any time (the smear
// samples frame t wherever a pixel came from). A 16-bit image is read where it lies; any other
// kind is converted once, exactly as its ReadPixel would.
#pragma once

#include "CBuffer.h"

#include "frame/PixelRows.h"
#include "host/Image.h"

#include <cstdint>
#include <optional>

namespace vorlings::moblur {

class FrameWords {
public:
    /// The first width x height pixels of `image`; nothing when memory is short.
    static std::optional<FrameWords> Of(const Image& image, int32_t width, int32_t height);

    /// Row y: 4 words per pixel, blue, green, red, alpha.
    const uint16_t* Row(int32_t y) const { return rows_[size_t(y)]; }

private:
    CBuffer<uint16_t> copy_;
    CBuffer<const uint16_t*> rows_;
};

inline std::optional<FrameWords> FrameWords::Of(const Image& image, int32_t width, int32_t height) {
    FrameWords words;
    words.rows_ = Allocate<const uint16_t*>(size_t(height));
    if (!words.rows_) return std::nullopt;
    const frame::RowAccess access(image);
    if (access.InPlace()) {
        for (int32_t y = 0; y < height; ++y)
            words.rows_[size_t(y)] = reinterpret_cast<const uint16_t*>(image.RowTable[y]);
        return words;
    }
    const size_t rowWords = size_t(width) * frame::kWordsPerPixel;
    words.copy_ = Allocate<uint16_t>(rowWords * size_t(height));
    if (!words.copy_) return std::nullopt;
    for (int32_t y = 0; y < height; ++y) {
        uint16_t* row = words.copy_.get() + rowWords * size_t(y);
        access.ReadInto(y, 0, width, row);
        words.rows_[size_t(y)] = row;
    }
    return words;
}

} // namespace vorlings::moblur
