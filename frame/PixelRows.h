// SPDX-License-Identifier: Apache-2.0
// Rows of an image as 16-bit channel words, whatever kind the image stores. A tool's kernel is
// written once over words; the image's kind is looked at once, when the access is made, not
// per pixel. A 16-bit image is read where it lies and written with one copy; 8-bit and float
// images convert exactly as their ReadPixel and WritePixel routines do.
#pragma once

#include "host/Image.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace vorlings::frame {

/// Words per pixel of a row: blue, green, red, alpha, as in Pixel.
inline constexpr int kWordsPerPixel = 4;

/// Converts `count` pixels stored as `kind` at `from` into words.
void ConvertToWords(ImageKind kind, const uint8_t* from, int32_t count, uint16_t* to);
/// Converts `count` pixels of words into `kind`, storing them at `to`.
void ConvertFromWords(ImageKind kind, const uint16_t* from, int32_t count, uint8_t* to);

/// Reads and writes spans of rows of one image as words.
class RowAccess {
public:
    explicit RowAccess(const Image& image) : image_(&image), kind_(image.Kind) {}

    /// Whether rows are read in place (16-bit images), with no conversion and no scratch.
    bool InPlace() const { return kind_ == ImageKind::Int16; }

    /// The words of pixels [x, x + count) of row y. A 16-bit image gives a pointer into its own
    /// row; any other kind is converted into `scratch` (room for 4 x count words), which is
    /// returned.
    const uint16_t* Read(int32_t y, int32_t x, int32_t count, uint16_t* scratch) const {
        const uint8_t* at = image_->PixelAddress(x, y);
        if (InPlace()) return reinterpret_cast<const uint16_t*>(at);
        ConvertToWords(kind_, at, count, scratch);
        return scratch;
    }

    /// Copies the words of pixels [x, x + count) of row y into `to`, whatever the kind.
    void ReadInto(int32_t y, int32_t x, int32_t count, uint16_t* to) const {
        const uint8_t* at = image_->PixelAddress(x, y);
        if (InPlace())
            std::memcpy(to, at, size_t(count) * kWordsPerPixel * sizeof(uint16_t));
        else
            ConvertToWords(kind_, at, count, to);
    }

    /// Stores 4 x count words as pixels [x, x + count) of row y.
    void Write(int32_t y, int32_t x, int32_t count, const uint16_t* words) const {
        uint8_t* at = image_->PixelAddress(x, y);
        if (InPlace())
            std::memcpy(at, words, size_t(count) * kWordsPerPixel * sizeof(uint16_t));
        else
            ConvertFromWords(kind_, words, count, at);
    }

private:
    const Image* image_;
    ImageKind kind_;
};

/// The whole rows that a window sliding down a chunk needs, as words: each row is converted
/// once as it enters the window and kept until it leaves. A 16-bit image needs no copy; any
/// other kind keeps a ring of converted rows, as many as the window is high.
class RowWindow {
public:
    /// For windows of at most `maxRows` rows of `image`.
    RowWindow(const Image& image, int32_t maxRows);

    /// Makes rows [top, bottom] readable with Row. Windows must move down the image (top and
    /// bottom never decrease) and hold at most maxRows rows.
    void Cover(int32_t top, int32_t bottom);

    /// Row y, which the last Cover included: 4 words per pixel over the whole width.
    const uint16_t* Row(int32_t y) const {
        if (access_.InPlace()) return reinterpret_cast<const uint16_t*>(image_->RowTable[y]);
        return ring_.data() + size_t(y % slots_) * rowWords_;
    }

private:
    const Image* image_;
    RowAccess access_;
    int32_t slots_;
    size_t rowWords_;
    int32_t converted_ = -1; // the last (lowest on screen) row converted so far
    std::vector<uint16_t> ring_;
};

} // namespace vorlings::frame
