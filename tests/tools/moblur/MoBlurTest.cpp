// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "moblur/BlockMatch.h"
#include "moblur/EstimateMotion.h"
#include "moblur/FieldCleanup.h"
#include "moblur/GreyPyramid.h"
#include "moblur/MoBlurPlugIn.h"
#include "moblur/SmearFrame.h"
#include "moblur/SmearRows.h"

#include <gtest/gtest.h>

#include <random>

using namespace vorlings::moblur;

namespace {

const std::atomic<int> kRunning{0};

// A texture with detail at every level of the search: random 8-pixel cells with fine grain
// over them.
std::vector<uint32_t> Texture(int32_t w, int32_t h, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> cells(size_t((w / 8 + 1) * (h / 8 + 1))), texture(size_t(w * h));
    for (auto& v : cells) v = rng() % 49152;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            texture[size_t(y * w + x)] =
                cells[size_t((y / 8) * (w / 8 + 1) + x / 8)] + rng() % 16384;
    return texture;
}

// A 16-bit grey picture: a textured ground with a square of another texture whose top-left
// corner is at (sx, sy).
std::shared_ptr<Image> SquareScene(int32_t w, int32_t h, int32_t sx, int32_t sy, int32_t side) {
    const std::vector<uint32_t> ground = Texture(w, h, 7), square = Texture(side, side, 8);
    return test::MakeImage(ImageKind::Int16, w, h, [&](int32_t x, int32_t y) {
        const bool inside = x >= sx && x < sx + side && y >= sy && y < sy + side;
        return test::Grey(inside ? square[size_t((y - sy) * side + x - sx)]
                                 : ground[size_t(y * w + x)]);
    });
}

// Runs the block-matching pass over every chunk of the job on this thread.
void MatchAllChunks(const MotionJob& job) {
    for (int c = 0; c < job.Split.ChunkCount; ++c) MatchBlockRows(job, job.Split.Rows(c), kRunning);
}

MotionField ZeroField(int32_t w, int32_t h) {
    return std::move(*MakeMotionField(w, h));
}

// Renders the tool with `prev` at sample 0 and `next` at sample 1 (either may be missing).
std::unique_ptr<Image> RenderPair(MoBlurPlugIn& tool, std::shared_ptr<Image> prev,
                                  std::shared_ptr<Image> next) {
    Request request(0.0);
    return RenderRequest(tool, request,
                         [&](const Input&, int sample, double) { return sample ? next : prev; });
}

} // namespace

// ---- Grey pyramids -----------------------------------------------------------------------

TEST(GreyPyramid, GreyIsTheWeightedLuminanceOverTwoFiftySeven) {
    // Full red 77 x 65535 / 256 = 19711, / 257 = 76; green 32767 -> 127; blue 13055 -> 50.
    EXPECT_EQ(GreyOf(0, 0, 65535), 76);
    EXPECT_EQ(GreyOf(0, 65535, 0), 127);
    EXPECT_EQ(GreyOf(65535, 0, 0), 50);
    // 128 x 513 / 256 = 256.5: both divisions truncate, so this is still grey 0.
    EXPECT_EQ(GreyOf(0, 513, 0), 0);
    EXPECT_EQ(GreyOf(65535, 65535, 65535), 255);
}

TEST(GreyPyramid, KernelOfTwoAndAHalfHasSevenSymmetricTapsSummingToOne) {
    const SmoothingKernel kernel = MakeSmoothingKernel(2.5f);
    ASSERT_EQ(kernel.Count, 7);
    float sum = 0.0f;
    for (int k = 0; k < 7; ++k) {
        sum += kernel.Taps[size_t(k)];
        EXPECT_EQ(kernel.Taps[size_t(k)], kernel.Taps[size_t(6 - k)]);
        if (k > 0 && k <= 3) {
            EXPECT_GT(kernel.Taps[size_t(k)], kernel.Taps[size_t(k - 1)]);
        }
    }
    EXPECT_NEAR(sum, 1.0f, 1e-6f);
    // Below 0.01 the width is 0.01: the outer taps vanish and one tap of 1 remains.
    const SmoothingKernel narrow = MakeSmoothingKernel(0.0f);
    ASSERT_EQ(narrow.Count, 1);
    EXPECT_EQ(narrow.Taps[0], 1.0f);
}

