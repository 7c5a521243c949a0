// SPDX-License-Identifier: Apache-2.0
// The FlareSpot tool: its controls, and renders through the host's road.
#include "support/TestImages.h"

#include "flarespot/FlareSpotJob.h"
#include "flarespot/FlareSpotPlugIn.h"
#include "flarespot/FlareSpotRows.h"

#include <gtest/gtest.h>

#include <functional>

using namespace vorlings::flarespot;
namespace frame = vorlings::frame;

namespace {

std::unique_ptr<Image> RenderFlareSpot(std::shared_ptr<Image> input,
                                       const std::function<void(FlareSpotPlugIn&)>& set = {}) {
    FlareSpotPlugIn tool(nullptr, nullptr, nullptr);
    if (set) set(tool);
    return test::Render(tool, std::move(input));
}

/// The input as the tool passes it through where no light falls: two low bits cleared.
Pixel Cleared(const Pixel& p) {
    Pixel q = p;
    for (auto& w : q.Word) w &= ~3u;
    return q;
}

} // namespace

TEST(FlareSpotControls, DeclaredOnFourPagesWithTiedPointsAndColourGroups) {
    FlareSpotPlugIn tool(nullptr, nullptr, nullptr);
    EXPECT_EQ(tool.Pages(), (std::vector<std::string>{"Position", "Light", "Spots", "Color"}));
    EXPECT_EQ(tool.Source->TiedTo, tool.Destination);
    EXPECT_EQ(tool.Destination->TiedTo, tool.Source);
    EXPECT_EQ(tool.EdgeBoost->Page, 2);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(tool.StartColour[c]->GroupLabel, "Start Color");
        EXPECT_EQ(tool.EndColour[c]->GroupNumber, 2);
        EXPECT_EQ(tool.EndColour[c]->GroupIndex, c);
    }
}

TEST(FlareSpotControls, SidesRoundAndClampEdgeBoostNeedsMoreThanAHalf) {
    FlareSpotControls c;
    const std::pair<float, int32_t> sides[] = {{2.4f, 3}, {80.6f, 80}, {4.5f, 5}, {4.4f, 4}};
    for (auto [value, want] : sides) {
        c.SourceSides = value;
        EXPECT_EQ(MakeSpotParams(c).Sides, want) << value;
    }
    c.EdgeBoost = 0.5f;
    EXPECT_EQ(MakeSpotParams(c).EdgeBoost, 0);
    c.EdgeBoost = 0.51f;
    EXPECT_EQ(MakeSpotParams(c).EdgeBoost, 1);
    // Points become lens coordinates: the frame spans -1 to +1.
    c.Source = Point(0.0, 1.0);
    EXPECT_EQ(MakeSpotParams(c).SourceX, -1.0f);
    EXPECT_EQ(MakeSpotParams(c).SourceY, 1.0f);
}

TEST(FlareSpotRender, AFrameWithNoSpotInItIsTheInputWithTwoLowBitsCleared) {
    const auto input = test::RandomImage(37, 23, 5);
    // Both points far to the right of the frame: every spot lands off it.
    const auto out = RenderFlareSpot(input, [](FlareSpotPlugIn& t) {
        t.Source->PointValue = Point(30.0, 0.5);
        t.Destination->PointValue = Point(31.0, 0.5);
    });
    ASSERT_TRUE(out);
    const auto want = test::MakeImage(ImageKind::Int16, 37, 23, [&](int32_t x, int32_t y) {
        return Cleared(test::At(*input, x, y));
    });
    EXPECT_TRUE(test::SamePixels(*out, *want));
}

TEST(FlareSpotRender, BrightSpotsSaturateAt65532AndOnlyAdd) {
    const auto input = test::RandomImage(64, 48, 9);
    const auto out =
        RenderFlareSpot(input, [](FlareSpotPlugIn& t) { t.Brightness->NumberValue.Value = 1000; });
    ASSERT_TRUE(out);
    int32_t saturated = 0;
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            const Pixel o = test::At(*out, x, y), in = Cleared(test::At(*input, x, y));
            for (int c = 0; c < 4; ++c) {
                EXPECT_GE(o.Word[c], in.Word[c]);
                EXPECT_LE(o.Word[c], 65532u);
                saturated += o.Word[c] == 65532u;
            }
        }
    EXPECT_GT(saturated, 0);
}

