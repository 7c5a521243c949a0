// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "clean/CleanPlugIn.h"
#include "clean/CleanRows.h"
#include "clean/MedianHistogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

using namespace vorlings::clean;

namespace {

// The median bin of `values` the slow, obviously right way: count, then walk up.
int32_t MedianBinOf(const uint32_t* values, int32_t count) {
    static thread_local uint32_t bins[kFineBins];
    std::memset(bins, 0, sizeof bins);
    for (int32_t i = 0; i < count; ++i) ++bins[values[i] >> 2];
    int32_t total = 0;
    for (int32_t m = 0; m < kFineBins; ++m) {
        total += int32_t(bins[m]);
        if (total > count / 2) return m;
    }
    return kFineBins - 1;
}

// The (n/2 + 1)-th smallest fine bin of each channel over the window clipped to the image,
// times 4: the obviously right answer, one window at a time.
Pixel ReferenceMedian(const Image& in, int32_t x, int32_t y, int32_t hw, int32_t hh) {
    Pixel result;
    for (int c = 0; c < 4; ++c) {
        std::vector<uint32_t> values;
        for (int32_t r = y - hh; r <= y + hh; ++r)
            for (int32_t col = x - hw; col <= x + hw; ++col)
                if (r >= 0 && r < in.Height && col >= 0 && col < in.Width)
                    values.push_back(test::At(in, col, r).Word[c] >> 2);
        std::sort(values.begin(), values.end());
        result.Word[c] = values[values.size() / 2] * 4;
    }
    return result;
}

std::unique_ptr<Image> RenderClean(std::shared_ptr<Image> input, double filterSize) {
    CleanPlugIn tool(nullptr, nullptr, nullptr);
    tool.FilterSize->NumberValue.Value = filterSize;
    return test::Render(tool, std::move(input));
}

// "Filter Size" giving half width `half` on an image `width` pixels wide.
double SizeFor(int32_t half, int32_t width) {
    return (half + 0.5) / width;
}

// Renders `in` at `filterSize` and compares with the reference for an hw x hh half window,
// written back in the input's kind as the tool's output is.
void ExpectMatchesReference(const std::shared_ptr<Image>& in, double filterSize, int32_t hw,
                            int32_t hh) {
    const auto out = RenderClean(in, filterSize);
    ASSERT_TRUE(out);
    const auto want = test::MakeImage(in->Kind, in->Width, in->Height, [&](int32_t x, int32_t y) {
        return ReferenceMedian(*in, x, y, hw, hh);
    });
    EXPECT_TRUE(test::SamePixels(*out, *want))
        << in->Width << " x " << in->Height << ", window " << hw << " x " << hh;
}

} // namespace

TEST(CleanMedian, MatchesTheSlowMedianOnTinyAndOddSizesAndEveryKind) {
    const int32_t sizes[][2] = {{1, 1}, {3, 1}, {1, 4}, {5, 7}, {8, 3}, {13, 11}};
    uint32_t seed = 1;
    for (auto [w, h] : sizes)
        for (int32_t half : {1, 2, 3, 6, 20})
            ExpectMatchesReference(test::RandomImage(w, h, seed++), SizeFor(half, w), half, half);
    // Other kinds are read and written through their own pixel routines.
    for (ImageKind kind : {ImageKind::Int8, ImageKind::Float})
        ExpectMatchesReference(test::RandomImage(9, 6, 7, kind), SizeFor(2, 9), 2, 2);
}

TEST(CleanMedian, PixelAspectShrinksTheWindowHeight) {
    auto in = test::RandomImage(17, 9, 99);
    in->PixelAspect = 2.0; // half width 5 -> half height 2
    ExpectMatchesReference(in, SizeFor(5, 17), 5, 2);

    // Clustered values (few distinct bins) exercise the walks between neighbouring medians.
    std::mt19937 rng(5);
    auto banded = test::MakeImage(ImageKind::Int16, 40, 12, [&](int32_t x, int32_t) {
        const uint32_t base = x < 20 ? 1000 : 64000;
        Pixel p;
        for (auto& word : p.Word) word = base + (rng() % 3) * 520;
        return p;
    });
    ExpectMatchesReference(banded, SizeFor(3, 40), 3, 3);
}

TEST(CleanWorkedCases, ZeroHalfSizesCopyTheInputExactly) {
    auto in = test::RandomImage(12, 8, 3);
    EXPECT_TRUE(test::SamePixels(*in, *RenderClean(in, 0.0)));
    EXPECT_TRUE(test::SamePixels(*in, *RenderClean(in, -0.5)));
    EXPECT_TRUE(test::SamePixels(*in, *RenderClean(in, 0.9 / 12))); // half width 0
    in->PixelAspect = 1.5;                                          // half width 1, height 0
    EXPECT_TRUE(test::SamePixels(*in, *RenderClean(in, SizeFor(1, 12))));
}

