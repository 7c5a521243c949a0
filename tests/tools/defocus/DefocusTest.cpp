// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "defocus/DefocusPasses.h"
#include "defocus/DefocusPlugIn.h"
#include "defocus/GaussianKernel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace vorlings::defocus;

namespace {

// One pass by the rule, one ReadPixel per tap: taps beyond the line repeat its border pixel
// or are skipped; each channel's top 14 bits are weighed, summed, shifted and scaled by 4.
void ReferencePass(const Image& from, Image& to, const GaussianKernel& kernel, bool duplicate,
                   bool alongRows) {
    const int32_t length = alongRows ? from.Width : from.Height;
    for (int32_t y = 0; y < from.Height; ++y)
        for (int32_t x = 0; x < from.Width; ++x) {
            uint64_t sum[4] = {};
            for (int32_t i = 0; i < kernel.Count(); ++i) {
                int32_t q = (alongRows ? x : y) - kernel.Centre() + i;
                if (q < 0 || q >= length) {
                    if (!duplicate) continue;
                    q = std::clamp(q, 0, length - 1);
                }
                const Pixel p = test::At(from, alongRows ? q : x, alongRows ? y : q);
                for (int c = 0; c < 4; ++c) sum[c] += uint64_t(p.Word[c] >> 2) * kernel.Weights[i];
            }
            Pixel out;
            for (int c = 0; c < 4; ++c) out.Word[c] = uint32_t(sum[c] >> kernel.Shift) * 4;
            to.WritePixel(&to, to.PixelAddress(x, y), &out);
        }
}

// Both passes, the intermediate stored in `betweenKind` (the input's own kind, as defined).
std::unique_ptr<Image> ReferenceBlur(const Image& in, double radius, bool duplicate,
                                     std::optional<ImageKind> betweenKind = std::nullopt) {
    const GaussianKernel kernel = *MakeGaussianKernel(float(in.Width) * float(radius));
    auto between = Image::Create(betweenKind.value_or(in.Kind), in.Width, in.Height);
    auto out = Image::Create(in.Kind, in.Width, in.Height);
    ReferencePass(in, *between, kernel, duplicate, true);
    ReferencePass(*between, *out, kernel, duplicate, false);
    return out;
}

std::unique_ptr<Image> RenderDefocus(std::shared_ptr<Image> input, double radius,
                                     double duplicate) {
    DefocusPlugIn tool(nullptr, nullptr, nullptr);
    tool.Radius->NumberValue.Value = radius;
    tool.DuplicateEdges->NumberValue.Value = duplicate;
    return test::Render(tool, std::move(input));
}

// Both passes of a job run directly in three chunks, with the plain sums.
std::unique_ptr<Image> RunPlainJob(const Image& in, double radius, int32_t duplicate) {
    auto between = Image::Create(in.Kind, in.Width, in.Height);
    auto out = Image::Create(in.Kind, in.Width, in.Height);
    std::optional<DefocusJob> job = MakeDefocusJob(float(radius), duplicate, in, *between, *out,
                                                   /*vector=*/false);
    job->Split = vorlings::frame::ChunkSplit::For(in.Width, in.Height, 3);
    const std::atomic<int> go{0};
    for (int c = 0; c < 3; ++c) RowPass(*job, job->Split.Rows(c), go);
    for (int c = 0; c < 3; ++c) ColumnPass(*job, job->Split.Columns(c), go);
    return out;
}

void ExpectBlurMatchesReference(const std::shared_ptr<Image>& in, double radius) {
    for (int duplicate : {0, 1}) {
        SCOPED_TRACE(::testing::Message() << in->Width << " x " << in->Height << ", radius "
                                          << radius << ", duplicate edges " << duplicate);
        const auto want = ReferenceBlur(*in, radius, duplicate);
        // The render road runs the vector sums where the machine has them.
        EXPECT_TRUE(test::SamePixels(*RenderDefocus(in, radius, duplicate), *want));
        EXPECT_TRUE(test::SamePixels(*RunPlainJob(*in, radius, duplicate), *want));
    }
}

} // namespace

