// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "trace/TracePlugIn.h"
#include "trace/TraceRows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

using namespace vorlings::trace;

namespace {

// The switches as bits of one number.
enum : int { kOver = 1, kMono = 2, kAlpha = 4 };

std::unique_ptr<Image> RenderTrace(std::shared_ptr<Image> input, double level, int switches) {
    TracePlugIn tool(nullptr, nullptr, nullptr);
    tool.Level->NumberValue.Value = level;
    tool.OverImage->NumberValue.Value = switches & kOver ? 1 : 0;
    tool.Color->NumberValue.Value = switches & kMono ? 1 : 0;
    tool.ContourAlpha->NumberValue.Value = switches & kAlpha ? 1 : 0;
    return test::Render(tool, std::move(input));
}

// The rule step by step for every pixel, reading its 2 x 2 block through ReadPixel: a channel
// is lit when some but not all of the block's four words lie above the level.
std::shared_ptr<Image> Reference(const Image& in, int32_t level, int switches) {
    return test::MakeImage(ImageKind::Int16, in.Width, in.Height, [&](int32_t x, int32_t y) {
        const int32_t xn = Neighbour(x, in.Width), yn = Neighbour(y, in.Height);
        uint32_t e[4];
        for (int k = 0; k < 4; ++k) {
            int above = 0;
            for (auto [bx, by] : {std::pair{x, y}, {xn, y}, {x, yn}, {xn, yn}})
                above += int32_t(test::At(in, bx, by).Word[k]) > level;
            e[k] = above == 0 || above == 4 ? 0 : 65535;
        }
        if (switches & kMono && (e[0] || e[1] || e[2])) e[0] = e[1] = e[2] = 65535;
        if (!(switches & kAlpha)) e[3] = std::max({e[0], e[1], e[2]});
        for (int k = 0; k < 4; ++k)
            if (switches & kOver && e[k] == 0) e[k] = test::At(in, x, y).Word[k];
        return Pixel{{e[0], e[1], e[2], e[3]}};
    });
}

// A picture drawn as rows that end in '/', in one drawing for all four channels or in four split
// by '|' (blue, green, red, alpha): '.' is 0, '#' 65535, a digit its own value.
std::shared_ptr<Image> Picture(const std::string& drawing) {
    const size_t channels = size_t(std::count(drawing.begin(), drawing.end(), '|')) + 1;
    const size_t w = drawing.find('/'), step = (drawing.size() + 1) / channels;
    const size_t h = (step - 1) / (w + 1);
    return test::MakeImage(ImageKind::Int16, int32_t(w), int32_t(h), [&](int32_t x, int32_t y) {
        Pixel p;
        for (size_t k = 0; k < 4; ++k) {
            const char c = drawing[k % channels * step + size_t(y) * (w + 1) + size_t(x)];
            p.Word[k] = c == '#' ? 65535 : c == '.' ? 0 : uint32_t(c - '0');
        }
        return p;
    });
}

} // namespace

TEST(TraceReference, VectorAndPlainRowsFollowTheRuleForEverySwitch) {
    std::mt19937 rng(11);
    for (double level : {0.5, 0.0031, 0.0, 1.0, -0.2, 1.5})
        for (auto [w, h] : {std::pair{1, 1}, {1, 6}, {7, 1}, {2, 2}, {5, 3}, {13, 7}}) {
            // Words a few steps either side of the level.
            const int64_t l = int64_t(level * 65535.0);
            auto in = test::MakeImage(ImageKind::Int16, w, h, [&](int32_t, int32_t) {
                Pixel p;
                for (auto& word : p.Word)
                    word = uint32_t(std::clamp<int64_t>(l + int64_t(rng() % 9) - 4, 0, 65535));
                return p;
            });
            for (int m = 0; m < 8; ++m) {
                const auto want = Reference(*in, int32_t(l), m);
                auto plain = Image::Create(ImageKind::Int16, w, h);
                TraceRows(MakeTraceJob(level, m & kOver, m & kMono, m & kAlpha, *in, *plain, false),
                          {0, h}, std::atomic<int>{0});
                EXPECT_TRUE(test::SamePixels(*RenderTrace(in, level, m), *want))
                    << w << " x " << h << ", level " << level << ", switches " << m;
                EXPECT_TRUE(test::SamePixels(*plain, *want)) << "plain rows";
            }
        }
}

TEST(TraceWorkedCases, DrawnPicturesTraceAsDrawn) {
    // Picture, level, switches, and the picture traced.
    const std::tuple<const char*, double, int, const char*> cases[] = {
        // An edge lights the pixel before it; the last column and the last row look back.
        {"...###/...###/", 0.5, 0, "..#.../..#.../"},
        {"...#/...#/", 0.5, 0, "..##/..##/"},
        {"../../../##/", 0.5, 0, "../../##/##/"},
        // Without another column or row, a lone column is traced down and a lone row across.
        {"./././#/", 0.5, 0, "././#/#/"},
        {".###/", 0.5, 0, "#.../"},
        // A flat picture lights nothing: black, or the picture unchanged.
        {"777/777/|333/333/|###/###/|111/111/", 0.5, 0, ".../.../"},
        {"777/777/|333/333/|###/###/|111/111/", 0.0, kOver, "777/777/|333/333/|###/###/|111/111/"},
        // Level 1 lights nothing; level 0 rings the regions that are exactly 0.
        {".#.#/#.#./", 1.0, 0, "..../..../"},
        {"11111/11111/11..1/11..1/11111/", 0.0, 0, "...../.####/.#.##/.####/.####/"},
        // Green steps up after column 0 and alpha after column 1. MONO whitens the green line;
        // alpha marks every line, or with "Contour Alpha" traces the input's alpha.
        {"111/|.##/|111/|55#/", 0.5, 0, ".../|#../|.../|#../"},
        {"111/|.##/|111/|55#/", 0.5, kMono, "#../"},
        {"111/|.##/|111/|55#/", 0.5, kAlpha, ".../|#../|.../|.##/"},
        {"111/|.##/|111/|55#/", 0.5, kOver | kMono | kAlpha, "#11/|###/|#11/|5##/"},
    };
    for (const auto& [picture, level, switches, traced] : cases)
        EXPECT_TRUE(
            test::SamePixels(*RenderTrace(Picture(picture), level, switches), *Picture(traced)))
            << picture << " at level " << level << ", switches " << switches;
}
