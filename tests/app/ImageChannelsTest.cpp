// SPDX-License-Identifier: Apache-2.0
// Interleaved samples to image words and back: every channel count and kind, against the
// plain rule one pixel at a time (R, G, B, A to words 2, 1, 0, 3; grey to all three; a missing
// alpha opaque), on widths that leave the vector loops a tail.
#include "ImageChannels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace imageio;

namespace {

template <class T>
std::vector<T> RandomSamples(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<T> samples(count);
    for (T& s : samples) {
        if constexpr (std::is_same_v<T, float>)
            s = float(random() % 1001) / 1000.0f;
        else
            s = T(random());
    }
    return samples;
}

// The words pixel (x, y) should hold for interleaved `samples`.
template <class T>
std::array<T, 4> ExpectedWords(const std::vector<T>& samples, int channels, int width, int x,
                               int y) {
    const T* s = samples.data() + (size_t(y) * width + x) * channels;
    std::array<T, 4> words{};
    const bool grey = channels <= 2;
    words[2] = s[0];
    words[1] = grey ? s[0] : s[1];
    words[0] = grey ? s[0] : s[2];
    words[3] = channels == 2 ? s[1] : channels == 4 ? s[3] : Opaque<T>();
    return words;
}

template <class T>
void CheckBothWays() {
    for (const int width : {1, 3, 5, 7, 8, 17}) {
        for (int channels = 1; channels <= 4; ++channels) {
            const int height = 3;
            const auto samples = RandomSamples<T>(size_t(width) * height * channels,
                                                  uint32_t(width * 10 + channels));
            auto image = Image::CreateUnfilled(KindOfSample<T>(), width, height);
            ASSERT_TRUE(image);
            SpreadRows(samples.data(), size_t(width) * channels, 0, height, channels, *image);
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    std::array<T, 4> words;
                    std::memcpy(words.data(), image->PixelAddress(x, y), sizeof words);
                    EXPECT_EQ(words, ExpectedWords(samples, channels, width, x, y))
                        << width << " wide, " << channels << " channels, pixel " << x << "," << y;
                }
            // And back: the same samples, grey taken from the green word.
            std::vector<T> back(samples.size());
            GatherRows(*image, 0, height, channels, back.data(), size_t(width) * channels);
            EXPECT_EQ(back, samples) << width << " wide, " << channels << " channels";
        }
    }
}

} // namespace

TEST(ImageChannels, EveryChannelCountAndKindGoesToItsWordsAndBack) {
    CheckBothWays<uint8_t>();
    CheckBothWays<uint16_t>();
    CheckBothWays<float>();
}

TEST(ImageChannels, FloatSamplesOutsideZeroToOneAreClampedAndCounted) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    for (const int channels : {1, 4}) {
        // Seven pixels: the first vector blocks and the tail both see bad values.
        std::vector<float> samples(size_t(7) * channels, 0.5f);
        samples[0] = -0.25f;
        samples[1] = 1.5f;
        samples[samples.size() - 1] = nan;
        samples[samples.size() - 2] = inf;
        auto image = Image::CreateUnfilled(ImageKind::Float, 7, 1);
        ASSERT_TRUE(image);
        EXPECT_EQ(SpreadRows(samples.data(), samples.size(), 0, 1, channels, *image), 4u);
        std::vector<float> back(samples.size());
        GatherRows(*image, 0, 1, channels, back.data(), back.size());
        EXPECT_EQ(back[0], 0.0f);
        EXPECT_EQ(back[1], 1.0f);
        EXPECT_EQ(back[back.size() - 1], 0.0f);
        EXPECT_EQ(back[back.size() - 2], 1.0f);
        EXPECT_EQ(back[2], 0.5f);
    }
}

TEST(ImageChannels, AnotherKindIsGatheredThroughThePixelWords) {
    auto image = Image::Create(ImageKind::Int16, 2, 1);
    ASSERT_TRUE(image);
    const uint16_t words[8] = {0, 257, 65535, 32768, 1000, 2000, 3000, 65535};
    std::memcpy(image->RowTable[0], words, sizeof words);
    uint8_t bytes[8];
    GatherRows(*image, 0, 1, 4, bytes, 8);
    // 8-bit from 16: (w x 255 + 32767) / 65535; R, G, B, A from words 2, 1, 0, 3.
    const uint8_t expected[8] = {255, 1, 0, 128, 12, 8, 4, 255};
    EXPECT_TRUE(std::equal(bytes, bytes + 8, expected));
    float floats[8];
    GatherRows(*image, 0, 1, 4, floats, 8);
    EXPECT_FLOAT_EQ(floats[0], 1.0f);
    EXPECT_FLOAT_EQ(floats[1], 257.0f / 65535.0f);
}
