// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "crashzoom/CrashZoomPlugIn.h"
#include "crashzoom/StreakWalk.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

using namespace vorlings::crashzoom;

namespace {

struct Settings {
    double X = 0.5, Y = 0.5, Radius = 0.0, Speed = 0.1, Oversampling = 0.0;
};

std::unique_ptr<Image> RenderZoom(std::shared_ptr<Image> input, const Settings& s) {
    CrashZoomPlugIn tool(nullptr, nullptr, nullptr);
    tool.Center->PointValue = Point(s.X, s.Y);
    tool.ClearAreaRadius->NumberValue.Value = s.Radius;
    tool.Speed->NumberValue.Value = s.Speed;
    tool.Oversampling->NumberValue.Value = s.Oversampling;
    return test::Render(tool, std::move(input));
}

// Samples per pixel of a frame, row after row.
using Counts = std::vector<uint64_t>;

// The walk one sample at a time, each clamped to the frame: the obviously right way.
Counts SlowWalk(StreakLine s, int shift, int32_t w, int32_t h) {
    const int64_t ax = std::abs(s.X1 - s.X0), ay = std::abs(s.Y1 - s.Y0);
    const int64_t major = std::max(ax, ay), minor = std::min(ax, ay);
    int64_t& along = ay > ax ? s.Y0 : s.X0;
    int64_t& across = ay > ax ? s.X0 : s.Y0;
    const int64_t alongStep = (ay > ax ? s.Y1 < s.Y0 : s.X1 < s.X0) ? -1 : 1;
    const int64_t acrossStep = (ay > ax ? s.X1 < s.X0 : s.Y1 < s.Y0) ? -1 : 1;
    Counts counts(size_t(w) * size_t(h));
    int64_t err = -major;
    for (int64_t i = 0; i <= major; ++i) {
        ++counts[size_t(std::clamp<int64_t>(s.Y0 >> shift, 0, h - 1) * w +
                        std::clamp<int64_t>(s.X0 >> shift, 0, w - 1))];
        err += 2 * minor;
        if (err > 0) {
            across += acrossStep;
            err -= 2 * major;
        }
        along += alongStep;
    }
    return counts;
}

Counts FastWalk(const StreakLine& s, int shift, int32_t w, int32_t h, uint64_t* samples) {
    Counts counts(size_t(w) * size_t(h));
    *samples = WalkStreak(s, shift, w, h, [&](std::ptrdiff_t c, std::ptrdiff_t r, uint64_t k) {
        ASSERT_TRUE(c >= 0 && c < w && r >= 0 && r < h) << c << ", " << r;
        counts[size_t(r * w + c)] += k;
    });
    return counts;
}

// The output pixel from the tool's definition: the end point in 32-bit floats, then the slow
// walk over the input read through its own ReadPixel.
Pixel ReferencePixel(const Image& in, const Settings& s, int32_t x, int32_t y) {
    const float cx = float(s.X * in.Width), cy = float(s.Y * in.Height);
    const float clear = float(double(float(in.Width) * float(s.Radius)) * 0.5);
    const float speed = float(s.Speed), a = float(in.PixelAspect);
    const int shift = std::clamp(int(s.Oversampling), 0, 4), g = 1 << shift;
    const float dx = float(x) - cx, dy = (float(y) - cy) * a;
    const float d = float(std::sqrt(double(dx * dx + dy * dy)));
    float e = d - clear;
    if (e < 0.0001) e = 0;
    const float l = -(e * speed);
    StreakLine line{int64_t(g) * x, int64_t(g) * y, int64_t(g) * x, int64_t(g) * y};
    if (d > 0.0001) {
        line.X1 += int64_t(std::ceil(double(float(g) * dx / d * l)));
        line.Y1 += int64_t(std::ceil(double(float(g) * dy / d * l)) / double(a));
    }
    const Counts counts = SlowWalk(line, shift, in.Width, in.Height);
    uint64_t sum[4] = {}, n = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        const Pixel p = test::At(in, int32_t(i % size_t(in.Width)), int32_t(i / size_t(in.Width)));
        for (int c = 0; c < 4; ++c) sum[c] += counts[i] * p.Word[c];
        n += counts[i];
    }
    Pixel p;
    for (int c = 0; c < 4; ++c) p.Word[c] = uint32_t(sum[c] / n);
    return p;
}

bool SamePixel(const Image& a, const Image& b, int32_t x, int32_t y) {
    const Pixel p = test::At(a, x, y), q = test::At(b, x, y);
    return std::equal(p.Word, p.Word + 4, q.Word);
}

// The reference written into an image of the input's kind, as the tool's output is.
void ExpectMatchesReference(const std::shared_ptr<Image>& in, const Settings& s) {
    const auto out = RenderZoom(in, s);
    ASSERT_TRUE(out);
    const auto want = test::MakeImage(in->Kind, in->Width, in->Height, [&](int32_t x, int32_t y) {
        return ReferencePixel(*in, s, x, y);
    });
    EXPECT_TRUE(test::SamePixels(*out, *want))
        << in->Width << " x " << in->Height << ", centre " << s.X << ", " << s.Y << ", radius "
        << s.Radius << ", speed " << s.Speed << ", oversampling " << s.Oversampling << ", aspect "
        << in->PixelAspect;
}

} // namespace