TEST(GreyPyramid, SmoothingKeepsFlatPlanesAndSpreadsADotSymmetrically) {
    std::vector<uint8_t> flat(35, 200);
    ASSERT_TRUE(SmoothGrey(flat.data(), 7, 5, 2.5f, kRunning));
    for (uint8_t v : flat) EXPECT_GE(v, 199); // truncation may lose the last fraction

    std::vector<uint8_t> dot(15 * 15, 0);
    dot[7 * 15 + 7] = 255;
    ASSERT_TRUE(SmoothGrey(dot.data(), 15, 15, 2.5f, kRunning));
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 15; ++x) {
            EXPECT_EQ(dot[size_t(y * 15 + x)], dot[size_t(x * 15 + y)]);
            EXPECT_EQ(dot[size_t(y * 15 + x)], dot[size_t(y * 15 + 14 - x)]);
        }
    EXPECT_GT(dot[7 * 15 + 7], dot[7 * 15 + 8]);
}

TEST(GreyPyramid, VectorSmoothingGivesThePlainBytes) {
    if (!MachineSmoothsOnVectors()) GTEST_SKIP() << "no AVX2 on this machine";
    std::mt19937 rng(4);
    for (auto [w, h] : {std::pair{37, 23}, {5, 3}, {1, 1}, {9, 1}, {16, 16}, {64, 2}}) {
        std::vector<uint8_t> plain(size_t(w * h));
        for (auto& v : plain) v = uint8_t(rng());
        std::vector<uint8_t> vector = plain;
        ASSERT_TRUE(SmoothGrey(plain.data(), w, h, 2.5f, kRunning, false));
        ASSERT_TRUE(SmoothGrey(vector.data(), w, h, 2.5f, kRunning, true));
        EXPECT_EQ(vector, plain) << w << " x " << h;
    }
}

TEST(GreyPyramid, HalvingTakesTheFlooredMeanOfEachTwoByTwoBlock) {
    std::vector<uint8_t> level(5 * 3), next(2, 0xEE);
    for (size_t i = 0; i < level.size(); ++i) level[i] = uint8_t(i * 37 % 251);
    const auto [w, h] = HalveGrey(level.data(), 5, 3, next.data());
    ASSERT_EQ(w, 2);
    ASSERT_EQ(h, 1);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(next[size_t(i)], (level[size_t(2 * i)] + level[size_t(2 * i + 1)] +
                                    level[size_t(5 + 2 * i)] + level[size_t(6 + 2 * i)]) /
                                       4);
}

// ---- Block matching (the first pass) -------------------------------------------------------

TEST(BlockMatching, StartLevelFollowsTheDistanceToTheBorder) {
    EXPECT_EQ(StartLevel(16, 200, 400, 400), 0); // d <= 16: level 0 only
    EXPECT_EQ(StartLevel(17, 200, 400, 400), 1);
    EXPECT_EQ(StartLevel(200, 65, 400, 400), 3); // d > 64
    EXPECT_EQ(StartLevel(200, 64, 400, 400), 2);
}

TEST(BlockMatching, ABoundingRegionOfNoSizeHoldsOneBlock) {
    const BlockGrid grid = MakeBlockGrid(100, 100, 50, 50, 200, 120);
    EXPECT_EQ((grid.X1 - grid.X0 + kGridStep - 1) / kGridStep, 1);
    EXPECT_EQ((grid.Y1 - grid.Y0 + kGridStep - 1) / kGridStep, 1);
    // The region's bounds may come in either order and reach past the frame.
    const BlockGrid all = MakeBlockGrid(5000, -300, 900, -1, 200, 120);
    EXPECT_EQ(all.X0, 8);
    EXPECT_EQ(all.X1, 200);
    EXPECT_EQ(all.Y1, 120);
}

TEST(BlockMatching, AMovedTextureIsFoundWhereItCameFrom) {
    // Frame t + 1 holds frame t's texture moved right by 3 and up by 2: its content at (x, y)
    // was at (x - 3, y + 2).
    const int32_t w = 48, h = 40;
    std::vector<uint8_t> prev(size_t(w * h)), next(size_t(w * h));
    std::mt19937 rng(11);
    for (auto& v : prev) v = uint8_t(rng());
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            next[size_t(y * w + x)] =
                prev[size_t(std::clamp(y + 2, 0, h - 1) * w + std::clamp(x - 3, 0, w - 1))];
    const BlockMatch m = MatchBlock(prev.data(), next.data(), w, h, 24, 20, 24, 20, kBlockSize);
    EXPECT_TRUE(m.Compared);
    EXPECT_EQ(m.X - 24, -3);
    EXPECT_EQ(m.Y - 20, 2);
    // A block wholly outside the level keeps the guess.
    const BlockMatch outside = MatchBlock(prev.data(), next.data(), w, h, 80, 20, 70, 21, 16);
    EXPECT_FALSE(outside.Compared);
    EXPECT_EQ(outside.X, 70);
    EXPECT_EQ(outside.Y, 21);
}

