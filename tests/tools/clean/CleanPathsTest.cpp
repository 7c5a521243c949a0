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

// Clean's words for `in` with half width `hw` on the path asked for, in three chunks.
std::unique_ptr<Image> RenderOn(CleanPath path, const Image& in, int32_t hw) {
    auto out = Image::Create(in.Kind, in.Width, in.Height);
    CleanJob job = MakeCleanJob((hw + 0.5) / in.Width, in, *out, path);
    EXPECT_EQ(job.Path, path);
    job.Split = vorlings::frame::ChunkSplit::For(in.Width, in.Height, 3);
    const std::atomic<int> go{0};
    for (int c = 0; c < 3; ++c) CleanRows(job, job.Split.Rows(c), go);
    return out;
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
    std::mt19937 rng(8);
    uint32_t seed = 40;
    for (auto [w, h] : sizes)
        for (ImageKind kind : {ImageKind::Int16, ImageKind::Int8, ImageKind::Float}) {
            // Pure noise, flat areas with specks, and a few clustered values (many ties).
            const std::shared_ptr<Image> pictures[] = {
                test::RandomImage(w, h, seed++, kind),
                test::MakeImage(
                    kind, w, h,
                    [&](int32_t, int32_t) { return test::Grey(rng() % 17 == 0 ? 65535 : 1002); }),
                test::MakeImage(kind, w, h, [&](int32_t, int32_t) {
                    Pixel p;
                    for (auto& word : p.Word) word = 30000 + rng() % 3 * 3;
                    return p;
                })};
            // Half sizes 1 x 1, 2 x 2, and through the pixel aspect 2 x 1 and 1 x 2.
            const std::tuple<int32_t, double> windows[] = {{1, 1.0}, {2, 1.0}, {2, 1.5}, {1, 0.5}};
            for (const auto& in : pictures)
                for (auto [hw, aspect] : windows) {
                    in->PixelAspect = aspect;
                    EXPECT_TRUE(test::SamePixels(*RenderOn(CleanPath::Network, *in, hw),
                                                 *RenderOn(CleanPath::Histogram, *in, hw)))
                        << w << " x " << h << ", half width " << hw << ", aspect " << aspect;
                }
        }
}
