// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "flare/FlareJob.h"
#include "flare/LightMap.h"

#include <gtest/gtest.h>

using namespace vorlings::flare;

namespace {

Pixel Light(uint32_t b, uint32_t g, uint32_t r) {
    return Pixel{{b, g, r, 1234}};
}

/// The work image that PrepareLightMap makes of `source` with `controls`.
std::shared_ptr<Image> LightMapOf(const std::shared_ptr<Image>& source,
                                  const FlareControls& controls) {
    auto job = std::make_unique<FlareJob>();
    FillFlareJob(*job, controls, source->Width, source->Height);
    std::shared_ptr<Image> work = Image::Create(source->Kind, source->Width, source->Height);
    std::shared_ptr<Image> scratch = Image::Create(source->Kind, source->Width, source->Height);
    job->SourceImage = source.get();
    job->WorkImage = work.get();
    job->OutputImage = scratch.get();
    PrepareLightMap(*job);
    return work;
}

} // namespace

TEST(FlareJobRecord, DerivedValuesAndRegionOfA720By576Frame) {
    FlareControls controls;
    auto job = std::make_unique<FlareJob>();
    FillFlareJob(*job, controls, 720, 576);
    EXPECT_EQ(job->X0, 18);
    EXPECT_EQ(job->X1, 702);
    EXPECT_EQ(job->Y0, 14);
    EXPECT_EQ(job->Y1, 561);
    EXPECT_EQ(job->LowThreshold, 14745);
    EXPECT_EQ(job->HighThreshold, 16383);
    EXPECT_EQ(job->StreakCount, 10);
    EXPECT_EQ(job->StreakLength, 72.0f);
    EXPECT_EQ(job->HaloStrength, 1.0f);
    EXPECT_FLOAT_EQ(job->GlowRadius, 7.2f);
    EXPECT_EQ(job->ReflectionsPlusOne, 1);
    EXPECT_EQ(job->ReflectionShift, 1.0f);
    EXPECT_EQ(job->LightmapOnly, 1);
    EXPECT_EQ(job->PointColumn, 432);
    EXPECT_EQ(job->PointRow, 345);
    EXPECT_EQ(job->PointRed, 16383);

    // An empty region sits on its centre; a region given upside down is put right.
    controls.RegionWidth = controls.RegionHeight = 0.0f;
    FillFlareJob(*job, controls, 720, 576);
    EXPECT_EQ(job->X0, 360);
    EXPECT_EQ(job->X1, 360);
    EXPECT_EQ(job->Y0, 288);
    EXPECT_EQ(job->Y1, 288);
    controls.RegionWidth = -0.5f;
    FillFlareJob(*job, controls, 720, 576);
    EXPECT_EQ(job->X0, 180);
    EXPECT_EQ(job->X1, 540);
}

TEST(FlareLightMap, ThresholdsKeepPixelsWhoseMeanLiesBetweenThem) {
    const auto source = test::MakeImage(ImageKind::Int16, 5, 3, [](int32_t x, int32_t) {
        const uint32_t levels[5] = {65535, 58980, 58976, 40000, 0};
        return Light(levels[x], levels[x], levels[x]);
    });
    FlareControls controls;
    controls.RegionWidth = controls.RegionHeight = 10.0f; // all of it
    const auto work = LightMapOf(source, controls);
    // Full white becomes the 14-bit top in every word, its mean in alpha.
    for (int c = 0; c < 4; ++c) EXPECT_EQ(test::At(*work, 0, 1).Word[c], 65532u) << c;
    // 58980 >> 2 = 14745 is the low threshold's level; one level below it is dark.
    EXPECT_EQ(test::At(*work, 1, 1).Word[3], 14745u * 4);
    EXPECT_EQ(test::At(*work, 2, 1).Word[3], 0u);
    EXPECT_EQ(test::At(*work, 3, 1).Word[2], 0u);

    // Low above high: only the low threshold's level passes.
    controls.LowThreshold = 100.0f;
    controls.HighThreshold = 90.0f;
    const auto raised = LightMapOf(source, controls);
    EXPECT_EQ(test::At(*raised, 0, 1).Word[0], 65532u);
    EXPECT_EQ(test::At(*raised, 1, 1).Word[0], 0u);
}

TEST(FlareLightMap, RegionBordersAreOutside) {
    const auto source = test::Flat(9, 7, 65535);
    FlareControls controls;
    auto job = std::make_unique<FlareJob>();
    controls.RegionWidth = 4.0f / 9.0f;
    controls.RegionHeight = 4.0f / 7.0f;
    FillFlareJob(*job, controls, 9, 7);
    const auto work = LightMapOf(source, controls);
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 9; ++x) {
            const bool inside = job->X0 < x && x < job->X1 && job->Y0 < y && y < job->Y1;
            EXPECT_EQ(test::At(*work, x, y).Word[1], inside ? 65532u : 0u) << x << ", " << y;
        }
    EXPECT_EQ(job->X1 - job->X0, 4);
}

TEST(FlareLightMap, PointModeLightsOnePixelWhateverTheMapHolds) {
    const auto source = test::RandomImage(10, 10, 5);
    FlareControls controls;
    controls.UsePoint = 1;
    const auto work = LightMapOf(source, controls);
    for (int32_t y = 0; y < 10; ++y)
        for (int32_t x = 0; x < 10; ++x) {
            const uint32_t expected = x == 6 && y == 6 ? 65532u : 0u;
            for (int c = 0; c < 4; ++c) EXPECT_EQ(test::At(*work, x, y).Word[c], expected);
        }
    // A point beyond the frame lights nothing and writes nowhere.
    controls.PointX = 1.5f;
    controls.PointY = -0.2f;
    EXPECT_TRUE(test::SamePixels(*LightMapOf(source, controls), *test::Flat(10, 10, 0)));
}

TEST(FlareLightMap, OneReflectionMirrorsThroughTheCentre) {
    const auto source = test::MakeImage(ImageKind::Int16, 101, 11, [](int32_t x, int32_t y) {
        return x == 20 && y == 5 ? Light(40000, 40000, 40000) : Light(0, 0, 0);
    });
    FlareControls controls;
    controls.LowThreshold = 0.5f;
    controls.Reflections = 1.0f;
    controls.Reflectivity = 100.0f;
    const auto work = LightMapOf(source, controls);
    // Column 20 lies 30 left of the centre column 50: its ghost lies 30 right, at 80,
    // with half the level.
    const Pixel ghost = test::At(*work, 80, 5);
    EXPECT_EQ(ghost.Word[0] >> 2, 10000u / 2);
    EXPECT_EQ(ghost.Word[3] >> 2, 10000u / 2);
    int lit = 0;
    for (int32_t y = 0; y < 11; ++y)
        for (int32_t x = 0; x < 101; ++x) lit += test::At(*work, x, y).Word[1] != 0;
    EXPECT_EQ(lit, 2);

    // No reflectivity, or no reflections: no ghost.
    controls.Reflectivity = 0.0f;
    EXPECT_EQ(test::At(*LightMapOf(source, controls), 80, 5).Word[0], 0u);
    controls.Reflectivity = 100.0f;
    controls.Reflections = 0.0f;
    EXPECT_EQ(test::At(*LightMapOf(source, controls), 80, 5).Word[0], 0u);
}