TEST(BlockMatching, TheVectorSearchesFindThePlainSearchesMatchEverywhere) {
    // Few grey levels make many equal costs, so the first of equals must win on every unit.
    const int32_t w = 72, h = 50;
    std::vector<uint8_t> prev(size_t(w * h)), next(size_t(w * h));
    std::mt19937 rng(5);
    for (auto& v : prev) v = uint8_t(rng() % 4 * 60);
    for (auto& v : next) v = uint8_t(rng() % 4 * 60);
    for (MatchUnit unit : {MatchUnit::Avx2, MatchUnit::Avx512}) {
        if (unit > MachineMatchUnit()) continue;
        for (int32_t y = 0; y < h; y += 3)
            for (int32_t x = 0; x < w; x += 3) {
                const int32_t gx = x + int32_t(rng() % 13) - 6, gy = y + int32_t(rng() % 13) - 6;
                const BlockMatch plain =
                    MatchBlock(prev.data(), next.data(), w, h, x, y, gx, gy, 16);
                const BlockMatch vector =
                    MatchBlockVector(prev.data(), next.data(), w, h, x, y, gx, gy, 16, unit);
                ASSERT_EQ(vector.X, plain.X) << x << ", " << y << " on unit " << int(unit);
                ASSERT_EQ(vector.Y, plain.Y) << x << ", " << y << " on unit " << int(unit);
                ASSERT_EQ(vector.Compared, plain.Compared);
            }
    }
}

TEST(BlockMatching, ASquareMovedByWholePixelsIsFoundAtTheBlockCentresInsideIt) {
    const auto prev = SquareScene(160, 160, 16, 16, 96);
    const auto next = SquareScene(160, 160, 21, 19, 96); // moved by (5, 3)
    std::vector<std::pair<float, float>> found;
    const auto keepBlocks = [&](const MotionJob& job) {
        MatchAllChunks(job);
        for (int32_t y : {56, 72})
            for (int32_t x : {56, 72, 88})
                found.emplace_back(job.Field->X[job.Field->At(x, y)],
                                   job.Field->Y[job.Field->At(x, y)]);
    };
    MotionSettings settings; // the whole frame
    settings.Right = 160;
    settings.Bottom = 160;
    const auto field =
        EstimateMotion(*next, *prev, 160, 160, settings,
                       vorlings::frame::ChunkSplit::For(160, 160, 3), kRunning, keepBlocks);
    ASSERT_TRUE(field);
    ASSERT_EQ(found.size(), 6u);
    for (const auto& [vx, vy] : found) {
        EXPECT_EQ(vx, -5.0f);
        EXPECT_EQ(vy, -3.0f);
    }
}

TEST(BlockMatching, IdenticalFramesGiveNoMotionAnywhere) {
    const auto frame = test::RandomImage(70, 50, 5);
    MotionSettings settings;
    settings.Right = 70;
    settings.Bottom = 50;
    const auto field =
        EstimateMotion(*frame, *frame, 70, 50, settings,
                       vorlings::frame::ChunkSplit::For(70, 50, 2), kRunning, MatchAllChunks);
    ASSERT_TRUE(field);
    for (size_t i = 0; i < PlaneSize(70, 50); ++i) {
        ASSERT_EQ(field->X[i], 0.0f);
        ASSERT_EQ(field->Y[i], 0.0f);
    }
}

TEST(BlockMatching, AnAbortDuringThePassYieldsNoField) {
    const auto frame = test::RandomImage(40, 40, 5);
    std::atomic<int> abortFlag{0};
    const auto field =
        EstimateMotion(*frame, *frame, 40, 40, MotionSettings{}, vorlings::frame::ChunkSplit{},
                       abortFlag, [&](const MotionJob&) { abortFlag = 1; });
    EXPECT_FALSE(field);
}