TEST(DefocusKernel, WorkedExamples) {
    const GaussianKernel three = *MakeGaussianKernel(3.0f);
    EXPECT_EQ(three.Weights, (std::vector<uint32_t>{288, 3539, 15862, 26158, 15862, 3539, 288}));
    EXPECT_EQ(three.Shift, 16);
    // R = 18.6: the raw weight 16171 beside the centre times the float scale 1.0313524 is
    // 16677.9997, which the float product rounds to 16678 before truncating; the centre takes
    // what the others lost.
    const GaussianKernel near = *MakeGaussianKernel(18.6f);
    ASSERT_EQ(near.Count(), 39);
    EXPECT_EQ(near.Shift, 18);
    EXPECT_EQ(near.Weights[18], 16678u);
    EXPECT_EQ(near.Weights[19], 16916u);
    for (float zero : {0.0f, -2.0f, 0.005f, std::numeric_limits<float>::quiet_NaN()}) {
        const GaussianKernel one = *MakeGaussianKernel(zero);
        EXPECT_EQ(one.Weights, std::vector<uint32_t>{16384}) << zero;
        EXPECT_EQ(one.Shift, 14) << zero;
    }
}

TEST(DefocusKernel, EveryKernelIsSymmetricAndSumsToItsPowerOfTwo) {
    for (float r : {0.4f, 0.7f, 1.5f, 2.0f, 3.84f, 6.4f, 19.2f, 33.3f, 96.0f, 150.0f, 4000.0f}) {
        const GaussianKernel k = *MakeGaussianKernel(r);
        ASSERT_EQ(k.Count() % 2, 1) << r;
        uint64_t sum = 0;
        for (int32_t i = 0; i < k.Count(); ++i) {
            sum += k.Weights[size_t(i)];
            EXPECT_EQ(k.Weights[size_t(i)], k.Weights[size_t(k.Count() - 1 - i)]) << r;
            EXPECT_GT(k.Weights[size_t(i)], 0u) << r;
            if (i > 0 && i <= k.Centre()) {
                EXPECT_GE(k.Weights[size_t(i)], k.Weights[size_t(i - 1)]);
            }
        }
        EXPECT_EQ(sum, uint64_t(1) << k.Shift) << r;
        // At these radii the tails out to d = ceil(R), 3 sigma or a little more, still weigh
        // exp(-d^2 / 2 sigma^2) x 16383 >= 1: none is left out.
        if (r >= 1.0f) {
            EXPECT_EQ(k.Count(), 2 * int32_t(std::ceil(r)) + 1) << r;
        }
    }
    // Past the reach that can be allocated, no kernel.
    EXPECT_FALSE(MakeGaussianKernel(2.0f * kMaxKernelReach));
    EXPECT_FALSE(MakeGaussianKernel(std::numeric_limits<float>::infinity()));
}

TEST(DefocusKernel, DefaultRadiusOnAThousandPixelsReachesTwo) {
    // R = 2, n = 2, sigma = 2/3: raw 181, 5318, 16383, 5318, 181 (T = 27381, P = 2^15).
    auto in = Image::Create(ImageKind::Int16, 1000, 3);
    auto between = Image::Create(ImageKind::Int16, 1000, 3);
    auto out = Image::Create(ImageKind::Int16, 1000, 3);
    const std::optional<DefocusJob> job = MakeDefocusJob(0.002f, 0, *in, *between, *out);
    ASSERT_TRUE(job);
    EXPECT_EQ(job->Radius, 2.0f);
    EXPECT_EQ(job->Kernel.Weights, (std::vector<uint32_t>{216, 6364, 19608, 6364, 216}));
    EXPECT_EQ(job->Kernel.Shift, 15);
}

