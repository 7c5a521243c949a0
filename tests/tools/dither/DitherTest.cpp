// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "dither/DitherPlugIn.h"
#include "frame/PixelCursor.h"
#include "host/System.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

using namespace vorlings::dither;

namespace {

std::time_t g_now = 1234;
constexpr SeedClock kNow = [] { return g_now; };

// The clock stands still at g_now and one worker runs the rows in order, so that renders
// repeat; both are put back when it goes.
struct FixedSeed {
    int previous = CurrentApplication()->ProcessorCount;
    FixedSeed() { SetSeedClock(kNow), SetProcessorCount(1); }
    ~FixedSeed() { SetSeedClock(nullptr), SetProcessorCount(previous); }
};

std::unique_ptr<Image> RenderDither(std::shared_ptr<Image> in, double radius, int dup, int dir) {
    DitherPlugIn tool(nullptr, nullptr, nullptr);
    tool.Radius->NumberValue.Value = radius;
    tool.DuplicateEdges->NumberValue.Value = dup;
    tool.Direction->NumberValue.Value = dir;
    return test::Render(tool, std::move(in));
}

// An image of `kind` whose stored bytes are random: floats of every sort among them, on and off
// the 1/65535 grid, beyond 0..1, NaN.
std::shared_ptr<Image> RandomBytes(ImageKind kind, int32_t w, int32_t h, uint32_t seed) {
    std::shared_ptr<Image> image = Image::Create(kind, w, h);
    std::mt19937 rng(seed);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t i = 0; i < w * image->PixelBytes; ++i) image->RowTable[y][i] = uint8_t(rng());
    return image;
}

// The same stored bytes: for float images more than the same words.
bool SameBytes(const Image& a, const Image& b) {
    for (int32_t y = 0; y < a.Height; ++y)
        if (std::memcmp(a.RowTable[y], b.RowTable[y], size_t(a.Width) * size_t(a.PixelBytes)))
            return false;
    return true;
}

// The tool's definition step by step: the table from the seed, then the rows in order, each
// drawing its start, each pixel found with cursors and carried by the images' own routines.
std::unique_ptr<Image> Reference(Image& in, double radius, int dup, int dir) {
    std::unique_ptr<Image> out = Image::Create(in.Kind, in.Width, in.Height);
    // The C standard's portable generator, seeded with the clock's seconds.
    uint32_t next = uint32_t(g_now);
    const auto rand = [&] { return int64_t((next = next * 1103515245u + 12345u) >> 16 & 0x7FFF); };
    std::vector<int64_t> t(32768);
    for (int64_t& v : t) v = rand();
    const int32_t spread = int32_t(radius * in.Width), lastX = in.Width - 1, lastY = in.Height - 1;
    const int32_t spreadX = dir == 2 ? 0 : int32_t(spread / in.XScale);
    const int32_t spreadY = dir == 1 ? 0 : int32_t(spread / in.PixelAspect);
    vorlings::frame::PixelCursor from(&in), to(out.get());
    for (int32_t y = 0; y < in.Height; ++y) {
        to.SetPosition(0, y);
        for (int64_t x = 0, k = rand() & 0x7FFF; x < in.Width; ++x, k += 2, to.Next()) {
            // 32-bit signed products: the low 32 bits of the true product.
            int32_t sx = (int32_t(uint32_t(t[k & 0x7FFF] * spreadX)) >> 15) + x - spreadX / 2;
            int32_t sy = (int32_t(uint32_t(t[(k + 1) & 0x7FFF] * spreadY)) >> 15) + y - spreadY / 2;
            // The check box counts as on for any value of 1 or more.
            if (dup >= 1) sx = std::clamp(sx, 0, lastX), sy = std::clamp(sy, 0, lastY);
            Pixel p{};
            if (sx >= 0 && sx <= lastX && sy >= 0 && sy <= lastY)
                from.SetPosition(sx, sy), from.Read(&p);
            to.Write(&p);
        }
    }
    return out;
}

} // namespace

