// SPDX-License-Identifier: Apache-2.0
#include "PixelRows.h"

#include <algorithm>

namespace vorlings::frame {

// Each conversion is the one the image's own pixel routine makes, channel by channel.
void ConvertToWords(ImageKind kind, const uint8_t* from, int32_t count, uint16_t* to) {
    const size_t words = size_t(count) * kWordsPerPixel;
    switch (kind) {
    case ImageKind::Int16:
        std::memcpy(to, from, words * sizeof(uint16_t));
        break;
    case ImageKind::Int8:
        for (size_t i = 0; i < words; ++i) to[i] = uint16_t(Word16From8(from[i]));
        break;
    case ImageKind::Float:
        for (size_t i = 0; i < words; ++i) {
            float v;
            std::memcpy(&v, from + i * sizeof(float), sizeof v);
            to[i] = uint16_t(Word16FromFloat(v));
        }
        break;
    }
}

void ConvertFromWords(ImageKind kind, const uint16_t* from, int32_t count, uint8_t* to) {
    const size_t words = size_t(count) * kWordsPerPixel;
    switch (kind) {
    case ImageKind::Int16:
        std::memcpy(to, from, words * sizeof(uint16_t));
        break;
    case ImageKind::Int8:
        for (size_t i = 0; i < words; ++i) to[i] = Word8From16(from[i]);
        break;
    case ImageKind::Float:
        for (size_t i = 0; i < words; ++i) {
            const float v = FloatFromWord16(from[i]);
            std::memcpy(to + i * sizeof(float), &v, sizeof v);
        }
        break;
    }
}

RowWindow::RowWindow(const Image& image, int32_t maxRows)
    : image_(&image), access_(image), slots_(std::clamp(maxRows, 1, image.Height)),
      rowWords_(size_t(image.Width) * kWordsPerPixel) {
    if (!access_.InPlace()) ring_.resize(size_t(slots_) * rowWords_);
}

void RowWindow::Cover(int32_t top, int32_t bottom) {
    if (access_.InPlace()) return;
    // Rows above the last converted one are still in the ring: only the new ones convert.
    for (int32_t y = std::max(top, converted_ + 1); y <= bottom; ++y)
        access_.ReadInto(y, 0, image_->Width, ring_.data() + size_t(y % slots_) * rowWords_);
    converted_ = std::max(converted_, bottom);
}

} // namespace vorlings::frame
