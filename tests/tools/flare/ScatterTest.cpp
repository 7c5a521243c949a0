// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "flare/FlareSetup.h"
#include "flare/Scatter.h"
#include "host/System.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vorlings::flare;
using vorlings::frame::ChunkRange;
using vorlings::frame::ChunkSplit;

namespace {

/// A job over `work` with its kernels and planes built from `controls`.
struct ScatterFixture {
    std::unique_ptr<FlareJob> Job = std::make_unique<FlareJob>();
    FlareTables Tables;
    std::shared_ptr<Image> Work;

    ScatterFixture(std::shared_ptr<Image> work, const FlareControls& controls) : Work(work) {
        FillFlareJob(*Job, controls, work->Width, work->Height);
        Job->PixelAspect = 1.0f;
        Job->WorkImage = work.get();
        crt::srand(11);
        EXPECT_TRUE(BuildKernels(*Job, Tables));
        DrawStreakTable(Job->RandomStreakTable);
    }

    /// The three planes after scattering in `chunks` chunks with `adder`, one after another.
    std::vector<float> Planes(int chunks, RowAdder adder) {
        EXPECT_TRUE(AllocatePlanes(*Job, Tables));
        Job->Adder = adder;
        const ChunkSplit split = ChunkSplit::For(Job->Width, Job->Height, chunks);
        const std::atomic<int> running{0};
        for (int c = 0; c < chunks; ++c) ScatterChunk(*Job, split.Rows(c), running);
        const size_t n = size_t(Job->Width) * size_t(Job->Height);
        std::vector<float> all(3 * n);
        for (size_t c = 0; c < 3; ++c)
            for (size_t i = 0; i < n; ++i) all[c * n + i] = Job->Planes[kPlaneStride * i + c];
        return all;
    }
};

bool SameBits(const std::vector<float>& a, const std::vector<float>& b) {
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(float)) == 0;
}

/// Light pixels at the corners, on the edges and inside a 41 x 37 frame.
std::shared_ptr<Image> ScatteredLights() {
    return test::MakeImage(ImageKind::Int16, 41, 37, [](int32_t x, int32_t y) {
        const bool lit = (x == 0 && y == 0) || (x == 40 && y == 36) || (x == 20 && y == 1) ||
                         (x == 7 && y == 18) || (x == 33 && y == 25) || (x == 21 && y == 19);
        return lit ? Pixel{{uint32_t(4 * (x * 400 % 16384)), 40000, 65532, 65532}} : test::Grey(0);
    });
}

} // namespace

TEST(FlareScatter, PlanesAreTheSameForOneAndEightChunksAndEveryRowAdder) {
    FlareControls controls;
    controls.StreakLength = 0.5f; // streaks across many chunks, steep and shallow
    controls.StreakCount = 40;
    controls.GlowRadius = 12.0f;
    controls.Aperture = 0.1f; // a halo of radius 23, wider than the 41 columns
    ScatterFixture fixture(ScatteredLights(), controls);
    const std::vector<float> one = fixture.Planes(1, RowAdder::Plain);
    for (int chunks : {2, 8, 37, 50})
        EXPECT_TRUE(SameBits(fixture.Planes(chunks, RowAdder::Plain), one)) << chunks;
    EXPECT_TRUE(SameBits(fixture.Planes(8, MachineRowAdder()), one));
    double total = 0.0;
    for (float v : one) {
        EXPECT_GE(v, 0.0f);
        total += v;
    }
    EXPECT_GT(total, 0.0);
}