TEST(DefocusReference, MatchesTheSlowBlurOnTinyAndOddPictures) {
    const int32_t sizes[][2] = {{1, 1}, {3, 1}, {1, 3}, {5, 7}, {7, 5}, {13, 11}, {37, 4}, {4, 37}};
    uint32_t seed = 1;
    for (auto [w, h] : sizes) {
        const auto in = test::RandomImage(w, h, seed++);
        // R = 0, 0.7, 2, 3, 3.84, 19.2 (the sum passes 32 bits) and 40 pixels.
        for (double r : {0.0, 0.7, 2.0, 3.0, 3.84, 19.2, 40.0})
            ExpectBlurMatchesReference(in, r / w);
    }
}

TEST(DefocusReference, MatchesAcrossStripsAndLaneGroups) {
    // 70 columns: two whole strips and a narrow one; 280 lanes a row.
    const auto in = test::RandomImage(70, 45, 17);
    for (double r : {3.84, 19.2, 96.0}) ExpectBlurMatchesReference(in, r / 70);
}

TEST(DefocusReference, KernelsFarLongerThanTheLine) {
    // Taps beyond the line land beyond one border at every position; with duplicate edges
    // their weights reach 2^20 and more.
    for (auto [w, h] : {std::pair{3, 2}, std::pair{7, 5}, std::pair{1, 6}})
        for (double r : {500.0, 5000.0})
            ExpectBlurMatchesReference(test::RandomImage(w, h, 5), r / w);
}

TEST(DefocusWorkedCases, RadiusZeroClearsTheTwoLowBits) {
    const auto in = test::RandomImage(9, 6, 3);
    for (double radius : {0.0, -0.5})
        for (int duplicate : {0, 1}) {
            const auto out = RenderDefocus(in, radius, duplicate);
            for (int32_t y = 0; y < 6; ++y)
                for (int32_t x = 0; x < 9; ++x)
                    for (int c = 0; c < 4; ++c)
                        ASSERT_EQ(test::At(*out, x, y).Word[c], test::At(*in, x, y).Word[c] & ~3u);
        }
}

TEST(DefocusWorkedCases, AUniformFrameDarkensTowardItsBordersOnlyWithoutDuplicateEdges) {
    // R = 24 x 0.125 = 3, the kernel 288, 3539, 15862, 26158, ... summing to 2^16. Of 40000
    // (10000 weighed) a border pixel keeps the centre and one side: 10000 x 45847 >> 16 = 6995.
    const auto in = test::Flat(24, 20, 40001);
    const auto off = RenderDefocus(in, 0.125, 0);
    EXPECT_EQ(test::At(*off, 12, 10).Word[0], 40000u);
    EXPECT_EQ(test::At(*off, 0, 10).Word[1], 27980u);
    EXPECT_EQ(test::At(*off, 12, 0).Word[2], 27980u);
    EXPECT_EQ(test::At(*off, 1, 10).Word[3], 37664u);  // one more tap: 61709
    EXPECT_EQ(test::At(*off, 21, 10).Word[0], 39824u); // two more taps: 65248
    EXPECT_EQ(test::At(*off, 23, 19).Word[0], 19572u); // the corner: 6995 x 45847 >> 16 = 4893
    EXPECT_EQ(test::At(*off, 1, 0).Word[0], 26348u);

    EXPECT_TRUE(test::SamePixels(*RenderDefocus(in, 0.125, 1), *test::Flat(24, 20, 40000)));
}

