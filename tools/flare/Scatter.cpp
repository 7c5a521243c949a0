// SPDX-License-Identifier: Apache-2.0
#include "Scatter.h"

#include "LineWalk.h"
#include "ScatterRows.simd.h"
#include "frame/Numeric.h"
#include "frame/PixelRows.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vorlings::flare {

namespace {

using frame::kWordsPerPixel;
using frame::TruncToInt32;

/// Steps between a streak step and the cell whose plane values it asks memory for.
constexpr int32_t kLookAhead = 12;

/// Adds a square kernel of radius `radius` (cells in the planes' layout) centred on (x, y)
/// into the chunk's rows.
void AddSquare(const PlaneRows& planes, int32_t x, int32_t y, int32_t radius, const float* cells,
               float lightRed, float lightGreen, float lightBlue, RowAdder adder) {
    const int64_t top = int64_t(y) - radius, bottom = int64_t(y) + radius;
    if (top >= planes.Rows.End || bottom < planes.Rows.Begin) return;
    const int64_t side = 2 * int64_t(radius) + 1;
    const int32_t left = int32_t(std::max<int64_t>(int64_t(x) - radius, 0));
    const int32_t right = int32_t(std::min<int64_t>(int64_t(x) + radius, planes.Width - 1));
    const int32_t first = int32_t(std::max<int64_t>(top, planes.Rows.Begin));
    const int32_t last = int32_t(std::min<int64_t>(bottom, planes.Rows.End - 1));
    const int32_t count = right - left + 1;
    for (int32_t r = first; r <= last; ++r) {
        const size_t cell = size_t((r - top) * side + (left - (int64_t(x) - radius)));
        const size_t at = size_t(r) * size_t(planes.Width) + size_t(left);
        AddKernelRow(planes.Planes + kPlaneStride * at, cells + kPlaneStride * cell, lightRed,
                     lightGreen, lightBlue, count, adder);
    }
}

} // namespace

void AddKernelRow(float* planes, const float* cells, float lightRed, float lightGreen,
                  float lightBlue, int32_t count, RowAdder adder) {
    const float light[kPlaneStride] = {lightRed, lightGreen, lightBlue, 0.0f};
    const int32_t values = kPlaneStride * count;
    switch (adder) {
    case RowAdder::Avx512:
        simd::AddCellsAvx512(planes, cells, light, values);
        return;
    case RowAdder::Avx2:
        simd::AddCellsAvx2(planes, cells, light, values);
        return;
    case RowAdder::Plain:
        break;
    }
    for (int32_t k = 0; k < values; ++k) planes[k] += light[k % kPlaneStride] * cells[k];
}

