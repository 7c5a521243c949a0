// SPDX-License-Identifier: Apache-2.0
// FlareSpot's spot drawing: clipping, scan conversion and shading, against slow references.
#include "flarespot/SpotDrawing.h"
#include "flarespot/FlareSpotJob.h"
#include "flarespot/LensModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <vector>

using namespace vorlings::flarespot;

namespace {

/// Planes of w x h pixels, all zero.
struct TestPlanes {
    TestPlanes(int32_t w, int32_t h)
        : Red(size_t(w * h)), Green(size_t(w * h)), Blue(size_t(w * h)),
          Lit(size_t(h)), Planes{w, h, Red.data(), Green.data(), Blue.data(), Lit.data()} {}
    std::vector<int32_t> Red, Green, Blue;
    std::vector<LitSpan> Lit;
    LightPlanes Planes;
};

double Area(const SpotVertex* v, int32_t n) {
    double twice = 0;
    for (int32_t k = 0; k < n; ++k) {
        const SpotVertex &a = v[k], &b = v[(k + 1) % n];
        twice += double(a.X) * b.Y - double(b.X) * a.Y;
    }
    return std::fabs(twice) / 2;
}

SpotRecord Polygon(std::initializer_list<SpotVertex> vertices) {
    SpotRecord spot{};
    for (const SpotVertex& v : vertices) spot.Vertices[spot.VertexCount++] = v;
    return spot;
}

/// A triangle whose light is 1 in every channel on every sample it covers: full light out
/// to twice the distance of any sample, no light direction.
FanTriangle FlatTriangle(SpotVertex a, SpotVertex b, SpotVertex c) {
    FanTriangle t{};
    t.VertexCount = 3;
    t.Red = t.Green = t.Blue = t.Largest = 1;
    t.CentreX = t.CentreY = 0;
    t.SourceRadius = 1000;
    t.SpotRadius = 2000;
    t.Defocus = 1;
    t.Vertices[0] = a, t.Vertices[1] = b, t.Vertices[2] = c;
    return t;
}

/// Signed distance of p from the line a-b, positive on its left.
double Side(SpotVertex a, SpotVertex b, double px, double py) {
    const double ex = double(b.X) - a.X, ey = double(b.Y) - a.Y;
    return (ex * (py - a.Y) - ey * (px - a.X)) / std::hypot(ex, ey);
}

} // namespace

TEST(FlareSpotClip, InsideIsKeptAsItIsWhollyOutsideIsGone) {
    SpotRecord inside = Polygon({{1, 1}, {3, 1.5f}, {2, 2.5f}});
    ASSERT_TRUE(ClipToBand(inside, {0, 4, 1, 3}));
    ASSERT_EQ(inside.VertexCount, 3);
    EXPECT_EQ(inside.Vertices[1].X, 3.0f);
    EXPECT_EQ(inside.Vertices[2].Y, 2.5f);
    SpotRecord above = Polygon({{1, -3}, {3, -2}, {2, 0.5f}});
    EXPECT_FALSE(ClipToBand(above, {0, 4, 1, 3}));
    EXPECT_EQ(above.VertexCount, 0);
}

TEST(FlareSpotClip, WhatIsLeftLiesInTheRectangleWithTheOverlappingArea) {
    // A square larger than the rectangle on every side leaves the rectangle itself.
    SpotRecord square = Polygon({{-2, -2}, {6, -2}, {6, 6}, {-2, 6}});
    ASSERT_TRUE(ClipToBand(square, {0, 4, 1, 3}));
    EXPECT_NEAR(Area(square.Vertices, square.VertexCount), 8.0, 1e-5);
    // A diamond around (2, 2) of half-diagonal 2, cut by the band 1..3: its middle, area 6.
    SpotRecord diamond = Polygon({{2, 0}, {4, 2}, {2, 4}, {0, 2}});
    ASSERT_TRUE(ClipToBand(diamond, {0, 4, 1, 3}));
    EXPECT_NEAR(Area(diamond.Vertices, diamond.VertexCount), 6.0, 1e-5);
    for (const SpotRecord* s : {&square, &diamond})
        for (int k = 0; k < s->VertexCount; ++k) {
            EXPECT_GE(s->Vertices[k].X, 0.0f);
            EXPECT_LE(s->Vertices[k].X, 4.0f);
            EXPECT_GE(s->Vertices[k].Y, 1.0f);
            EXPECT_LE(s->Vertices[k].Y, 3.0f);
        }
}

TEST(FlareSpotScan, ASampleIsLitWhenItsCentreLiesInTheTriangle) {
    // Pixels hold two by two samples; each covered sample adds the triangle's light once per
    // pass. Samples within a hair of an edge may go either way.
    const SpotVertex triangles[][3] = {{{3.3f, 1.7f}, {27.9f, 9.2f}, {8.1f, 24.6f}},
                                       {{20.2f, 2.1f}, {1.4f, 13.3f}, {29.7f, 27.8f}},
                                       {{5.25f, 3.1f}, {25.6f, 3.1f}, {14.9f, 20.35f}}};
    for (const auto& v : triangles) {
        // +1 when the vertices run counter-clockwise in (x, y), -1 otherwise.
        const double turn = Side(v[0], v[1], v[2].X, v[2].Y) > 0 ? 1 : -1;
        TestPlanes planes(16, 16);
        ScanTriangle(FlatTriangle(v[0], v[1], v[2]), {0, 31, 0, 31}, planes.Planes, 3);
        for (int32_t py = 0; py < 16; ++py)
            for (int32_t px = 0; px < 16; ++px) {
                int32_t sure = 0, maybe = 0;
                for (int32_t sy = 2 * py; sy < 2 * py + 2; ++sy)
                    for (int32_t sx = 2 * px; sx < 2 * px + 2; ++sx) {
                        // How far the sample's centre lies inside the nearest edge.
                        double inside = 1e9;
                        for (int e = 0; e < 3; ++e)
                            inside = std::min(
                                inside, turn * Side(v[e], v[(e + 1) % 3], sx + 0.5, sy + 0.5));
                        sure += inside > 1e-3;
                        maybe += std::fabs(inside) <= 1e-3;
                    }
                const int32_t lit = planes.Red[size_t(py * 16 + px)];
                EXPECT_GE(lit, 3 * sure) << px << ", " << py;
                EXPECT_LE(lit, 3 * (sure + maybe)) << px << ", " << py;
            }
    }
}