TEST(CrashZoomWalk, RunsMatchTheSampleBySampleWalkForAnyLine) {
    std::mt19937 rng(11);
    const int64_t reaches[] = {3, 40, 900, 30000};
    for (int trial = 0; trial < 3000; ++trial) {
        const int shift = int(rng() % 5);
        const int32_t w = 1 + int32_t(rng() % 40), h = 1 + int32_t(rng() % 40);
        const int64_t reach = reaches[rng() % 4];
        const auto far = [&] { return int64_t(rng() % uint32_t(2 * reach + 1)) - reach; };
        const int64_t x0 = rng() % uint32_t(w << shift), y0 = rng() % uint32_t(h << shift);
        const StreakLine line{x0, y0, x0 + far(), y0 + (rng() % 4 ? far() : 0)};
        uint64_t n = 0;
        ASSERT_EQ(FastWalk(line, shift, w, h, &n), SlowWalk(line, shift, w, h))
            << "trial " << trial;
        EXPECT_EQ(n, uint64_t(std::max(std::abs(line.X1 - x0), std::abs(line.Y1 - y0))) + 1);
    }
}

TEST(CrashZoomWalk, APixelFiveHundredColumnsRightOfTheCentre) {
    // Speed 0.1, no clear circle, centre (0.5, 0.5) of a 1002 x 2 frame: (501, 1). Pixel
    // (1001, 1) has d = 500 and a streak of -50: itself once, then 50 pixels toward the centre
    // 1, 2 or 16 times each.
    const auto in = test::RandomImage(1002, 2, 5);
    auto out = Image::Create(ImageKind::Int16, 1002, 2);
    for (int32_t over : {0, 1, 4}) {
        const CrashZoomJob job = MakeCrashZoomJob({0.5, 0.5}, 0.0, 0.1, over, *in, *out);
        Counts want(2 * 1002);
        want[1002 + 1001] = 1;
        for (int32_t x = 951; x <= 1000; ++x) want[size_t(1002 + x)] = uint64_t(1) << over;
        uint64_t n = 0;
        EXPECT_EQ(FastWalk(ZoomStreak(job, 1001, 1), over, 1002, 2, &n), want);
        EXPECT_EQ(n, (50u << over) + 1); // 51, 101 and 801 samples
    }
    // "1 sample" and "4 samples": the plain mean of those samples, truncated.
    for (int32_t over : {0, 1}) {
        out = RenderZoom(in, {.Oversampling = double(over)});
        for (int c = 0; c < 4; ++c) {
            uint64_t sum = test::At(*in, 1001, 1).Word[c];
            for (int32_t x = 951; x <= 1000; ++x) sum += test::At(*in, x, 1).Word[c] << over;
            EXPECT_EQ(test::At(*out, 1001, 1).Word[c], sum / ((50u << over) + 1));
        }
    }
}

TEST(CrashZoomRender, MatchesTheReferenceOnTinyAndOddSizes) {
    const int32_t sizes[][2] = {{1, 1}, {3, 1}, {1, 4}, {5, 7}, {8, 3}, {13, 11}};
    const double centres[][2] = {{0.5, 0.5}, {0.13, 0.91}, {-0.4, 1.3}};
    uint32_t seed = 1;
    for (auto [w, h] : sizes)
        for (auto [cx, cy] : centres)
            for (double speed : {0.3, 1.7, -0.8, 2.5, -6.0})
                for (int over = 0; over <= 4; ++over)
                    ExpectMatchesReference(test::RandomImage(w, h, seed++),
                                           {cx, cy, over % 2 ? 0.2 : 0.0, speed, double(over)});
}

TEST(CrashZoomRender, MatchesTheReferenceWithPixelAspectKindsAndLongStreaks) {
    for (double aspect : {2.0, 0.75}) {
        auto in = test::RandomImage(9, 7, 3);
        in->PixelAspect = aspect;
        for (int over = 0; over <= 4; ++over)
            ExpectMatchesReference(in, {0.4, 0.6, 0.3, 1.2, double(over)});
    }
    for (ImageKind kind : {ImageKind::Int8, ImageKind::Float})
        ExpectMatchesReference(test::RandomImage(11, 5, 8, kind), {0.3, 0.7, 0.1, -1.5, 2});
    // Streaks thousands of samples long, nearly all of them beyond the border; and of more
    // than 65537 samples, too many for 32-bit sums of full-value channels.
    for (double speed : {-300.0, 250.0})
        ExpectMatchesReference(test::RandomImage(7, 5, 9), {0.2, 0.7, 0.0, speed, 4});
    for (ImageKind kind : {ImageKind::Int16, ImageKind::Int8, ImageKind::Float})
        ExpectMatchesReference(test::RandomImage(3, 3, 10, kind), {0.2, 0.7, 0.0, -5000, 4});
}