// Flattened: the walk and its step are one loop, with the step's invariants in registers.
[[gnu::flatten]] void DrawStreak(const PlaneRows& planes, int32_t x, int32_t y,
                                 const FlareKernel& profile, const StreakDraw& draw, int side,
                                 int32_t red, int32_t green, int32_t blue, float rotation,
                                 int32_t length, float aspect) {
    // Only the first `length` samples are reached; a profile too short for them draws nothing.
    if (length <= 0 || profile.Count < length) return;
    const double direction =
        rotation * 0.017453292222222222 + draw.Angle + (side == 1 ? 3.1415926 : 0.0);
    // Each streak is its own random multiple between 1 and 2 of the streak length.
    const float reach = (draw.Factor + 1.0f) * float(length);
    const float weightRed = float(red * 0.125), weightGreen = float(green * 0.125),
                weightBlue = float(blue * 0.125);
    const int32_t ex = TruncToInt32(std::cos(direction) * reach + x);
    const int32_t ey = TruncToInt32(std::sin(direction) * reach / aspect + y);
    const int64_t dx = int64_t(ex) - x, dy = int64_t(ey) - y;
    if (dx == 0 && dy == 0) return;
    if (std::abs(dx) > INT32_MAX / 4 || std::abs(dy) > INT32_MAX / 4) return;
    // The walk's rows run from y to ey, and a neighbour lies one row beyond: a streak that
    // cannot reach the chunk's rows adds nothing here.
    if (std::max<int64_t>(y, ey) + 1 < planes.Rows.Begin ||
        std::min<int64_t>(y, ey) - 1 >= planes.Rows.End)
        return;
    const LineWalk walk = LineWalk::Over(int32_t(dx), int32_t(dy));
    const int32_t fadeStart = TruncToInt32(walk.Major - walk.Major * 0.15);
    const int32_t width = planes.Width, height = planes.Height;
    const int32_t first = planes.Rows.Begin, end = planes.Rows.End;
    const KernelCell* cells = profile.Data.get();
    float* const values = planes.Planes;
    const int32_t major = walk.Major;
    // The walk's cells lie far apart in memory (a steep streak reaches a new row at every
    // step), so each step asks for the cell it will reach kLookAhead steps later.
    const float aheadX = float(dx) / float(major) * kLookAhead,
                aheadY = float(dy) / float(major) * kLookAhead;

    // Everything the steps read is captured by value: the planes' float stores cannot then
    // alias the weights, and the compiler keeps them in registers.
    walk.Walk(x, y, [=](int32_t i, int32_t column, int32_t row, float e, int32_t nx, int32_t ny) {
        if (column < 0 || column >= width || row < 0 || row >= height) return;
        // Neither the cell nor its neighbour in this chunk's rows: nothing to add here.
        if (row + 1 < first || row - 1 >= end) return;
        {
            const int32_t px = std::clamp(column + int32_t(aheadX), 0, width - 1);
            const int32_t py = std::clamp(row + int32_t(aheadY), 0, height - 1);
            __builtin_prefetch(values + kPlaneStride * (size_t(py) * size_t(width) + size_t(px)),
                               1);
        }
        const int64_t cx = int64_t(column) - x, cy = int64_t(row) - y;
        const double distance = std::sqrt(double(cx * cx + cy * cy));
        const int32_t q = std::min(TruncToInt32(distance / reach * length), length - 1);
        const KernelCell& sample = cells[q];
        float cr = sample.Red, cg = sample.Green, cb = sample.Blue;
        if (i > fadeStart) {
            const float t = float(i - fadeStart) / float(major - fadeStart);
            const float fade = 1.0f - (3.0f - 2.0f * t) * t * t;
            cr *= fade;
            cg *= fade;
            cb *= fade;
        }
        const float across = std::fabs(e);
        const int32_t nColumn = column + nx, nRow = row + ny;
        if (nColumn >= 0 && nColumn < width && nRow >= first && nRow < end) {
            float* const at =
                values + kPlaneStride * (size_t(nRow) * size_t(width) + size_t(nColumn));
            at[0] += across * cr * weightRed;
            at[1] += across * cg * weightGreen;
            at[2] += across * cb * weightBlue;
        }
        if (row >= first && row < end) {
            float* const at =
                values + kPlaneStride * (size_t(row) * size_t(width) + size_t(column));
            at[0] += (1.0f - across) * cr * weightRed;
            at[1] += (1.0f - across) * cg * weightGreen;
            at[2] += (1.0f - across) * cb * weightBlue;
        }
    });
}

void ScatterChunk(const FlareJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    if (abortFlag) return;
    if (rows.Empty()) return;
    const int32_t width = job.Width;
    const PlaneRows planes{job.Planes, width, job.Height, rows};
    const frame::RowAccess work(*job.WorkImage);
    std::vector<uint16_t> scratch(size_t(width) * kWordsPerPixel);
    const FlareKernel& halo = *job.Halo;
    const FlareKernel& streak = *job.Streak;
    const GlowKernel& glow = *job.Glow;
    const int32_t streaks = std::clamp(job.StreakCount, 0, kStreakTableSize);
    const int32_t length = TruncToInt32(job.StreakLength);

    for (int32_t y = 0; y < job.Height; ++y) {
        if (abortFlag) return;
        const uint16_t* row = work.Read(y, 0, width, scratch.data());
        for (int32_t x = 0; x < width; ++x) {
            const uint16_t* p = row + size_t(x) * kWordsPerPixel;
            const int32_t blue = p[0] >> 2, green = p[1] >> 2, red = p[2] >> 2;
            if ((blue | green | red) == 0) continue;
            const float lightRed = float(red), lightGreen = float(green), lightBlue = float(blue);
            AddSquare(planes, x, y, halo.Count, job.HaloCells, lightRed, lightGreen, lightBlue,
                      job.Adder);
            for (int32_t i = 0; i < streaks; ++i)
                for (int side = 0; side < 2; ++side)
                    DrawStreak(planes, x, y, streak, job.RandomStreakTable[i], side, red, green,
                               blue, job.StreakRotation, length, job.PixelAspect);
            AddSquare(planes, x, y, glow.Radius, job.GlowCells, lightRed, lightGreen, lightBlue,
                      job.Adder);
        }
    }
}

} // namespace vorlings::flare
