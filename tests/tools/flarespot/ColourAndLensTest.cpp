// SPDX-License-Identifier: Apache-2.0
// FlareSpot's colour conversions, lens tables and tracing.
#include "flarespot/FlareSpotJob.h"
#include "flarespot/HsvColour.h"
#include "flarespot/LensModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

using namespace vorlings::flarespot;

TEST(FlareSpotColour, GreysHaveNoHueAndNoSaturation) {
    for (int32_t v : {0, 1, 4000, 16383}) {
        const Hsv14 hsv = RgbToHsv14(v, v, v);
        EXPECT_EQ(hsv.Hue, 0) << v;
        EXPECT_EQ(hsv.Saturation, 0) << v;
        EXPECT_EQ(hsv.Value, v);
        // And back: a grey of any value stays grey, within the float factor's last unit.
        const Rgb14 rgb = HsvToRgb14(0, 0, v);
        for (int32_t c : {rgb.Red, rgb.Green, rgb.Blue}) EXPECT_NEAR(c, v, 1) << v;
    }
}

TEST(FlareSpotColour, PureRedIsHueZeroFullySaturated) {
    const Hsv14 hsv = RgbToHsv14(16383, 0, 0);
    EXPECT_EQ(hsv.Hue, 0);
    EXPECT_EQ(hsv.Saturation, 16383);
    EXPECT_EQ(hsv.Value, 16383);
    const Rgb14 rgb = HsvToRgb14(0, 16383, 16383);
    EXPECT_EQ(rgb.Red, 16383);
    EXPECT_LE(rgb.Green, 1);
    EXPECT_EQ(rgb.Blue, 0);
    // Green and blue sit a third and two thirds of the way round.
    EXPECT_NEAR(RgbToHsv14(0, 16383, 0).Hue, 16384 / 3, 2);
    EXPECT_NEAR(RgbToHsv14(0, 0, 16383).Hue, 2 * 16384 / 3, 2);
}

TEST(FlareSpotColour, ARoundTripOverAGridOfColoursStaysWithinEightUnits) {
    // The hue keeps 16383 steps per turn and the interpolated components pass a float
    // factor: a few units of the 14-bit scale are lost at most.
    for (int32_t r = 0; r <= 16383; r += 1489)
        for (int32_t g = 0; g <= 16383; g += 1733)
            for (int32_t b = 0; b <= 16383; b += 2011) {
                const Hsv14 hsv = RgbToHsv14(r, g, b);
                const Rgb14 back = HsvToRgb14(hsv.Hue, hsv.Saturation, hsv.Value);
                EXPECT_NEAR(back.Red, r, 8) << r << " " << g << " " << b;
                EXPECT_NEAR(back.Green, g, 8) << r << " " << g << " " << b;
                EXPECT_NEAR(back.Blue, b, 8) << r << " " << g << " " << b;
            }
}

TEST(FlareSpotColour, TheLastHueIsHueZeroAndControlColoursGiveTheirHue) {
    for (int32_t s : {0, 8000, 16383}) {
        const Rgb14 last = HsvToRgb14(16383, s, 16383), zero = HsvToRgb14(0, s, 16383);
        EXPECT_EQ(std::tie(last.Red, last.Green, last.Blue),
                  std::tie(zero.Red, zero.Green, zero.Blue));
    }
    EXPECT_EQ(ColourHue({1, 1, 1}), 0);
    EXPECT_NEAR(ColourHue({0, 0, 1}), 2 * 16384 / 3, 2);
    // Out-of-range components are held at the ends of their range.
    EXPECT_EQ(ColourHue({0, 5, -2}), ColourHue({0, 1, 0}));
}

namespace {

LensTables Built() {
    LensTables tables;
    BuildLensTables(tables);
    return tables;
}

} // namespace

TEST(FlareSpotLens, EveryLensRunsFromPlusOneToMinusOne) {
    const LensTables tables = Built();
    const int32_t counts[kLensCount] = {12, 10, 12, 8};
    for (int l = 0; l < kLensCount; ++l) {
        const LensTable& lens = tables[size_t(l)];
        ASSERT_EQ(lens.Count, counts[l]);
        EXPECT_NEAR(lens.Surfaces[0].Position, 1.0f, 1e-6) << l;
        EXPECT_NEAR(lens.Surfaces[lens.Count - 1].Position, -1.0f, 1e-6) << l;
        for (int i = 1; i < lens.Count; ++i)
            EXPECT_LE(lens.Surfaces[i].Position, lens.Surfaces[i - 1].Position) << l << " " << i;
    }
}

TEST(FlareSpotLens, NormalisingKeepsTheRatioOfRadiusToThickness) {
    LensTable lens{3, {{4, 10, 1, 1}, {0, 6, 1, 1}, {-8, 2, 1, 1}}};
    NormaliseLens(lens);
    // 8 units of axis become 2: every length shrinks by 4.
    EXPECT_FLOAT_EQ(lens.Surfaces[0].Radius, 1.0f);
    EXPECT_FLOAT_EQ(lens.Surfaces[1].Position, 0.0f);
    EXPECT_FLOAT_EQ(lens.Surfaces[2].Radius, -2.0f);
}

