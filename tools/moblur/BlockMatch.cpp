// SPDX-License-Identifier: Apache-2.0
#include "BlockMatch.h"

#include "BlockMatch.simd.h"
#include "frame/CpuFeatures.h"

#include <algorithm>
#include <climits>

namespace vorlings::moblur {

namespace {

// Grid arithmetic in 64 bits: the bounds come from soft controls and may be anything.
int32_t HeldTo(int64_t v, int32_t limit) {
    return int32_t(std::clamp<int64_t>(v, 0, limit));
}

std::array<int32_t, 2> GridSpan(int32_t lowBound, int32_t highBound, int32_t size) {
    int64_t low = std::min(lowBound, highBound), high = std::max(lowBound, highBound);
    if (low < 0) low = 0;
    const int64_t first = ((low - kHalfBlock) / kGridStep) * kGridStep + kHalfBlock;
    const int64_t end = ((high - kHalfBlock) / kGridStep + 1) * kGridStep + kHalfBlock;
    return {HeldTo(first, size), HeldTo(end, size)};
}

// Sum of squared differences of one candidate over rows [y0, y1] and columns [x0, x1] of the
// block, the candidate being offset by (ox, oy) in frame t.
int32_t BlockCost(const uint8_t* prev, const uint8_t* next, int32_t width, int32_t x0, int32_t x1,
                  int32_t y0, int32_t y1, int32_t ox, int32_t oy) {
    int32_t cost = 0;
    for (int32_t yy = y0; yy <= y1; ++yy) {
        const uint8_t* b = next + ptrdiff_t(yy) * width;
        const uint8_t* a = prev + ptrdiff_t(yy + oy) * width + ox;
        for (int32_t xx = x0; xx <= x1; ++xx) {
            const int32_t d = int32_t(b[xx]) - int32_t(a[xx]);
            cost += d * d;
        }
    }
    return cost;
}

} // namespace

BlockGrid MakeBlockGrid(int32_t left, int32_t right, int32_t top, int32_t bottom, int32_t width,
                        int32_t height) {
    const auto [x0, x1] = GridSpan(left, right, width);
    const auto [y0, y1] = GridSpan(top, bottom, height);
    return {x0, x1, y0, y1};
}

BlockMatch MatchBlock(const uint8_t* prev, const uint8_t* next, int32_t width, int32_t height,
                      int32_t x, int32_t y, int32_t gx, int32_t gy, int32_t size) {
    const int32_t half = size / 2;
    const int32_t rx0 = std::max(x - half, 0), rx1 = std::min(x + half, width - 1);
    const int32_t ry0 = std::max(y - half, 0), ry1 = std::min(y + half, height - 1);
    BlockMatch best{gx, gy, false};
    if (rx0 > rx1 || ry0 > ry1) return best;

    int32_t bestCost = INT32_MAX;
    for (int32_t dy = -half; dy <= half; ++dy) {
        const int32_t oy = gy - y + dy;
        // Only the block pixels whose counterpart lies inside the level are compared.
        const int32_t y0 = std::max(ry0, -oy), y1 = std::min(ry1, height - 1 - oy);
        if (y0 > y1) continue;
        for (int32_t dx = -half; dx <= half; ++dx) {
            const int32_t ox = gx - x + dx;
            const int32_t x0 = std::max(rx0, -ox), x1 = std::min(rx1, width - 1 - ox);
            if (x0 > x1) continue;
            const int32_t cost = BlockCost(prev, next, width, x0, x1, y0, y1, ox, oy);
            if (cost < bestCost) {
                bestCost = cost;
                best = {gx + dx, gy + dy, true};
            }
        }
    }
    return best;
}

MatchUnit MachineMatchUnit() {
    const frame::CpuFeatures& cpu = frame::MachineFeatures();
    return cpu.Avx512Bw ? MatchUnit::Avx512 : cpu.Avx2 ? MatchUnit::Avx2 : MatchUnit::Plain;
}

namespace {

// Whether the 17 x 17 block centred on (x, y) lies inside the level: only then is there a
// vector search.
bool WholeBlockInside(int32_t x, int32_t y, int32_t width, int32_t height, int32_t size) {
    const int32_t half = size / 2;
    return half == kHalfBlock && x - half >= 0 && x + half <= width - 1 && y - half >= 0 &&
           y + half <= height - 1;
}

// The vector search: the plain candidates in the plain order, whole ones costed by `wholeCost`
// (AVX2: rows one at a time; AVX-512: two at a time).
template <class WholeCost>
VORLINGS_MOBLUR_AVX2 inline BlockMatch
SearchBlock(const uint8_t* prev, const uint8_t* next, int32_t width, int32_t height, int32_t x,
            int32_t y, int32_t gx, int32_t gy, const simd::WideBlock& block,
            const WholeCost& wholeCost) {
    const int32_t half = kHalfBlock;
    const int32_t rx0 = x - half, rx1 = x + half, ry0 = y - half, ry1 = y + half;
    // Candidates wholly inside the level are those offset by ox in [loX, hiX], oy in [loY, hiY].
    const int32_t loX = -rx0, hiX = width - 1 - rx1, loY = -ry0, hiY = height - 1 - ry1;
    const uint8_t* candidates = prev + ptrdiff_t(ry0) * width + rx0;
    // No candidate costing more than the one at the guess can win.
    int32_t bound = INT32_MAX;
    if (const int32_t ox = gx - x, oy = gy - y; ox >= loX && ox <= hiX && oy >= loY && oy <= hiY)
        bound =
            simd::WholeBlockCost(block, candidates + ptrdiff_t(oy) * width + ox, width, INT32_MAX) +
            1;

    BlockMatch best{gx, gy, false};
    int32_t bestCost = INT32_MAX;
    for (int32_t dy = -half; dy <= half; ++dy) {
        const int32_t oy = gy - y + dy;
        const int32_t y0 = std::max(ry0, -oy), y1 = std::min(ry1, height - 1 - oy);
        if (y0 > y1) continue;
        // A search row wholly inside the level has its last column's costs made at once.
        const int32_t firstX = gx - x - half, lastX = gx - x + half;
        const bool rowWhole = oy >= loY && oy <= hiY && firstX >= loX && lastX <= hiX;
        int32_t lastColumn[simd::kRows];
        if (rowWhole)
            simd::LastColumnCosts(block, candidates + ptrdiff_t(oy) * width + firstX + 2 * half,
                                  width, lastColumn);
        for (int32_t dx = -half; dx <= half; ++dx) {
            const int32_t ox = gx - x + dx;
            const int32_t x0 = std::max(rx0, -ox), x1 = std::min(rx1, width - 1 - ox);
            if (x0 > x1) continue;
            const uint8_t* topLeft = candidates + ptrdiff_t(oy) * width + ox;
            const int32_t limit = std::min(bound, bestCost);
            int32_t cost;
            if (rowWhole)
                cost = wholeCost(topLeft, limit, lastColumn[dx + half]);
            else if (ox >= loX && ox <= hiX && oy >= loY && oy <= hiY)
                cost = simd::WholeBlockCost(block, topLeft, width, limit);
            else
                cost = BlockCost(prev, next, width, x0, x1, y0, y1, ox, oy);
            if (cost < bestCost) {
                bestCost = cost;
                best = {gx + dx, gy + dy, true};
            }
        }
    }
    return best;
}

struct Avx2Cost {
    const simd::WideBlock& Block;
    int32_t Width;
    VORLINGS_MOBLUR_AVX2 int32_t operator()(const uint8_t* topLeft, int32_t limit,
                                            int32_t last) const {
        return simd::WholeBlockCostWithLast(Block, topLeft, Width, limit, last);
    }
};

struct Avx512Cost {
    const simd::WidePairs& Pairs;
    const simd::WideBlock& Block;
    int32_t Width;
    VORLINGS_MOBLUR_AVX512 int32_t operator()(const uint8_t* topLeft, int32_t limit,
                                              int32_t last) const {
        return simd::WholeBlockCostWithLast512(Pairs, Block, topLeft, Width, limit, last);
    }
};

VORLINGS_MOBLUR_AVX2 BlockMatch MatchBlockAvx2(const uint8_t* prev, const uint8_t* next,
                                               int32_t width, int32_t height, int32_t x, int32_t y,
                                               int32_t gx, int32_t gy) {
    simd::WideBlock block;
    simd::LoadBlock(next + ptrdiff_t(y - kHalfBlock) * width + x - kHalfBlock, width, block);
    return SearchBlock(prev, next, width, height, x, y, gx, gy, block, Avx2Cost{block, width});
}

VORLINGS_MOBLUR_AVX512 BlockMatch MatchBlockAvx512(const uint8_t* prev, const uint8_t* next,
                                                   int32_t width, int32_t height, int32_t x,
                                                   int32_t y, int32_t gx, int32_t gy) {
    simd::WideBlock block;
    simd::LoadBlock(next + ptrdiff_t(y - kHalfBlock) * width + x - kHalfBlock, width, block);
    simd::WidePairs pairs;
    simd::PairRows(block, pairs);
    return SearchBlock(prev, next, width, height, x, y, gx, gy, block,
                       Avx512Cost{pairs, block, width});
}

} // namespace

BlockMatch MatchBlockVector(const uint8_t* prev, const uint8_t* next, int32_t width, int32_t height,
                            int32_t x, int32_t y, int32_t gx, int32_t gy, int32_t size,
                            MatchUnit unit) {
    if (unit == MatchUnit::Plain || !WholeBlockInside(x, y, width, height, size))
        return MatchBlock(prev, next, width, height, x, y, gx, gy, size);
    if (unit == MatchUnit::Avx512) return MatchBlockAvx512(prev, next, width, height, x, y, gx, gy);
    return MatchBlockAvx2(prev, next, width, height, x, y, gx, gy);
}

int StartLevel(int32_t x, int32_t y, int32_t width, int32_t height) {
    const int32_t d = std::min({x, width - x - 1, y, height - y - 1});
    for (int level = kGreyLevels - 1; level > 0; --level)
        if (d > kLevelScales[size_t(level)] * kHalfBlock) return level;
    return 0;
}

void MatchBlockRows(const MotionJob& job, frame::ChunkRange rows,
                    const std::atomic<int>& abortFlag) {
    const BlockGrid& grid = job.Grid;
    MotionField& field = *job.Field;
    for (int32_t y = grid.Y0; y < grid.Y1; y += kGridStep) {
        if (y < rows.Begin || y >= rows.End) continue;
        if (abortFlag) return;
        for (int32_t x = grid.X0; x < grid.X1; x += kGridStep) {
            const int start = StartLevel(x, y, job.Width, job.Height);
            int32_t mx = 0, my = 0;
            for (int level = start; level >= 0; --level) {
                const int32_t scale = kLevelScales[size_t(level)];
                const int32_t cx = x / scale, cy = y / scale;
                int32_t gx = cx, gy = cy;
                if (level != start) {
                    const int32_t coarser = kLevelScales[size_t(level + 1)];
                    gx = mx * coarser / scale;
                    gy = my * coarser / scale;
                }
                const BlockMatch m = MatchBlockVector(
                    job.Prev->Level(level), job.Next->Level(level), job.Prev->Widths[size_t(level)],
                    job.Prev->Heights[size_t(level)], cx, cy, gx, gy, kBlockSize, job.Unit);
                mx = m.X;
                my = m.Y;
            }
            field.X[field.At(x, y)] = float(mx - x);
            field.Y[field.At(x, y)] = float(my - y);
        }
    }
}

} // namespace vorlings::moblur