TEST(CrashZoomRender, TheClearAreaAndTheCentreStayAsTheyWere) {
    // Centre (20, 15), clear radius 40 x 0.3 x 0.5 = 6 pixels; a pixel aspect of 2 doubles
    // vertical distances and makes the area an ellipse 3 rows high.
    for (double aspect : {1.0, 2.0}) {
        auto in = test::RandomImage(40, 30, 4);
        in->PixelAspect = aspect;
        const auto out = RenderZoom(in, {.Radius = 0.3, .Speed = 1.3, .Oversampling = 2});
        int changed = 0;
        for (int32_t y = 0; y < 30; ++y)
            for (int32_t x = 0; x < 40; ++x) {
                const bool inside = std::hypot(x - 20.0, (y - 15.0) * aspect) <= 6.0;
                const bool same = SamePixel(*in, *out, x, y);
                EXPECT_TRUE(same || !inside) << x << ", " << y << ", aspect " << aspect;
                changed += !same;
            }
        EXPECT_GT(changed, 1000);
        // Row 11 lies inside the circle, but one row above the ellipse.
        EXPECT_EQ(SamePixel(*in, *out, 20, 11), aspect == 1.0);
        // With no clear area the centre pixel is the only one its streak leaves alone.
        EXPECT_TRUE(SamePixel(*in, *RenderZoom(in, {.Speed = 1.3}), 20, 15));
    }
}

TEST(CrashZoomRender, TheRimAndTheRadiusRoundAsFloats) {
    // Clear radius 10 x 0.2 x 0.5 = 1 pixel, centre on row 1: at speed 20000 pixel 4, 0.00005
    // beyond the rim, keeps its value; 0.0002 beyond, it is smeared.
    const auto in = test::RandomImage(10, 2, 13);
    EXPECT_TRUE(SamePixel(*in, *RenderZoom(in, {0.500005, 0.5, 0.2, 2e4, 0}), 4, 1));
    EXPECT_FALSE(SamePixel(*in, *RenderZoom(in, {0.50002, 0.5, 0.2, 2e4, 0}), 4, 1));
    // 7 x 0.3 rounds up in float: the radius is 1.0500001, so pixel 6, 3.05 right of the
    // centre, has a streak just short of 2 at speed 1: 2 samples, where 1.05 would give 3.
    const auto narrow = test::RandomImage(7, 2, 14);
    const auto out = RenderZoom(narrow, {2.95 / 7, 0.5, 0.3, 1.0, 0});
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(test::At(*out, 6, 1).Word[c],
                  (test::At(*narrow, 6, 1).Word[c] + test::At(*narrow, 5, 1).Word[c]) / 2);
}

TEST(CrashZoomRender, SpeedZeroAndHeldOversamplingIndices) {
    const auto in = test::RandomImage(23, 17, 7);
    EXPECT_TRUE(test::SamePixels(*in, *RenderZoom(in, {.Speed = 0.0, .Oversampling = 3})));
    const auto render = [&](double over) { return RenderZoom(in, {0.3, 0.6, 0.1, 0.7, over}); };
    const auto lowest = render(0), finest = render(4);
    for (double over : {-3.0, -0.5, 0.9}) EXPECT_TRUE(test::SamePixels(*render(over), *lowest));
    for (double over : {4.2, 9.0, 1e12}) EXPECT_TRUE(test::SamePixels(*render(over), *finest));
    EXPECT_TRUE(test::SamePixels(*render(2.7), *render(2)));
    EXPECT_FALSE(test::SamePixels(*render(3), *finest));
}

TEST(CrashZoomRender, AbsurdControlValuesStayInsideTheFrame) {
    std::mt19937 rng(12);
    const auto in = test::MakeImage(ImageKind::Int16, 9, 7, [&](int32_t, int32_t) {
        Pixel p;
        for (auto& word : p.Word) word = 20000 + uint32_t(rng() % 101);
        return p;
    });
    const double huge = 1e30, nan = std::nan("");
    const Settings cases[] = {{0.5, 0.5, 0, -huge, 4},
                              {0.1, 0.8, 0, huge, 3},
                              {huge, -huge, 1, 2, 4},
                              {0.5, 0.5, 0, nan, 2},
                              {nan, 0.5, nan, 1, 1}};
    for (const Settings& s : cases) {
        // Every output word is a mean of the input's words, so it lies in their band.
        const auto out = RenderZoom(in, s);
        for (int32_t y = 0; y < 7; ++y)
            for (int32_t x = 0; x < 9; ++x)
                for (uint32_t v : test::At(*out, x, y).Word) ASSERT_TRUE(v >= 20000 && v <= 20100);
    }
    // Away from the centre along its row, the right border pixel's streak only repeats it.
    EXPECT_TRUE(SamePixel(*in, *RenderZoom(in, {0.5, 3.0 / 7, 0, -huge, 4}), 8, 3));
}
