// SPDX-License-Identifier: Apache-2.0
// Rows as words give exactly what the images' own pixel routines give, for every kind.
#include "support/TestImages.h"

#include "frame/PixelRows.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

using namespace vorlings::frame;

namespace {

constexpr ImageKind kKinds[] = {ImageKind::Int16, ImageKind::Int8, ImageKind::Float};

/// An image whose stored bytes are random: for float, values well outside 0..1 and NaN too.
std::unique_ptr<Image> RawNoise(ImageKind kind, int32_t w, int32_t h, uint32_t seed) {
    std::unique_ptr<Image> image = Image::Create(kind, w, h);
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> wide(-0.5f, 1.5f);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = image->RowTable[y];
        const size_t bytes = size_t(w) * size_t(image->PixelBytes);
        if (kind != ImageKind::Float) {
            for (size_t i = 0; i < bytes; ++i) row[i] = uint8_t(rng());
            continue;
        }
        for (size_t i = 0; i < bytes / 4; ++i) {
            const float v = rng() % 50 == 0 ? NAN : wide(rng);
            std::memcpy(row + 4 * i, &v, 4);
        }
    }
    return image;
}

} // namespace

TEST(RowAccess, ReadsWhatReadPixelReads) {
    for (ImageKind kind : kKinds) {
        const auto image = RawNoise(kind, 13, 4, 1);
        const RowAccess rows(*image);
        std::vector<uint16_t> scratch(5 * kWordsPerPixel), copy(5 * kWordsPerPixel);
        for (int32_t y = 0; y < 4; ++y) {
            // A span away from the row's start, read both ways.
            const uint16_t* words = rows.Read(y, 6, 5, scratch.data());
            rows.ReadInto(y, 6, 5, copy.data());
            for (int32_t i = 0; i < 5; ++i) {
                const Pixel p = test::At(*image, 6 + i, y);
                for (int c = 0; c < 4; ++c) {
                    ASSERT_EQ(words[i * 4 + c], p.Word[c]) << int(kind) << " at " << i;
                    ASSERT_EQ(copy[size_t(i * 4 + c)], p.Word[c]) << int(kind) << " at " << i;
                }
            }
        }
    }
}

TEST(RowAccess, WritesWhatWritePixelWrites) {
    std::mt19937 rng(2);
    for (ImageKind kind : kKinds) {
        auto byRows = Image::Create(kind, 9, 3), byPixels = Image::Create(kind, 9, 3);
        std::vector<uint16_t> words(4 * kWordsPerPixel);
        for (int32_t y = 0; y < 3; ++y) {
            for (uint16_t& w : words) w = uint16_t(rng());
            RowAccess(*byRows).Write(y, 2, 4, words.data());
            for (int32_t i = 0; i < 4; ++i) {
                Pixel p;
                for (int c = 0; c < 4; ++c) p.Word[c] = words[size_t(i * 4 + c)];
                byPixels->WritePixel(byPixels.get(), byPixels->PixelAddress(2 + i, y), &p);
            }
        }
        for (int32_t y = 0; y < 3; ++y)
            EXPECT_EQ(std::memcmp(byRows->RowTable[y], byPixels->RowTable[y],
                                  size_t(9 * byRows->PixelBytes)),
                      0)
                << int(kind) << " row " << y;
    }
}

TEST(RowWindow, RowsStayRightAsTheWindowSlidesDown) {
    // Windows as a sliding filter takes them: clipped at the top and bottom, starting mid-way
    // down (as a chunk does), so the ring of converted rows wraps many times.
    for (ImageKind kind : kKinds)
        for (int32_t half : {0, 1, 3, 40}) {
            const auto image = RawNoise(kind, 6, 23, 3);
            const RowAccess rows(*image);
            RowWindow window(*image, 2 * half + 1);
            std::vector<uint16_t> expected(6 * kWordsPerPixel);
            for (int32_t y = 5; y < 23; ++y) {
                const int32_t top = std::max(0, y - half), bottom = std::min(22, y + half);
                window.Cover(top, bottom);
                for (int32_t r = top; r <= bottom; ++r) {
                    rows.ReadInto(r, 0, 6, expected.data());
                    ASSERT_EQ(std::memcmp(window.Row(r), expected.data(), expected.size() * 2), 0)
                        << "kind " << int(kind) << ", half " << half << ", row " << r
                        << " of window at " << y;
                }
            }
        }
}
