// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "dblur/DBlurPlugIn.h"
#include "dblur/DBlurRows.h"
#include "dblur/StrokeKernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

using namespace vorlings::dblur;

namespace {

// The taps of "Length", "Angle" and "XY Center" on a picture of width x height.
std::vector<DBlurTap> TapsOf(double length, double angle, bool centred, int32_t width = 100,
                             int32_t height = 100, double aspect = 1.0) {
    return BuildStrokeKernel(ShapeFor(length, angle, centred, width, height, aspect));
}

void ExpectTaps(const std::vector<DBlurTap>& got, const std::vector<DBlurTap>& want,
                double tolerance = 5e-5) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t k = 0; k < want.size(); ++k) {
        EXPECT_EQ(got[k].Column, want[k].Column) << "tap " << k;
        EXPECT_EQ(got[k].Row, want[k].Row) << "tap " << k;
        EXPECT_NEAR(got[k].Weight, want[k].Weight, tolerance) << "tap " << k;
    }
}

bool SameTaps(const std::vector<DBlurTap>& a, const std::vector<DBlurTap>& b) {
    return a.size() == b.size() &&
           std::memcmp(a.data(), b.data(), sizeof(DBlurTap) * a.size()) == 0;
}

// The slow, obviously right output pixel: each tap's pixel through ReadPixel at the clamped
// position; per channel, the product in extended precision, the sum stored as a float.
Pixel ReferencePixel(const Image& in, std::span<const DBlurTap> taps, int32_t x, int32_t y) {
    float sum[4] = {};
    for (const DBlurTap& tap : taps) {
        const Pixel p = test::At(in, std::clamp(x + tap.Column, 0, in.Width - 1),
                                 std::clamp(y + tap.Row, 0, in.Height - 1));
        for (int c = 0; c < 4; ++c)
            sum[c] = float((long double)sum[c] + (long double)p.Word[c] * (long double)tap.Weight);
    }
    Pixel out;
    for (int c = 0; c < 4; ++c) out.Word[c] = std::min(65535u, uint32_t(double(sum[c]) + 0.5));
    return out;
}

// Every row kernel this machine runs.
std::vector<RowKernel> Kernels() {
    std::vector<RowKernel> kernels{RowKernel::Plain};
    if (MachineRowKernel() != RowKernel::Plain) kernels.push_back(RowKernel::Avx2);
    if (MachineRowKernel() == RowKernel::Avx512) kernels.push_back(RowKernel::Avx512);
    return kernels;
}

std::unique_ptr<Image> RunJob(DBlurJob& job, RowKernel kernel) {
    auto out = Image::Create(job.InputImage->Kind, job.Width, job.Height);
    job.OutputImage = out.get();
    job.Kernel = kernel;
    std::atomic<int> flag{0};
    DBlurRows(job, {0, job.Height}, flag);
    return out;
}

// Compares every kernel's output with the reference, pixel by pixel.
void ExpectMatchesReference(const Image& in, double length, double angle, bool centred) {
    auto scratch = Image::Create(in.Kind, in.Width, in.Height);
    DBlurJob job = MakeDBlurJob(length, angle, centred, in, *scratch);
    // The reference's words as an output image of the input's kind stores them.
    const auto want = test::MakeImage(in.Kind, in.Width, in.Height, [&](int32_t x, int32_t y) {
        return ReferencePixel(in, job.TapSpan(), x, y);
    });
    for (RowKernel kernel : Kernels())
        ASSERT_TRUE(test::SamePixels(*RunJob(job, kernel), *want))
            << in.Width << " x " << in.Height << " aspect " << in.PixelAspect << ", length "
            << length << ", angle " << angle << ", centred " << centred << ", kernel "
            << int(kernel);
}

std::unique_ptr<Image> RenderDBlur(std::shared_ptr<Image> in, double length, double angle,
                                   double centre = 0.0) {
    DBlurPlugIn tool(nullptr, nullptr, nullptr);
    tool.Length->NumberValue.Value = length;
    tool.Angle->NumberValue.Value = angle;
    tool.Centre->NumberValue.Value = centre;
    return test::Render(tool, std::move(in));
}

} // namespace

