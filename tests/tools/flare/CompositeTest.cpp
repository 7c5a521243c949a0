// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "flare/Composite.h"
#include "flare/FlarePlugIn.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vorlings::flare;

namespace {

/// Renders `tool` with `lightMap` on "Lightmap" and `background` (null: none) on
/// "Background(optional)".
std::unique_ptr<Image> RenderFlare(FlarePlugIn& tool, std::shared_ptr<Image> lightMap,
                                   std::shared_ptr<Image> background) {
    Request request(0.0);
    return RenderRequest(tool, request, [&](const Input& in, int, double) {
        return &in == tool.Lightmap ? lightMap : background;
    });
}

/// The image with the two lowest bits of every word cleared, as the tool's 14-bit work gives.
std::shared_ptr<Image> Cleared(const Image& image) {
    return test::MakeImage(image.Kind, image.Width, image.Height, [&](int32_t x, int32_t y) {
        Pixel p = test::At(image, x, y);
        for (auto& w : p.Word) w &= ~3u;
        return p;
    });
}

} // namespace

TEST(FlareComposite, ContrastCurveAtTheDefaultContrast) {
    static int32_t table[kLevels];
    BuildContrastTable(table, 1.35f);
    EXPECT_EQ(table[0], 0);
    EXPECT_EQ(table[1], 12);
    EXPECT_EQ(table[100], 375);
    EXPECT_EQ(table[1000], 2065);
    EXPECT_EQ(table[8192], 9805);
    EXPECT_EQ(table[16383], 16383);
    for (int32_t i = 1; i < kLevels; ++i) ASSERT_GE(table[i], table[i - 1]) << i;
}

TEST(FlareComposite, PlaneLevelsRoundAndStopAtTheTop) {
    EXPECT_EQ(PlaneLevel(0.0f), 0);
    EXPECT_EQ(PlaneLevel(0.49f), 0);
    EXPECT_EQ(PlaneLevel(0.5f), 1);
    EXPECT_EQ(PlaneLevel(16382.6f), 16383);
    EXPECT_EQ(PlaneLevel(20000.0f), 16383);
    EXPECT_EQ(PlaneLevel(1e30f), 16383);
    EXPECT_EQ(PlaneLevel(std::numeric_limits<float>::infinity()), 16383);
}

TEST(FlareComposite, FullPlanesSaturateEveryWord) {
    const auto background = test::RandomImage(6, 4, 9);
    const auto output = Image::Create(ImageKind::Int16, 6, 4);
    auto job = std::make_unique<FlareJob>();
    FillFlareJob(*job, FlareControls(), 6, 4);
    BuildContrastTable(job->ContrastTable, 1.35f);
    std::vector<float> planes(kPlaneStride * 24, 0.0f);
    for (size_t i = 0; i < 24; ++i) planes[kPlaneStride * i] = 20000.0f; // red only
    job->Planes = planes.data();
    job->SourceImage = background.get();
    job->OutputImage = output.get();
    CompositeChunk(*job, {0, 4}, std::atomic<int>{0});
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 6; ++x) {
            const Pixel in = test::At(*background, x, y), out = test::At(*output, x, y);
            EXPECT_EQ(out.Word[2], 65532u);
            EXPECT_EQ(out.Word[1], in.Word[1] & ~3u);
            // Alpha grows by red's share of the level: 77 / 256 of 16383.
            EXPECT_EQ(out.Word[3], std::min(16383u, (in.Word[3] >> 2) + 4927u) << 2);
        }
}

TEST(FlareComposite, BlackLightMapGivesTheBackgroundWithItsLowBitsCleared) {
    FlarePlugIn tool(nullptr, nullptr, nullptr);
    tool.LightmapOnly->NumberValue.Value = 0;
    const auto background = test::RandomImage(23, 17, 4);
    const auto out = RenderFlare(tool, test::Flat(23, 17, 0), background);
    ASSERT_TRUE(out);
    EXPECT_TRUE(test::SamePixels(*out, *Cleared(*background)));

    // No light map connected: the background passes through untouched.
    FlarePlugIn unlit(nullptr, nullptr, nullptr);
    const auto passed = RenderFlare(unlit, nullptr, background);
    ASSERT_TRUE(passed);
    EXPECT_TRUE(test::SamePixels(*passed, *background));
}

