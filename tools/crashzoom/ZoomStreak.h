// SPDX-License-Identifier: Apache-2.0
// The streak of one output pixel: a straight line on a grid 2^shift times finer than the pixels,
// from the pixel toward the centre (or away from it). StreakWalk.h walks it.
#pragma once

#include "CrashZoomJob.h"

#include <algorithm>
#include <cstdint>

namespace vorlings::crashzoom {

/// A streak on the fine grid: from (X0, Y0), which is the output pixel times the grid scale,
/// to (X1, Y1). 64 bits, so that no end point of any speed overflows.
struct StreakLine {
    int64_t X0;
    int64_t Y0;
    int64_t X1;
    int64_t Y1;
};

/// The streak of output pixel (x, y). The distance to the centre is measured in float with the
/// vertical part times the pixel aspect; beyond the clear circle it sets the streak length
/// (distance beyond the circle x speed, negative toward the centre). The end point's offsets
/// are rounded up on the fine grid, and the vertical one is divided by the pixel aspect on the
/// way back to rows, truncated. Offsets too large for 32 bits saturate.
StreakLine ZoomStreak(const CrashZoomJob& job, int32_t x, int32_t y);

/// The number of samples of `line`: one per fine step along its longer axis, plus one.
inline uint64_t StreakSamples(const StreakLine& line) {
    const uint64_t spanX = uint64_t(line.X1 < line.X0 ? line.X0 - line.X1 : line.X1 - line.X0);
    const uint64_t spanY = uint64_t(line.Y1 < line.Y0 ? line.Y0 - line.Y1 : line.Y1 - line.Y0);
    return std::max(spanX, spanY) + 1;
}

} // namespace vorlings::crashzoom