TEST(DBlurStroke, WorkedTapLists) {
    // W = H = 100, A = 1: "Length" 0.05 is a 5-pixel stroke, 0.03 a 3-pixel one.
    ExpectTaps(TapsOf(0.05, 0, false),
               {{-5, 0, 0.1}, {-4, 0, 0.2}, {-3, 0, 0.2}, {-2, 0, 0.2}, {-1, 0, 0.2}, {0, 0, 0.1}});
    ExpectTaps(TapsOf(0.05, 0, true),
               {{-2, 0, 0.2}, {-1, 0, 0.2}, {0, 0, 0.2}, {1, 0, 0.2}, {2, 0, 0.2}});
    ExpectTaps(TapsOf(0.03, 90, false),
               {{0, 0, 1.0 / 6}, {0, 1, 1.0 / 3}, {0, 2, 1.0 / 3}, {0, 3, 1.0 / 6}});
    // Centred, the 3 pixels span rows -1.5 to 1.5: three whole cells.
    ExpectTaps(TapsOf(0.03, 90, true), {{0, -1, 1.0 / 3}, {0, 0, 1.0 / 3}, {0, 1, 1.0 / 3}});
    ExpectTaps(TapsOf(0.03, 45, false), {{-1, 0, 0.0833},
                                         {0, 0, 0.1524},
                                         {-2, 1, 0.0833},
                                         {-1, 1, 0.3047},
                                         {0, 1, 0.0833},
                                         {-2, 2, 0.2096},
                                         {-1, 2, 0.0833}});
}

TEST(DBlurStroke, CentredStrokesArePointSymmetric) {
    for (double angle : {0.0, 45.0, 90.0, 17.0, 123.0, 250.0}) {
        const auto taps = TapsOf(0.07, angle, true);
        double total = 0;
        for (const DBlurTap& t : taps) {
            total += t.Weight;
            const auto mirror = std::find_if(taps.begin(), taps.end(), [&](const DBlurTap& m) {
                return m.Column == -t.Column && m.Row == -t.Row;
            });
            ASSERT_NE(mirror, taps.end()) << angle;
            EXPECT_NEAR(mirror->Weight, t.Weight, 1e-6) << angle;
        }
        EXPECT_NEAR(total, 1.0, 1e-5);
    }
}

TEST(DBlurStroke, ZeroLengthIsOneTapOfWeightOne) {
    for (double angle : {0.0, 30.0, 45.0, 90.0, 271.0})
        ExpectTaps(TapsOf(0.0, angle, false, 100, 40), {{0, 0, 1.0f}}, 0.0);
    auto in = test::RandomImage(23, 17, 8);
    EXPECT_TRUE(test::SamePixels(*in, *RenderDBlur(in, 0.0, 37.0)));
}

TEST(DBlurStroke, LengthIsAFractionOfTheWidthHeldAtTheLargerSide) {
    // 0.05 of 720 pixels is 36, whatever the height: 37 cells, half weights at both ends.
    for (int32_t height : {100, 720, 2000}) {
        const auto taps = TapsOf(0.05, 0, false, 720, height);
        ASSERT_EQ(taps.size(), 37u) << height;
        EXPECT_EQ(taps.front().Column, -36);
        EXPECT_NEAR(taps.front().Weight, 0.5 / 36, 1e-6);
        EXPECT_NEAR(taps[18].Weight, 1.0 / 36, 1e-6);
    }
    // Beyond max(W, H) the stroke stays max(W, H) long.
    for (double angle : {0.0, 60.0}) {
        const auto longest = TapsOf(1.0, angle, true, 20, 10);
        for (double length : {1.5, 3.0, 1e30})
            EXPECT_TRUE(SameTaps(TapsOf(length, angle, true, 20, 10), longest)) << length;
    }
}

TEST(DBlurStroke, NegativeLengthMirrorsTheAngle) {
    for (double angle : {0.0, 30.0, 90.0, 200.0})
        EXPECT_TRUE(SameTaps(TapsOf(-0.04, angle, false), TapsOf(0.04, -angle, false))) << angle;
    // At 90 degrees the streak turns from decreasing row index to increasing.
    EXPECT_EQ(TapsOf(-0.03, 90, false).front().Row, -3);
}

TEST(DBlurStroke, PixelAspectScalesVerticalExtents) {
    // At 90 degrees the 4-pixel stroke spans 2 rows of a picture with pixels twice as tall.
    ExpectTaps(TapsOf(0.04, 90, false, 100, 100, 2.0), {{0, 0, 0.25}, {0, 1, 0.5}, {0, 2, 0.25}});
    // At 0 degrees the stroke, now half a row high, still lies in the pixel's own row.
    ExpectTaps(TapsOf(0.04, 0, false, 100, 100, 2.0),
               {{-4, 0, 0.125}, {-3, 0, 0.25}, {-2, 0, 0.25}, {-1, 0, 0.25}, {0, 0, 0.125}});
}