TEST(DitherReference, AFixedSeedAndOneWorkerGiveTheDefinitionsPixels) {
    FixedSeed fixed;
    const int32_t sizes[][2] = {{1, 1}, {3, 1}, {1, 4}, {5, 7}, {40, 9}, {16, 16}, {23, 19}};
    // "Duplicate Edges" and "Direction": each rule with each direction, and values beyond them.
    const int combos[][2] = {{0, 0}, {1, 0}, {0, 1},  {1, 1}, {0, 2},
                             {1, 2}, {1, 5}, {-1, 0}, {2, 2}};
    for (int i = 0; i < 7; ++i) {
        // Each image kind in turn: 16-bit, 8-bit, float.
        auto in = RandomBytes(ImageKind(i % 3), sizes[i][0], sizes[i][1], uint32_t(i));
        in->PixelAspect = 1.0 + i % 3 * 0.7;
        // Spreads of 0 and 1, negative spreads, and spreads whose product wraps around 32 bits.
        for (double radius : {0.0, 0.3, 1.0, -0.5, 3000.0})
            for (auto [dup, dir] : combos) {
                const auto out = RenderDither(in, radius, dup, dir);
                ASSERT_TRUE(SameBytes(*out, *Reference(*in, radius, dup, dir)))
                    << "size " << i << ", radius " << radius << ", edges " << dup << dir;
                // A spread of 0 or 1 leaves every pixel where it was: a copy.
                EXPECT_TRUE(radius < 0 || radius * in->Width >= 2 || test::SamePixels(*out, *in));
            }
    }
}

// The same scatter without and with the edge rule (one second, one worker): each source lies
// from half the spread before the pixel to spread - 1 - half after it (a spread of 10: 5
// before, 4 after), along its row only for "Horizontal", its column only for "Vertical"; a
// source beyond the frame gives transparent black, or with the rule the border pixel nearest
// to it. Every pixel of the picture is distinct: words 0 and 1 are its column and row plus 1.
TEST(DitherRules, SourcesLieWithinTheSpreadAndTheEdgeRuleRepeatsTheBorder) {
    FixedSeed fixed;
    auto in = test::MakeImage(ImageKind::Int16, 31, 23, [](int32_t x, int32_t y) {
        return Pixel{{uint32_t(x + 1), uint32_t(y + 1), 7, 65535}};
    });
    for (int dir : {0, 1, 2}) {
        auto off = RenderDither(in, 0.33, 0, dir), on = RenderDither(in, 0.33, 1, dir);
        const int32_t spread[2] = {dir == 2 ? 0 : 10, dir == 1 ? 0 : 10}, last[2] = {30, 22};
        int black = 0;
        for (int32_t y = 0; y < 23; ++y)
            for (int32_t x = 0; x < 31; ++x) {
                const Pixel a = test::At(*off, x, y), b = test::At(*on, x, y);
                for (int axis : {0, 1}) {
                    const int32_t at = axis ? y : x, half = spread[axis] / 2, top = last[axis];
                    const int32_t from = int32_t(b.Word[axis]) - 1;
                    EXPECT_GE(from, std::clamp(at - half, 0, top));
                    EXPECT_LE(from, std::clamp(at + std::max(spread[axis], 1) - 1 - half, 0, top));
                }
                const bool isBlack = !(a.Word[0] | a.Word[1] | a.Word[2] | a.Word[3]);
                black += isBlack;
                // Columns 0 and 30 hold words 1 and 31, rows 0 and 22 words 1 and 23.
                EXPECT_TRUE(isBlack ? b.Word[0] % 30 == 1 || b.Word[1] % 22 == 1
                                    : std::equal(a.Word, a.Word + 4, b.Word));
            }
        EXPECT_GT(black, 0);
        // Renders in the same second scatter alike; the next second scatters anew.
        EXPECT_TRUE(test::SamePixels(*off, *RenderDither(in, 0.33, 0, dir)));
        ++g_now;
        EXPECT_FALSE(test::SamePixels(*off, *RenderDither(in, 0.33, 0, dir)));
    }
}