TEST(FlareSpotRender, GreyColoursWithOverrideGiveRedSpots) {
    const auto input = test::Flat(64, 48, 0);
    const auto out = RenderFlareSpot(input, [](FlareSpotPlugIn& t) {
        t.ColourOverride->NumberValue.Value = 1;
        t.MaximumSaturation->NumberValue.Value = 100;
        for (int c = 0; c < 3; ++c) t.EndColour[c]->NumberValue.Value = 0.4;
    });
    ASSERT_TRUE(out);
    int32_t lit = 0;
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            const Pixel p = test::At(*out, x, y);
            if (p.Word[2] == 0) continue;
            ++lit;
            // Whitening can lift green and blue together, never above red.
            EXPECT_GE(p.Word[2], p.Word[1]);
            EXPECT_EQ(p.Word[1], p.Word[0]);
        }
    EXPECT_GT(lit, 0);
}

TEST(FlareSpotRender, ChunksShowNoSeamWithoutEdgeBoost) {
    // A spot straddling chunk borders is drawn by each chunk in its own rows. Only a sample
    // within float rounding of a fan edge that a chunk's clipping moved may differ: isolated
    // pixels at most.
    const auto input = test::RandomImage(160, 120, 3);
    const auto render = [&](const char* chunks, double lens) {
        test::ChunkEnv env(chunks);
        return RenderFlareSpot(input, [&](FlareSpotPlugIn& t) {
            t.LensType->NumberValue.Value = lens;
            t.Source->PointValue = Point(0.3, 0.2);
            t.Destination->PointValue = Point(0.6, 0.8);
        });
    };
    for (double lens : {0.0, 1.0, 2.0, 3.0}) {
        const auto one = render("1", lens), eight = render("8", lens);
        ASSERT_TRUE(one && eight);
        std::vector<uint8_t> differs(160 * 120);
        int32_t count = 0, changed = 0;
        for (int32_t y = 0; y < 120; ++y)
            for (int32_t x = 0; x < 160; ++x) {
                const Pixel a = test::At(*one, x, y), b = test::At(*eight, x, y);
                changed += a.Word[2] != Cleared(test::At(*input, x, y)).Word[2];
                for (int c = 0; c < 4; ++c)
                    if (a.Word[c] != b.Word[c]) differs[size_t(y * 160 + x)] = 1;
                count += differs[size_t(y * 160 + x)];
            }
        EXPECT_GT(changed, 160 * 120 / 20) << "lens " << lens;
        EXPECT_LE(count, 8) << "lens " << lens;
        for (int32_t y = 1; y < 120; ++y)
            for (int32_t x = 1; x < 160; ++x)
                if (differs[size_t(y * 160 + x)]) {
                    EXPECT_FALSE(differs[size_t(y * 160 + x - 1)] ||
                                 differs[size_t((y - 1) * 160 + x)])
                        << "lens " << lens << " at " << x << ", " << y;
                }
    }
}

TEST(FlareSpotRender, CompositingOnTheVectorUnitGivesTheSameWords) {
    const auto input = test::RandomImage(61, 3, 11);
    // Light on pixels 19 to 25 of each row, none on the runs of dark pixels around them.
    std::vector<int32_t> red(61 * 3), green(61 * 3), blue(61 * 3);
    std::vector<LitSpan> lit(3, LitSpan{19, 26});
    for (size_t i = 0; i < red.size(); ++i)
        red[i] = int32_t(i * 977 % 70000), green[i] = int32_t(i * 61), blue[i] = int32_t(i * 7);
    const LightPlanes planes{61, 3, red.data(), green.data(), blue.data(), lit.data()};
    const std::atomic<int> running{0};
    std::unique_ptr<Image> outputs[2];
    for (bool vector : {false, true}) {
        outputs[vector] = Image::Create(ImageKind::Int16, 61, 3);
        const FlareSpotJob job{input.get(), outputs[vector].get(),
                               nullptr,     nullptr,
                               &planes,     frame::ChunkSplit::For(61, 3, 1),
                               vector};
        CompositeBand(job, 0, 3, running);
    }
    EXPECT_TRUE(test::SamePixels(*outputs[0], *outputs[1]));
    EXPECT_EQ(test::At(*outputs[0], 0, 1).Word[3], test::At(*input, 0, 1).Word[3] & ~3u);
}