TEST(DBlurStroke, LongDiagonalStrokesKeepTheFirstMMinusOneCells) {
    const auto capped = TapsOf(1.0, 45, false, 100, 60); // 100 pixels long: over 99 cells
    const auto full = TapsOf(0.1, 45, false, 1000, 60);  // the same stroke, room for 999
    ASSERT_EQ(capped.size(), 99u);
    ASSERT_GT(full.size(), 150u);
    for (size_t k = 0; k < capped.size(); ++k) {
        EXPECT_EQ(capped[k].Column, full[k].Column);
        EXPECT_EQ(capped[k].Row, full[k].Row);
        EXPECT_NEAR(capped[k].Weight / capped[0].Weight, full[k].Weight / full[0].Weight, 1e-4);
    }
}

TEST(DBlurStroke, NoCoveredCellGivesBlack) {
    // Pixels 1000 times as tall as wide leave the stroke 1/1000 of a row high.
    auto in = test::RandomImage(40, 5, 2);
    in->PixelAspect = 1000.0;
    EXPECT_TRUE(TapsOf(0.01, 0, false, 40, 5, 1000.0).empty());
    EXPECT_TRUE(test::SamePixels(*RenderDBlur(in, 0.01, 0), *test::Flat(40, 5, 0)));
    // A 1 x 1 picture has room for no tap; a length that is not a number covers no cell.
    EXPECT_TRUE(TapsOf(0.05, 0, false, 1, 1).empty());
    EXPECT_TRUE(TapsOf(NAN, 0, false).empty());
}

TEST(DBlurRows, MatchTheSlowReferenceOnTinyAndOddSizes) {
    const int32_t sizes[][2] = {{1, 1}, {3, 1}, {1, 4}, {5, 7}, {8, 3}, {13, 11}, {31, 2}};
    uint32_t seed = 1;
    for (auto [w, h] : sizes)
        for (double aspect : {1.0, 0.5, 2.0}) {
            auto in = test::RandomImage(w, h, seed++);
            in->PixelAspect = aspect;
            for (double angle : {0.0, 30.0, 45.0, 90.0, 135.0, 200.0, 333.0})
                for (double length : {0.0, 0.3, 1.0, 2.5, -0.6}) {
                    ExpectMatchesReference(*in, length, angle, false);
                    ExpectMatchesReference(*in, length, angle, true);
                }
        }
    for (ImageKind kind : {ImageKind::Int8, ImageKind::Float})
        ExpectMatchesReference(*test::RandomImage(19, 6, 40, kind), 0.4, 160.0, true);
}

TEST(DBlurRows, FlatPicturesStayFlatUpToTheBorders) {
    for (uint32_t value : {0u, 1000u, 65535u}) {
        auto flat = test::Flat(30, 20, value);
        for (double angle : {0.0, 10.0, 45.0, 100.0, 300.0})
            EXPECT_TRUE(test::SamePixels(*flat, *RenderDBlur(flat, 0.9, angle, 1.0)))
                << value << " at " << angle;
    }
    // The 426 rounded weights of this stroke lift a white sum to 65535.6: it stays white
    // rather than wrapping round to black.
    float sum = 0;
    for (const DBlurTap& tap : TapsOf(1.0, 90, false, 427, 1))
        sum = float((long double)sum + 65535.0L * (long double)tap.Weight);
    ASSERT_GE(double(sum) + 0.5, 65536.0);
    for (ImageKind kind : {ImageKind::Int16, ImageKind::Float}) {
        auto white = test::Flat(427, 1, 65535, kind);
        auto scratch = Image::Create(kind, 427, 1);
        DBlurJob job = MakeDBlurJob(1.0, 90, 0, *white, *scratch);
        for (RowKernel kernel : Kernels())
            EXPECT_TRUE(test::SamePixels(*white, *RunJob(job, kernel))) << int(kernel);
    }
}

// A job over `in` with a tap list of our own.
DBlurJob JobWith(const Image& in, const std::vector<DBlurTap>& taps) {
    TapList list(static_cast<DBlurTap*>(std::malloc(sizeof(DBlurTap) * taps.size())));
    std::copy(taps.begin(), taps.end(), list.get());
    return {&in,
            nullptr,
            in.Width,
            in.Height,
            std::move(list),
            int32_t(taps.size()),
            vorlings::frame::ChunkSplit::For(in.Width, in.Height, 1),
            RowKernel::Plain};
}