TEST(CleanWorkedCases, ASpeckVanishesAndFlatAreasQuantise) {
    auto in = test::MakeImage(ImageKind::Int16, 9, 9, [](int32_t x, int32_t y) {
        return test::Grey(x == 4 && y == 4 ? 65535 : 1002);
    });
    EXPECT_TRUE(test::SamePixels(*RenderClean(in, SizeFor(1, 9)), *test::Flat(9, 9, 1000)));
    auto flat = test::Flat(4, 4, 1000);
    EXPECT_TRUE(test::SamePixels(*flat, *RenderClean(flat, SizeFor(1, 4))));
    auto white = test::Flat(3, 3, 65535);
    EXPECT_EQ(test::At(*RenderClean(white, SizeFor(1, 3)), 1, 1).Word[3], 65532u);
}

TEST(CleanWorkedCases, ACornerWindowOfFourTakesTheThirdSmallest) {
    // Corner (0, 0) with a 3 x 3 window holds (0,0), (1,0), (0,1), (1,1).
    const uint32_t corner[2][2] = {{4000, 800}, {2400, 12000}};
    auto in = test::MakeImage(ImageKind::Int16, 5, 5, [&](int32_t x, int32_t y) {
        return test::Grey(x < 2 && y < 2 ? corner[y][x] : 0);
    });
    const Pixel p = test::At(*RenderClean(in, SizeFor(1, 5)), 0, 0);
    for (uint32_t w : p.Word) EXPECT_EQ(w, 4000u);
}

TEST(CleanLargeWindows, SixtyFiveThousandPixelsDoNotWrapTheCounters) {
    // Every window covers the whole 260 x 260 frame (67600 pixels), so every output pixel is
    // the frame's median. 70% of the pixels share one bin: a 16-bit counter would wrap.
    std::mt19937 rng(21);
    auto in = test::MakeImage(ImageKind::Int16, 260, 260, [&](int32_t, int32_t) {
        Pixel p;
        for (auto& w : p.Word) w = rng() % 10 < 7 ? 1000 : 40000 + rng() % 20000;
        return p;
    });
    auto out = RenderClean(in, SizeFor(259, 260));
    for (int c = 0; c < 4; ++c) {
        std::vector<uint32_t> all;
        for (int32_t y = 0; y < 260; ++y)
            for (int32_t x = 0; x < 260; ++x) all.push_back(test::At(*in, x, y).Word[c] >> 2);
        std::sort(all.begin(), all.end());
        const uint32_t median = all[all.size() / 2] * 4;
        EXPECT_EQ(median, 1000u);
        for (int32_t y = 0; y < 260; y += 37)
            for (int32_t x = 0; x < 260; x += 29) ASSERT_EQ(test::At(*out, x, y).Word[c], median);
    }
}

TEST(CleanAbort, AChunkStartedAfterTheFlagWritesNothing) {
    auto in = test::RandomImage(16, 16, 4);
    auto out = Image::Create(ImageKind::Int16, 16, 16);
    const CleanJob job = MakeCleanJob(SizeFor(1, 16), *in, *out);
    std::atomic<int> flag{1};
    CleanRows(job, {0, 16}, flag);
    EXPECT_TRUE(test::SamePixels(*out, *Image::Create(ImageKind::Int16, 16, 16)));
    flag = 0;
    CleanRows(job, {0, 16}, flag);
    EXPECT_FALSE(test::SamePixels(*out, *Image::Create(ImageKind::Int16, 16, 16)));
}

TEST(CleanAbort, AFlagSetWhileTheChunksRunHandsOverNothingOrTheWholeImage) {
    auto big = test::RandomImage(800, 600, 6);
    CleanPlugIn tool(nullptr, nullptr, nullptr);
    tool.FilterSize->NumberValue.Value = SizeFor(12, 800);
    test::ChunkEnv env("64");
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        tool.AbortFlag = 1;
    });
    auto out = test::Render(tool, big);
    stopper.join();
    // The flag was set either during the render (no image) or after it finished (the
    // complete image); both are sound, a partial hand-over is not.
    if (out) {
        EXPECT_TRUE(test::SamePixels(*out, *RenderClean(big, SizeFor(12, 800))));
    }
}

TEST(MedianHistogram, SlidingMedianMatchesAFreshCount) {
    // Add and remove values in a random walk, asking for the median after every step.
    std::mt19937 rng(3);
    MedianHistogram<uint16_t> h;
    h.Clear();
    std::vector<uint32_t> held;
    for (int step = 0; step < 4000; ++step) {
        const bool add = held.size() < 3 || (held.size() < 200 && rng() % 2);
        if (add) {
            const uint32_t v = rng() % 4 ? 30000 + rng() % 3000 : rng() % 65536;
            held.push_back(v);
            h.Add(v);
        } else {
            const size_t i = rng() % held.size();
            h.Remove(held[i]);
            held.erase(held.begin() + long(i));
        }
        const int32_t n = int32_t(held.size());
        ASSERT_EQ(h.MedianBin(n / 2), MedianBinOf(held.data(), n)) << "step " << step;
    }
}