TEST(DefocusWorkedCases, ALineOnePixelLong) {
    // Every tap reads the one pixel, or only the centre (26158 of 2^16) counts: 10000 ->
    // 3991 (15964) -> 1592 (6368).
    const auto dot = test::Flat(1, 1, 40003);
    EXPECT_EQ(test::At(*RenderDefocus(dot, 3.0, 1), 0, 0).Word[0], 40000u);
    EXPECT_EQ(test::At(*RenderDefocus(dot, 3.0, 0), 0, 0).Word[0], 6368u);
    // A row one pixel high: the column pass sees one pixel; a column one pixel wide: the row
    // pass does.
    EXPECT_EQ(test::At(*RenderDefocus(test::Flat(9, 1, 40000), 3.0 / 9, 0), 4, 0).Word[0], 15964u);
    EXPECT_EQ(test::At(*RenderDefocus(test::Flat(1, 9, 40000), 3.0, 0), 0, 4).Word[0], 15964u);
}

TEST(DefocusKinds, TheIntermediateImageKeepsTheInputsKind) {
    for (ImageKind kind : {ImageKind::Int8, ImageKind::Float})
        ExpectBlurMatchesReference(test::RandomImage(11, 7, 9, kind), 3.0 / 11);
    // An 8-bit intermediate loses what a 16-bit one would keep.
    const auto eight = test::RandomImage(11, 7, 9, ImageKind::Int8);
    for (int duplicate : {0, 1})
        EXPECT_FALSE(
            test::SamePixels(*RenderDefocus(eight, 3.0 / 11, duplicate),
                             *ReferenceBlur(*eight, 3.0 / 11, duplicate, ImageKind::Int16)));
}

TEST(DefocusControls, DeclaredInTheirOrderWithTheirBoundsAndDefaults) {
    DefocusPlugIn tool(nullptr, nullptr, nullptr);
    const auto& inputs = tool.Inputs();
    ASSERT_EQ(inputs.size(), 3u);
    EXPECT_EQ(inputs[0]->Name, "Radius");
    EXPECT_EQ(inputs[0]->LinkId, FourCC("RadB"));
    EXPECT_EQ(inputs[0]->ControlKind, KIND_Slider);
    EXPECT_EQ(inputs[0]->Lower, 0.0);
    EXPECT_EQ(inputs[0]->Upper, 0.07);
    EXPECT_EQ(inputs[0]->Default, 0.002);
    EXPECT_EQ(inputs[1]->Name, "Duplicate Edges");
    EXPECT_EQ(inputs[1]->LinkId, FourCC("DpEd"));
    EXPECT_EQ(inputs[1]->ControlKind, KIND_Check);
    EXPECT_EQ(inputs[1]->CheckDefault, 0);
    EXPECT_EQ(inputs[2]->Name, "Input");
    EXPECT_EQ(inputs[2]->LinkId, LINK_FirstImage);
    ASSERT_EQ(tool.Outputs().size(), 1u);
    EXPECT_EQ(tool.Outputs()[0]->Name, "Output");
    EXPECT_EQ(tool.Outputs()[0]->LinkId, LINK_ImageOutput);
}

TEST(DefocusControls, DuplicateEdgesIsOnFromOne) {
    const auto in = test::RandomImage(8, 6, 11);
    const auto on = RenderDefocus(in, 2.0 / 8, 1), off = RenderDefocus(in, 2.0 / 8, 0);
    EXPECT_FALSE(test::SamePixels(*on, *off));
    for (double v : {2.7, 100.0})
        EXPECT_TRUE(test::SamePixels(*RenderDefocus(in, 2.0 / 8, v), *on));
    for (double v : {0.99, -3.0})
        EXPECT_TRUE(test::SamePixels(*RenderDefocus(in, 2.0 / 8, v), *off));
}

TEST(DefocusFailure, AKernelThatCannotBeBuiltLeavesTheOutputAsMade) {
    const auto in = test::RandomImage(6, 4, 2);
    for (double radius : {1e9, std::numeric_limits<double>::infinity()}) {
        const auto out = RenderDefocus(in, radius, 1);
        ASSERT_TRUE(out);
        EXPECT_TRUE(test::SamePixels(*out, *Image::Create(ImageKind::Int16, 6, 4)));
    }
}