// Channel 0 of pixel x is words[x % words.size()]; the other channels are 1000.
std::shared_ptr<Image> RowOf(std::vector<uint32_t> words) {
    return test::MakeImage(ImageKind::Int16, 9, 1, [=](int32_t x, int32_t) {
        return Pixel{{words[size_t(x) % words.size()], 1000, 1000, 1000}};
    });
}

// Sums that a double (or float) sum would round the wrong way, while the extended sum does not:
// every kernel must still agree with the plain loop.
TEST(DBlurRows, VectorKernelsAgreeWhereShortSumsWouldRoundAnotherWay) {
    // A double sum tying on a float midpoint: the first tap leaves 1024.5 - 2^-13 (odd), the
    // second adds 2^-14 - j 2^-53. The extended sum stays below the midpoint (output 1024); the
    // double sum ties up to 1024.5 (output 1025).
    const float first = std::ldexp(float((1 << 23) + (1 << 12) - 1), -24);
    int cases = 0;
    for (uint32_t word = 32769; word < 65536 && cases < 40; ++word) {
        const uint64_t j = (uint64_t(1) << 39) % word;
        if (j < 1 || j > 1024) continue;
        ++cases;
        const float second = std::ldexp(float((uint64_t(1) << 39) / word), -53);
        const double doubleSum = double(2048 * first) + double(word) * second;
        ASSERT_EQ(uint32_t(double(float(doubleSum)) + 0.5), 1025u);
        auto in = RowOf({2048, word});
        DBlurJob job = JobWith(*in, {{0, 0, first}, {1, 0, second}});
        auto plain = RunJob(job, RowKernel::Plain);
        ASSERT_EQ(test::At(*plain, 0, 0).Word[0], 1024u);
        for (RowKernel kernel : Kernels())
            EXPECT_TRUE(test::SamePixels(*plain, *RunJob(job, kernel))) << word;
    }
    EXPECT_EQ(cases, 40);

    // A sum left at 2^-70 by a tiny weight: the next tap adds 3 + 4.5 u (u = 2^-22), which the
    // extended sum rounds to the tie and then down to 3 + 4u, while a single rounding of the
    // exact sum goes up to 3 + 5u. The third tap lifts the two across the midpoint below
    // 1000.5: outputs 1000 (extended) and 1001.
    const double u = std::ldexp(1.0, -22), below = 1000.5 - std::ldexp(1.0, -15);
    const double low = 3 + 4 * u, high = 3 + 5 * u;
    cases = 0;
    for (uint32_t word = 32768; word < 65536 && cases < 20; ++word) {
        const float third = float((below - 3 - 4.5 * u) / word);
        const double added = double(word) * third;
        if (!(low + added < below && high + added > below)) continue;
        ++cases;
        auto in = RowOf({1, 24576, word});
        DBlurJob job = JobWith(*in, {{0, 0, std::ldexp(1.0f, -70)},
                                     {1, 0, std::ldexp(1.0f + std::ldexp(3.0f, -23), -13)},
                                     {2, 0, third}});
        auto plain = RunJob(job, RowKernel::Plain);
        ASSERT_EQ(test::At(*plain, 0, 0).Word[0], 1000u);
        ASSERT_EQ(uint32_t(double(float(high + added)) + 0.5), 1001u);
        for (RowKernel kernel : Kernels())
            EXPECT_TRUE(test::SamePixels(*plain, *RunJob(job, kernel))) << word;
    }
    EXPECT_EQ(cases, 20);
}

TEST(DBlurRows, VectorKernelsAgreeOnRandomKernels) {
    // Weights from 1 down to 1e-7; every other list scaled to add up to 1, as the tool's do.
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        auto in = test::RandomImage(5 + int32_t(rng() % 60), 1 + int32_t(rng() % 9), rng());
        std::vector<DBlurTap> taps(1 + rng() % 40);
        float total = 0;
        for (DBlurTap& tap : taps) {
            tap = {int16_t(int(rng() % 41) - 20), int16_t(int(rng() % 7) - 3),
                   float(std::pow(10.0, -7.0 * (rng() % 1000) / 1000.0))};
            total += tap.Weight;
        }
        if (round % 2)
            for (DBlurTap& tap : taps) tap.Weight /= total;
        DBlurJob job = JobWith(*in, taps);
        auto plain = RunJob(job, RowKernel::Plain);
        for (RowKernel kernel : Kernels())
            ASSERT_TRUE(test::SamePixels(*plain, *RunJob(job, kernel))) << "round " << round;
    }
}