TEST(FlareComposite, LightMapOnlyShowsTheThresholdedMapAndFlareAddsOntoTheMap) {
    const auto map = test::MakeImage(ImageKind::Int16, 40, 30, [](int32_t x, int32_t y) {
        return x == 20 && y == 15 ? test::Grey(65535) : test::Grey(20000);
    });
    FlarePlugIn tool(nullptr, nullptr, nullptr);
    const auto shown = RenderFlare(tool, map, nullptr);
    ASSERT_TRUE(shown);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x)
            EXPECT_EQ(test::At(*shown, x, y).Word[1], x == 20 && y == 15 ? 65532u : 0u);

    // Without a background the flare is added onto the light map itself: never darker.
    tool.LightmapOnly->NumberValue.Value = 0;
    tool.PupilAperture->NumberValue.Value = 0.2; // a halo reaching 11 pixels
    tool.DarkFringes->NumberValue.Value = 0;
    const auto flared = RenderFlare(tool, map, nullptr);
    ASSERT_TRUE(flared);
    EXPECT_EQ(test::At(*flared, 20, 15).Word[2], 65532u);
    EXPECT_GT(test::At(*flared, 22, 15).Word[2], 20000u);
    for (int32_t y = 0; y < 30; ++y)
        for (int32_t x = 0; x < 40; ++x)
            EXPECT_GE(test::At(*flared, x, y).Word[0], test::At(*map, x, y).Word[0] & ~3u);
}

TEST(FlareComposite, ContrastCurveIsBuiltOnlyWhenTheContrastChanges) {
    FlarePlugIn tool(nullptr, nullptr, nullptr);
    tool.LightmapOnly->NumberValue.Value = 0;
    const auto map = test::Flat(12, 10, 65535);
    ASSERT_TRUE(RenderFlare(tool, map, nullptr));
    ASSERT_TRUE(tool.Job());
    const StreakDraw first = tool.Job()->RandomStreakTable[17];
    ASSERT_TRUE(RenderFlare(tool, map, nullptr));
    EXPECT_EQ(tool.ContrastBuilds(), 1);
    tool.OverlayContrast->NumberValue.Value = 2.0;
    ASSERT_TRUE(RenderFlare(tool, map, nullptr));
    // Contrast 2 is a square root: half the top level comes out at 0.7071 of it.
    EXPECT_NEAR(tool.Job()->ContrastTable[8192], 11585, 1);
    tool.OverlayContrast->NumberValue.Value = 1.35;
    ASSERT_TRUE(RenderFlare(tool, map, nullptr));
    EXPECT_EQ(tool.ContrastBuilds(), 3);
    EXPECT_EQ(tool.Job()->ContrastTable[8192], 9805);
    // The streak table is drawn once per tool: later renders keep it.
    EXPECT_EQ(tool.Job()->RandomStreakTable[17].Angle, first.Angle);
    EXPECT_EQ(tool.Job()->RandomStreakTable[17].Factor, first.Factor);
    EXPECT_GT(first.Angle + first.Factor, 0.0f);
}

TEST(FlareComposite, SizeMismatchDrawsTheDiagonalBand) {
    FlarePlugIn tool(nullptr, nullptr, nullptr);
    tool.LightmapOnly->NumberValue.Value = 0;
    const auto out = RenderFlare(tool, test::Flat(30, 20, 65535), test::Flat(64, 24, 100));
    ASSERT_TRUE(out);
    ASSERT_EQ(out->Width, 64);
    const Pixel grey{{15360, 15360, 15360, 15360}}, band{{15360, 15360, 65535, 65535}};
    for (int32_t y = 0; y < 24; ++y) {
        int32_t first = -1, last = -1;
        for (int32_t x = 0; x < 64; ++x) {
            const Pixel p = test::At(*out, x, y);
            const bool inBand = p.Word[2] == 65535;
            for (int c = 0; c < 4; ++c)
                ASSERT_EQ(p.Word[c], (inBand ? band : grey).Word[c]) << x << ", " << y;
            if (inBand) {
                if (first < 0) first = x;
                last = x;
            }
        }
        // A band 20 wide centred on the diagonal, cut by the frame's sides.
        const double centre = y * 64.0 / 24.0;
        EXPECT_NEAR(first, std::max(0.0, centre - 10), 1.0) << y;
        EXPECT_NEAR(last, std::min(63.0, centre + 9), 1.0) << y;
    }
    EXPECT_EQ(test::At(*out, 0, 0).Word[2], 65535u);
    EXPECT_EQ(test::At(*out, 63, 23).Word[2], 65535u);
}