TEST(FlareSpotLens, LensTypeSelectsTheTableAndStrayValuesTheSecond) {
    const LensTables tables = Built();
    EXPECT_EQ(&SelectLens(tables, 3), &tables[3]);
    EXPECT_EQ(SelectLens(tables, 3).Count, 8);
    EXPECT_EQ(&SelectLens(tables, 0), &tables[0]);
    for (int32_t stray : {7, -1, 4}) EXPECT_EQ(&SelectLens(tables, stray), &tables[1]);
    EXPECT_EQ(LensIndex(2.6f), 3);
    EXPECT_EQ(LensIndex(2.4f), 2);
}

TEST(FlareSpotLens, TheAxisMeetsEachSurfaceAtItsVertexUnlessTheBackCapComesFirst) {
    const LensTables tables = Built();
    const Ray axis{{0, 0, 1}, {0, 0, -1}};
    for (const LensTable& lens : tables)
        for (int i = 0; i < lens.Count; ++i) {
            float hit[3];
            // A surface hollow towards the light whose whole sphere lies below the entry
            // plane shows the ray its other cap first: no spot.
            const LensSurface& s = lens.Surfaces[i];
            const bool backCapFirst = s.Radius < 0 && s.Position - 2 * s.Radius < 1;
            ASSERT_EQ(IntersectSurface(lens, i, axis, hit), !backCapFirst) << i;
            if (backCapFirst) continue;
            EXPECT_NEAR(hit[2], lens.Surfaces[i].Position, 1e-5) << i;
            EXPECT_EQ(hit[0], 0.0f);
            EXPECT_EQ(hit[1], 0.0f);
        }
    float hit[3];
    EXPECT_FALSE(IntersectSurface(tables[0], 12, axis, hit));
    EXPECT_FALSE(IntersectSurface(tables[0], -1, axis, hit));
}

TEST(FlareSpotLens, RaysMissingASphereOrRunningAlongAPlaneFindNothing) {
    // One sphere of radius 0.5 around z = 0.5 (its vertex at 1), one plane at z = 0.
    const LensTable lens{2, {{0.5f, 1, 1, 1}, {0, 0, 1, 1}}};
    float hit[3];
    EXPECT_FALSE(IntersectSurface(lens, 0, {{0.9f, 0, 1}, {0, 0, -1}}, hit)); // passes beside
    EXPECT_TRUE(IntersectSurface(lens, 0, {{0.4f, 0, 1}, {0, 0, -1}}, hit));
    // On the front cap: above the centre.
    EXPECT_NEAR(hit[2], 0.5 + std::sqrt(0.25 - 0.16), 1e-6);
    EXPECT_FALSE(IntersectSurface(lens, 1, {{0, 0, 1}, {1, 0, 0}}, hit));   // along the plane
    EXPECT_FALSE(IntersectSurface(lens, 1, {{0, 0, -1}, {0, 0, -1}}, hit)); // behind the ray
}

TEST(FlareSpotLens, SourceOnTheDestinationGivesRegularPolygonsCentredOnTheSource) {
    const LensTables tables = Built();
    SpotParams params = MakeSpotParams({});
    params.SourceX = params.DestinationX = 0.25f;
    params.SourceY = params.DestinationY = -0.125f;
    for (int32_t sides : {3, 5, 12}) {
        params.Sides = sides;
        for (const LensTable& lens : tables) {
            int traced = 0;
            for (int i = 0; i < lens.Count; ++i) {
                SpotRecord spot;
                // A bundle wider than a sphere's cap leaves no spot on it.
                if (!TraceSpot(lens, i, params, spot)) continue;
                ++traced;
                ASSERT_EQ(spot.VertexCount, sides);
                EXPECT_FLOAT_EQ(spot.CentreX, 0.25f);
                EXPECT_FLOAT_EQ(spot.CentreY, -0.125f);
                EXPECT_EQ(spot.LightX, 0.0f);
                EXPECT_EQ(spot.LightY, 0.0f);
                // The bundle runs along the axis: every vertex keeps its place in the source
                // polygon, scaled for this surface.
                const float scale =
                    (params.MaximumScale +
                     (params.MaximumScale - params.MinimumScale) * i / (lens.Count - 1)) *
                    lens.Surfaces[i].SizeFactor;
                const double rho = double(scale) * params.SourceRadius;
                for (int k = 0; k < sides; ++k) {
                    const double angle = 2 * M_PI * k / sides;
                    EXPECT_NEAR(spot.Vertices[k].X, 0.25 + rho * std::cos(angle), 1e-5);
                    EXPECT_NEAR(spot.Vertices[k].Y, -0.125 + rho * std::sin(angle), 1e-5);
                }
                EXPECT_NEAR(spot.SpotRadius, rho, 1e-5);
            }
            EXPECT_GT(traced, lens.Count / 2);
        }
    }
}