TEST(FlareScatter, VectorRowsAddExactlyAsThePlainLoop) {
    std::vector<float> cells(4 * 53), start(4 * 53);
    for (size_t i = 0; i < cells.size(); ++i) {
        cells[i] = i % 4 == 3 ? 0.0f : 1.0f / float(i + 3);
        start[i] = float(i) * 0.37f;
    }
    for (RowAdder adder : {RowAdder::Avx2, MachineRowAdder()})
        for (int32_t count : {0, 1, 2, 3, 4, 5, 7, 8, 15, 16, 17, 53}) {
            std::vector<float> p = start, v = start;
            AddKernelRow(p.data(), cells.data(), 16383.0f, 3.0f, 77.0f, count, RowAdder::Plain);
            AddKernelRow(v.data(), cells.data(), 16383.0f, 3.0f, 77.0f, count, adder);
            EXPECT_TRUE(SameBits(p, v)) << count;
            // Each channel's product is added to its own value of each pixel.
            if (count > 0) {
                EXPECT_EQ(p[1], start[1] + 3.0f * cells[1]);
            }
            if (count < 53) {
                EXPECT_EQ(p[size_t(4 * count)], start[size_t(4 * count)]) << "beyond the row";
            }
        }
}

TEST(FlareScatter, OneRedLightAddsOnlyToRed) {
    FlareControls controls;
    controls.StreakCount = 0;
    controls.DarkFringes = 0;
    controls.Aperture = 0.2f; // a halo of 9 samples on 30 columns
    const auto work = test::MakeImage(ImageKind::Int16, 30, 20, [](int32_t x, int32_t y) {
        return x == 12 && y == 9 ? Pixel{{0, 0, 65532, 65532}} : test::Grey(0);
    });
    ScatterFixture fixture(work, controls);
    const std::vector<float> planes = fixture.Planes(3, RowAdder::Plain);
    const size_t n = 30 * 20;
    for (size_t i = n; i < 3 * n; ++i) ASSERT_EQ(planes[i], 0.0f);
    // At the light: the halo's centre cell, then the glow's, each times the light's 16383.
    const FlareKernel& halo = *fixture.Tables.Halo;
    const GlowKernel& glow = *fixture.Tables.Glow;
    const float haloCentre = halo.Data[size_t(halo.Count) * size_t(halo.Side() + 1)].Red;
    const float glowCentre = glow.Weights[size_t(glow.Radius) * size_t(glow.Side() + 1)];
    EXPECT_EQ(haloCentre, fixture.Job->HaloStrength);
    EXPECT_EQ(planes[9 * 30 + 12], 0.0f + 16383.0f * haloCentre + 16383.0f * glowCentre);
}

TEST(FlareScatter, StreakPointingRightCoversItsRowAndFadesAtItsEnd) {
    std::optional<FlareKernel> profile = BuildDiffractionProfile(1.0f, 1.2f, 2, 0.07f, 8, 1.0f);
    ASSERT_TRUE(profile);
    std::vector<float> values(kPlaneStride * 20 * 10);
    const PlaneRows planes{values.data(), 20, 10, {0, 10}};
    const auto red = [&](int32_t at) { return values[size_t(kPlaneStride * at)]; };
    DrawStreak(planes, 10, 5, *profile, StreakDraw{0.0f, 0.0f}, 0, 800, 0, 0, 0.0f, 4, 1.0f);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 20; ++x) {
            const float v = red(y * 20 + x);
            if (y == 5 && x >= 10 && x < 14)
                EXPECT_EQ(v, profile->Data[size_t(x - 10)].Red * 100.0f) << x;
            else
                EXPECT_EQ(v, 0.0f) << x << ", " << y;
        }
    // The other side points left; in a chunk without row 5 nothing is added.
    const PlaneRows above{values.data(), 20, 10, {0, 5}};
    DrawStreak(above, 10, 5, *profile, StreakDraw{0.0f, 0.0f}, 1, 800, 0, 0, 0.0f, 4, 1.0f);
    EXPECT_EQ(red(5 * 20 + 8), 0.0f);
    DrawStreak(planes, 10, 5, *profile, StreakDraw{0.0f, 0.0f}, 1, 800, 0, 0, 0.0f, 4, 1.0f);
    EXPECT_EQ(red(5 * 20 + 8), profile->Data[2].Red * 100.0f);
    EXPECT_EQ(red(5 * 20 + 6), 0.0f);
}
