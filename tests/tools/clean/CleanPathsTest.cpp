// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "clean/CleanJob.h"
#include "clean/CleanRows.h"
#include "clean/SelectionNetwork.h"
#include "frame/CpuFeatures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

using namespace vorlings::clean;

namespace {

// Runs a network over plain values.
void RunNetwork(const SelectionNetwork& network, std::vector<uint32_t>& values) {
    for (int e = 0; e < network.Count; ++e) {
        const Exchange x = network.Exchanges[size_t(e)];
        if (values[x.Low] > values[x.High]) std::swap(values[x.Low], values[x.High]);
    }
}

// Clean's words for `in` with half width `hw` on the path asked for, in `chunks` chunks, with
// or without the vector sums.
std::unique_ptr<Image> RenderOn(CleanPath path, const Image& in, int32_t hw, int chunks = 3,
                                bool vector = true) {
    auto out = Image::Create(in.Kind, in.Width, in.Height);
    CleanJob job = MakeCleanJob((hw + 0.5) / in.Width, in, *out, path, vector);
    EXPECT_EQ(job.Path, path);
    job.Split = vorlings::frame::ChunkSplit::For(in.Width, in.Height, chunks);
    const std::atomic<int> go{0};
    for (int c = 0; c < chunks; ++c) CleanRows(job, job.Split.Rows(c), go);
    return out;
}

// Pure noise, flat areas with specks, a few clustered values (many ties) and a smooth ramp
// with a little noise (neighbouring medians close together), of `kind`.
std::vector<std::shared_ptr<Image>> Pictures(int32_t w, int32_t h, ImageKind kind, uint32_t seed) {
    std::mt19937 rng(seed);
    return {test::RandomImage(w, h, seed, kind),
            test::MakeImage(
                kind, w, h,
                [&](int32_t, int32_t) { return test::Grey(rng() % 17 == 0 ? 65535 : 1002); }),
            test::MakeImage(kind, w, h,
                            [&](int32_t, int32_t) {
                                Pixel p;
                                for (auto& word : p.Word) word = 30000 + rng() % 3 * 3;
                                return p;
                            }),
            test::MakeImage(kind, w, h, [&](int32_t x, int32_t y) {
                Pixel p;
                for (auto& word : p.Word) word = uint32_t(x * 700 + y * 300) % 60000 + rng() % 64;
                return p;
            })};
}

// The vector sums where the machine has them, and the plain ones everywhere.
std::vector<bool> SumKinds() {
    if (vorlings::frame::MachineFeatures().Avx2) return {true, false};
    return {false};
}

} // namespace

TEST(SelectionNetwork, LeavesTheMiddleValueInTheMiddle) {
    // A network selects for every input when it selects for every input of zeros and ones; for
    // the largest windows, random values stand in for the 2^n cases.
    std::mt19937 rng(3);
    for (int n = 1; n <= 49; ++n) {
        const SelectionNetwork network = MakeSelectionNetwork(n, n / 2);
        const bool everyCase = n <= 15;
        const uint32_t cases = everyCase ? 1u << n : 3000;
        for (uint32_t bits = 0; bits < cases; ++bits) {
            std::vector<uint32_t> values(static_cast<size_t>(n));
            for (int i = 0; i < n; ++i)
                values[size_t(i)] = everyCase ? bits >> i & 1 : rng() % (1 + bits % 70);
            std::vector<uint32_t> sorted = values;
            std::sort(sorted.begin(), sorted.end());
            RunNetwork(network, values);
            ASSERT_EQ(values[size_t(n / 2)], sorted[size_t(n / 2)])
                << n << " values, case " << bits;
        }
    }
    // Cut down from the whole sort: a 5 x 5 window needs far fewer than 25 x 24 / 2 exchanges.
    EXPECT_LT(kMedianNetwork<25>.Count, 120);
}

TEST(CleanPaths, EveryPathGivesTheHistogramWalksWords) {
    if (!vorlings::frame::MachineFeatures().Avx2) GTEST_SKIP() << "no AVX2 on this machine";
    const int32_t sizes[][2] = {{37, 23}, {6, 5}, {5, 6}, {9, 2}, {70, 3}, {40, 1}, {16, 16}};
    uint32_t seed = 40;
    for (auto [w, h] : sizes)
        for (ImageKind kind : {ImageKind::Int16, ImageKind::Int8, ImageKind::Float}) {
            // Half sizes 1 x 1, 2 x 2, and through the pixel aspect 2 x 1 and 1 x 2.
            const std::tuple<int32_t, double> windows[] = {{1, 1.0}, {2, 1.0}, {2, 1.5}, {1, 0.5}};
            for (const auto& in : Pictures(w, h, kind, seed++))
                for (auto [hw, aspect] : windows) {
                    in->PixelAspect = aspect;
                    const auto walk = RenderOn(CleanPath::Histogram, *in, hw);
                    // The widest unit the machine has, and AVX2.
                    for (bool wide : {true, false})
                        EXPECT_TRUE(test::SamePixels(
                            *RenderOn(CleanPath::Network, *in, hw, 3, wide), *walk))
                            << w << " x " << h << ", half width " << hw << ", aspect " << aspect
                            << (wide ? ", widest unit" : ", AVX2");
                }
        }
}

TEST(CleanPaths, ColumnHistogramsGiveTheHistogramWalksWords) {
    // Odd sizes, a picture one pixel wide, windows wider and higher than the picture.
    const int32_t sizes[][2] = {{37, 23}, {9, 40}, {70, 5}, {1, 19}, {61, 64}};
    // Half sizes 3 x 3 (7 x 7, the smallest served), 4 x 8 through the pixel aspect, 11 x 11
    // and 40 x 40.
    const std::tuple<int32_t, double> windows[] = {{3, 1.0}, {4, 0.5}, {11, 1.0}, {40, 1.0}};
    int run = 0;
    uint32_t seed = 90;
    for (auto [w, h] : sizes)
        for (ImageKind kind : {ImageKind::Int16, ImageKind::Int8, ImageKind::Float})
            for (const auto& in : Pictures(w, h, kind, seed++))
                for (auto [hw, aspect] : windows) {
                    in->PixelAspect = aspect;
                    const auto walk = RenderOn(CleanPath::Histogram, *in, hw);
                    for (bool vector : SumKinds()) {
                        const int chunks = 1 + 3 * (run++ % 3); // 1, 4 and 7 chunks
                        EXPECT_TRUE(test::SamePixels(
                            *RenderOn(CleanPath::Columns, *in, hw, chunks, vector), *walk))
                            << w << " x " << h << ", half width " << hw << ", aspect " << aspect
                            << ", " << chunks << " chunks, vector " << vector;
                    }
                }
}

TEST(CleanPaths, ColumnHistogramsCountPastSixteenBits) {
    // A 257 x 257 window holds up to 66049 pixels: the bins are 32 bits wide. The picture is
    // smaller than the window, so every window is clipped on some side.
    for (const auto& in : Pictures(150, 140, ImageKind::Int16, 7)) {
        const auto walk = RenderOn(CleanPath::Histogram, *in, 128, 2);
        for (bool vector : SumKinds())
            EXPECT_TRUE(test::SamePixels(*RenderOn(CleanPath::Columns, *in, 128, 3, vector), *walk))
                << "vector " << vector;
    }
}