TEST(FlareSpotShade, FullLightOutToRNothingPastMAndFadingBetween) {
    // Centre at sample (0, 0), R = 10 and M = 30 sub-samples, defocus 1, no light direction.
    FanTriangle t = FlatTriangle({0, 0}, {1, 0}, {0, 1});
    t.Red = t.Green = t.Blue = t.Largest = 100;
    t.SourceRadius = 10;
    t.SpotRadius = 30;
    TestPlanes planes(40, 1);
    ShadeSpan(0, -10, 100, {0, 79, 0, 1}, t, planes.Planes, 1);
    for (int32_t px = 0; px < 40; ++px) {
        const int32_t lit = planes.Red[size_t(px)]; // samples 2 px and 2 px + 1
        if (2 * px + 1 <= 10) {
            EXPECT_EQ(lit, 200) << px;
        }
        if (2 * px >= 30) {
            EXPECT_EQ(lit, 0) << px;
        }
        if (px > 0) {
            EXPECT_LE(lit, planes.Red[size_t(px - 1)]) << px;
        }
    }
    EXPECT_GT(planes.Red[10], 0);
    EXPECT_LT(planes.Red[10], 200);
}

TEST(FlareSpotShade, EdgeBoostBrightensTheFacingEdgeButNotABandCut) {
    // The outer edge runs along y = 10 above the centre; the light comes from above.
    FanTriangle t = FlatTriangle({20, 30}, {40, 10}, {0, 10});
    t.Red = t.Green = t.Blue = t.Largest = 1000;
    t.CentreX = 20;
    t.CentreY = 30;
    t.SourceRadius = 0;
    t.SpotRadius = 40;
    t.LightY = -1;
    t.BandBottom = 64;
    const auto total = [&](int32_t boost, float bandTop) {
        FanTriangle u = t;
        u.EdgeBoost = boost;
        u.BandTop = bandTop;
        TestPlanes planes(24, 32);
        ScanTriangle(u, {0, 47, 0, 63}, planes.Planes, 1);
        int64_t sum = 0;
        for (int32_t v : planes.Red) sum += v;
        return sum;
    };
    EXPECT_GT(total(1, 0), total(0, 0));
    EXPECT_EQ(total(1, 10), total(0, 10)); // the edge is where a chunk's band was cut
}

TEST(FlareSpotDraw, ASpotCoveringTheBandLightsItEvenlyExceptTheLastSampleColumn) {
    // A square far wider than the frame, seen along the axis, at no defocus: even light.
    SpotRecord spot = Polygon({{-3, -3}, {3, -3}, {3, 3}, {-3, 3}});
    spot.SourceRadius = 0.1f;
    spot.SpotRadius = 4.5f;
    SpotParams params = MakeSpotParams({});
    params.Defocus = 0;
    params.Saturation = 0;
    TestPlanes planes(6, 4);
    const std::atomic<int> running{0};
    DrawSpot(planes.Planes, spot, 0, params, 0, 4, 11, running);
    for (const std::vector<int32_t>* plane : {&planes.Red, &planes.Green, &planes.Blue}) {
        const int32_t full = (*plane)[0];
        EXPECT_GT(full, 0);
        for (int32_t y = 0; y < 4; ++y) {
            for (int32_t x = 0; x < 5; ++x) EXPECT_EQ((*plane)[size_t(y * 6 + x)], full);
            EXPECT_EQ((*plane)[size_t(y * 6 + 5)], full / 2); // column 2W - 1 stays dark
        }
    }
}

TEST(FlareSpotDraw, TheVectorUnitShadesToTheSameBits) {
    if (!VectorUnitAvailable()) GTEST_SKIP() << "no AVX2 here";
    LensTables tables;
    BuildLensTables(tables);
    FlareSpotControls controls;
    controls.Source = Point(0.7, 0.65);
    controls.Destination = Point(0.2, 0.4);
    controls.Defocus = 60;
    for (float boost : {0.0f, 1.0f}) {
        controls.EdgeBoost = boost;
        const SpotParams params = MakeSpotParams(controls);
        for (const LensTable& lens : tables) {
            // An odd width and a band starting on an odd row.
            TestPlanes plain(67, 45), vector(67, 45);
            for (int i = 0; i < lens.Count; ++i) {
                SpotRecord a, b;
                if (!TraceSpot(lens, i, params, a)) continue;
                b = a;
                const std::atomic<int> running{0};
                DrawSpot(plain.Planes, a, i, params, 3, 40, lens.Count - 1, running, false);
                DrawSpot(vector.Planes, b, i, params, 3, 40, lens.Count - 1, running, true);
            }
            EXPECT_EQ(plain.Red, vector.Red);
            EXPECT_EQ(plain.Green, vector.Green);
            EXPECT_EQ(plain.Blue, vector.Blue);
            EXPECT_GT(*std::max_element(plain.Red.begin(), plain.Red.end()), 0);
        }
    }
}