// ---- Clean-up and interpolation ------------------------------------------------------------

namespace {

// A field of `size` x `size` whose block centres all move by (1, 0) but the one at (24, 24),
// which moves three times as far.
MotionField OneOutlier(int32_t size) {
    MotionField field = ZeroField(size, size);
    for (int32_t y = 8; y < size; y += 16)
        for (int32_t x = 8; x < size; x += 16) field.X[field.At(x, y)] = 1.0f;
    field.X[field.At(24, 24)] = 3.0f;
    return field;
}

float CleanedOutlier(int32_t size, float threshold) {
    MotionField field = OneOutlier(size);
    std::vector<float> tempX(PlaneSize(size, size)), tempY(PlaneSize(size, size));
    EXPECT_TRUE(CleanBlockMotion(field, threshold, tempX.data(), tempY.data(), kRunning));
    return field.X[field.At(24, 24)];
}

} // namespace

TEST(BlockCleanUp, ABlockFarFromItsNeighboursMeanIsReplacedAtTwoAndKeptAtTen) {
    EXPECT_EQ(OutlierRatio(9.0f, 1.0f), 9.0f);
    EXPECT_EQ(OutlierRatio(1.0f, 4.0f), 4.0f);
    EXPECT_EQ(OutlierRatio(0.0f, 0.0f), 0.0f);
    EXPECT_EQ(CleanedOutlier(64, 2.0f), 1.0f);
    EXPECT_EQ(CleanedOutlier(64, 10.0f), 3.0f);
}

TEST(BlockCleanUp, FramesOfFortyPixelsOrLessAreNotCleaned) {
    EXPECT_EQ(CleanedOutlier(40, 2.0f), 3.0f);
    EXPECT_EQ(CleanedOutlier(41, 2.0f), 1.0f);
}

TEST(Interpolation, CellsBlendTheirCornersAndFramesOfTwentyFourOrLessKeepOnlyTheCentres) {
    MotionField field = ZeroField(41, 41);
    field.X[field.At(8, 8)] = 16.0f;
    field.Y[field.At(24, 24)] = -32.0f;
    InterpolateMotion(field);
    EXPECT_EQ(field.X[field.At(12, 8)], 12.0f); // a quarter of the way to (24, 8)
    EXPECT_EQ(field.X[field.At(16, 16)], 4.0f); // the middle of the cell
    EXPECT_EQ(field.Y[field.At(16, 16)], -8.0f);
    EXPECT_EQ(field.X[field.At(3, 3)], 0.0f); // the border strip keeps what it held

    MotionField small = ZeroField(24, 30);
    small.X[small.At(8, 8)] = 5.0f;
    InterpolateMotion(small);
    EXPECT_EQ(small.X[small.At(8, 8)], 5.0f);
    EXPECT_EQ(small.X[small.At(9, 8)], 0.0f);
}

// ---- The smear (the second pass) ---------------------------------------------------------

namespace {

struct SmearBench {
    int32_t W = 16, H = 8;
    std::shared_ptr<Image> Next = test::RandomImage(W, H, 21), Prev = test::RandomImage(W, H, 22);
    MotionField Field = ZeroField(W, H);
    std::vector<float> Planes[5];

    // Smears with the pixel at (x, y) moving by (vx, vy), everything else still.
    void Run(int32_t x, int32_t y, float vx, float vy, int32_t steps, float scale = 1.0f,
             float endWeight = 1.0f) {
        Field.X[Field.At(x, y)] = vx;
        Field.Y[Field.At(x, y)] = vy;
        for (auto& p : Planes) p.assign(PlaneSize(W, H), 0.0f);
        const auto next = FrameWords::Of(*Next, W, H), prev = FrameWords::Of(*Prev, W, H);
        const SmearJob job{&*next,
                           &*prev,
                           W,
                           H,
                           steps,
                           &Field,
                           scale,
                           1.0f,
                           endWeight,
                           {Planes[0].data(), Planes[1].data(), Planes[2].data(), Planes[3].data(),
                            Planes[4].data()},
                           vorlings::frame::ChunkSplit::For(W, H, 1)};
        SmearRows(job, {0, H}, kRunning);
    }
    float Weight(int32_t x, int32_t y) const { return Planes[4][Field.At(x, y)]; }
    float Red(int32_t x, int32_t y) const { return Planes[0][Field.At(x, y)]; }
    float RedOf(const Image& image, int32_t x, int32_t y) const {
        return float(test::At(image, x, y).Word[2]);
    }
};

} // namespace

TEST(Smear, TwoStepsSplatAtThePixelAndAtItsEndPoint) {
    SmearBench bench;
    bench.Run(3, 4, 4.0f, 0.0f, 2);
    for (int32_t y = 0; y < bench.H; ++y)
        for (int32_t x = 0; x < bench.W; ++x) {
            const float expected = (x == 7 && y == 4) ? 2.0f : 1.0f;
            EXPECT_EQ(bench.Weight(x, y), expected) << x << ", " << y;
        }
    // Its own colour at the start, frame t's colour where it came from at the end.
    EXPECT_EQ(bench.Red(3, 4), bench.RedOf(*bench.Next, 3, 4));
    EXPECT_EQ(bench.Red(7, 4), bench.RedOf(*bench.Next, 7, 4) + bench.RedOf(*bench.Prev, 7, 4));
}

TEST(Smear, LengthScaleStretchesThePathButNotWhereTheColourComesFrom) {
    SmearBench bench;
    bench.Run(2, 3, 3.0f, 1.0f, 2, 2.0f);
    EXPECT_EQ(bench.Weight(8, 5), 2.0f);
    EXPECT_EQ(bench.Red(8, 5), bench.RedOf(*bench.Next, 8, 5) + bench.RedOf(*bench.Prev, 5, 4));
}

TEST(Smear, AnEndPointOutsideTheFrameStopsOnePixelInside) {
    SmearBench bench;
    bench.Run(12, 2, 9.0f, -7.0f, 2);
    EXPECT_EQ(bench.Weight(14, 1), 2.0f); // (21, -5) held to (14, 1)
    EXPECT_EQ(bench.Red(14, 1), bench.RedOf(*bench.Next, 14, 1) + bench.RedOf(*bench.Prev, 14, 1));
}

TEST(Smear, StepsShareTheirWeightsFromStartToEnd) {
    SmearBench bench;
    bench.Run(2, 4, 9.0f, 0.0f, 10, 1.0f, 50.0f);
    double total = 0.0;
    for (float w : bench.Planes[4]) total += w;
    // Every still pixel counts 1; the moving one 1 + 6.44 + ... + 50 over ten steps.
    EXPECT_NEAR(total, float(bench.W * bench.H - 1) + 10.0f * (1.0f + 50.0f) / 2.0f, 1e-3);
    EXPECT_EQ(bench.Weight(11, 4), 51.0f);
    EXPECT_EQ(bench.Weight(2, 4), 1.0f);

    // Beyond the step counts the controls offer, the same rule over 300 steps.
    bench.Run(2, 4, 9.0f, 0.0f, 300, 1.0f, 50.0f);
    total = 0.0;
    for (float w : bench.Planes[4]) total += w;
    EXPECT_NEAR(total, float(bench.W * bench.H - 1) + 300.0f * (1.0f + 50.0f) / 2.0f, 0.05f);
}

// ---- The tool --------------------------------------------------------------------------

TEST(MoBlurDeclarations, ControlsOnTwoPagesWithTheRectangleTiedToTheCentre) {
    MoBlurPlugIn tool(nullptr, nullptr, nullptr);
    EXPECT_EQ(tool.Pages(), (std::vector<std::string>{"Effect", "Bounds"}));
    std::vector<std::string> names;
    for (const auto& in : tool.Inputs()) names.push_back(in->Name);
    EXPECT_EQ(names, (std::vector<std::string>{"Number of Steps", "Start Weight", "End Weight",
                                               "Length Scale", "Threshold", "XY Center", "Width",
                                               "Height", "Bounding Region", "First input"}));
    EXPECT_EQ(tool.NumberOfSteps->Page, 0);
    EXPECT_EQ(tool.Center->Page, 1);
    EXPECT_EQ(*tool.LengthScale->Lower, 0.1);
    EXPECT_EQ(*tool.Threshold->Upper, 40.0);
    EXPECT_EQ(*tool.BoundsHeight->Default, 0.95);
    for (const Input* side : {tool.BoundsWidth, tool.BoundsHeight, tool.BoundingRegion}) {
        EXPECT_EQ(side->PreviewKind, PREVIEW_Rectangle) << side->Name;
        EXPECT_EQ(side->TiedTo, tool.Center) << side->Name;
    }
    const auto tagOf = [](const Input* in, uint32_t tag) {
        for (const TagItem& t : in->ExtraTags)
            if (t.tag == tag) return int64_t(t.value);
        return int64_t(-7);
    };
    EXPECT_EQ(tagOf(tool.BoundsHeight, CTL_RectIsHeight), 1);
    EXPECT_EQ(tagOf(tool.BoundsWidth, CTL_RectIsHeight), 0);
    EXPECT_EQ(tagOf(tool.First, CTL_SampleCount), 2);
    EXPECT_EQ(tool.Out->Name, "Output image");
}

TEST(MoBlurRender, IdenticalFramesGiveFrameTPlusOne) {
    MoBlurPlugIn tool(nullptr, nullptr, nullptr);
    const auto frame = test::RandomImage(61, 45, 9);
    const auto out = RenderPair(tool, frame, frame);
    ASSERT_TRUE(out);
    EXPECT_TRUE(test::SamePixels(*out, *frame));
}

TEST(MoBlurRender, OneFrameIsCopiedAndNoFrameGivesNoImage) {
    MoBlurPlugIn tool(nullptr, nullptr, nullptr);
    const auto t = test::RandomImage(33, 20, 1), next = test::RandomImage(33, 20, 2);
    EXPECT_TRUE(test::SamePixels(*RenderPair(tool, t, nullptr), *t));
    EXPECT_TRUE(test::SamePixels(*RenderPair(tool, nullptr, next), *next));
    // A frame t + 1 of another size counts as missing.
    EXPECT_TRUE(test::SamePixels(*RenderPair(tool, t, test::RandomImage(34, 20, 2)), *t));
    EXPECT_EQ(RenderPair(tool, nullptr, nullptr), nullptr);
}

TEST(MoBlurRender, AsksForFrameTAndTheFrameAfter) {
    MoBlurPlugIn tool(nullptr, nullptr, nullptr);
    std::vector<std::pair<int, double>> asked;
    Request request(7.75);
    RenderRequest(tool, request, [&](const Input&, int sample, double time) {
        asked.emplace_back(sample, time);
        return std::shared_ptr<Image>();
    });
    EXPECT_EQ(asked, (std::vector<std::pair<int, double>>{{0, 7.0}, {1, 8.0}}));
}

TEST(MoBlurRender, StepCountsBelowTwoActAsTwo) {
    const auto prev = SquareScene(96, 64, 20, 16, 40), next = SquareScene(96, 64, 26, 16, 40);
    MoBlurPlugIn two(nullptr, nullptr, nullptr), one(nullptr, nullptr, nullptr);
    two.NumberOfSteps->NumberValue.Value = 2.0;
    one.NumberOfSteps->NumberValue.Value = -3.0;
    const auto a = RenderPair(two, prev, next), b = RenderPair(one, prev, next);
    ASSERT_TRUE(a && b);
    EXPECT_TRUE(test::SamePixels(*a, *b));
    EXPECT_FALSE(test::SamePixels(*a, *next));
}

TEST(Smear, HorizontalMotionGivesTheSameImageForOneAndEightChunks) {
    // Paths that stay in their row reach no other chunk, so no chunk can miss a share of one.
    const auto prev = test::RandomImage(50, 37, 1), next = test::RandomImage(50, 37, 2);
    MotionField field = ZeroField(50, 37);
    for (size_t i = 0; i < PlaneSize(50, 37); ++i) field.X[i] = float(int(i % 23) - 11) * 0.7f;
    std::unique_ptr<Image> outs[2];
    for (int i = 0; i < 2; ++i) {
        outs[i] = Image::Create(ImageKind::Int16, 50, 37);
        const auto split = vorlings::frame::ChunkSplit::For(50, 37, i ? 8 : 1);
        SmearFrame(*outs[i], *next, *prev, field, SmearSettings{}, split, kRunning,
                   [](const SmearJob& job) {
                       for (int c = job.Split.ChunkCount - 1; c >= 0; --c)
                           SmearRows(job, job.Split.Rows(c), kRunning);
                   });
    }
    EXPECT_TRUE(test::SamePixels(*outs[0], *outs[1]));
    EXPECT_FALSE(test::SamePixels(*outs[0], *next));
}
