// SPDX-License-Identifier: Apache-2.0
// The streak of one output pixel: a straight line on a grid 2^shift times finer than the pixels,
// from the pixel toward the centre (or away from it), walked with integer Bresenham steps. Each
// step is one sample of the input pixel under it, clamped to the frame; the output pixel is the
// plain mean of the samples.
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

/// Walks `line`, which starts inside the frame, on the grid 2^shift times finer than a
/// `width` x `height` frame and calls visit(column, row, count) for the samples: `count`
/// samples of the input pixel at (column, row), always inside the frame. Returns the number of
/// samples, major + 1.
///
/// Samples are taken in Bresenham order: the major axis is the longer one (X on a tie), the
/// error term starts at -major, grows by 2 x minor after each sample and, when above 0, steps
/// the minor axis and drops by 2 x major. Because both coordinates move monotonically, the
/// samples inside the frame come first; they are visited one by one. Once the line has left
/// the frame it never comes back, and every further sample repeats a border pixel: these are
/// counted a run of equal pixels at a time (at most one run per border pixel, then the corner
/// for all that is left) from the error term, so that a streak far longer than the frame
/// costs no more than one that ends at its border.
template <class Visit>
uint64_t WalkStreak(const StreakLine& line, int shift, int32_t width, int32_t height,
                    Visit&& visit) {
    const int64_t scale = int64_t(1) << shift;
    const int64_t fineWidth = int64_t(width) << shift, fineHeight = int64_t(height) << shift;
    const int64_t spanX = line.X1 < line.X0 ? line.X0 - line.X1 : line.X1 - line.X0;
    const int64_t spanY = line.Y1 < line.Y0 ? line.Y0 - line.Y1 : line.Y1 - line.Y0;
    const int64_t signX = line.X1 < line.X0 ? -1 : 1, signY = line.Y1 < line.Y0 ? -1 : 1;
    const bool yMajor = spanY > spanX;
    const int64_t major = yMajor ? spanY : spanX, minor = yMajor ? spanX : spanY;
    const uint64_t samples = uint64_t(major) + 1;

    // The fine coordinate along each axis, its direction and its end (exclusive) in the frame.
    const int64_t majorStart = yMajor ? line.Y0 : line.X0, minorStart = yMajor ? line.X0 : line.Y0;
    const int64_t majorSign = yMajor ? signY : signX, minorSign = yMajor ? signX : signY;
    const int64_t majorEnd = yMajor ? fineHeight : fineWidth;
    const int64_t minorEnd = yMajor ? fineWidth : fineHeight;

    // Samples before the line leaves the frame: the major axis moves one fine step per sample;
    // the minor axis takes its r-th step at sample floor((2r - 1) x major / (2 x minor)) + 1.
    uint64_t inFrame = samples;
    const int64_t majorRoom = majorSign > 0 ? majorEnd - majorStart : majorStart + 1;
    inFrame = std::min(inFrame, uint64_t(majorRoom));
    const int64_t minorRoom = minorSign > 0 ? minorEnd - minorStart : minorStart + 1;
    if (minorRoom <= minor)
        inFrame = std::min(inFrame,
                           uint64_t(2 * minorRoom - 1) * uint64_t(major) / uint64_t(2 * minor) + 1);

    const int64_t majorX = yMajor ? 0 : signX, majorY = yMajor ? signY : 0;
    const int64_t minorX = yMajor ? signX : 0, minorY = yMajor ? 0 : signY;
    const int64_t errorRise = 2 * minor, errorDrop = 2 * major;
    int64_t x = line.X0, y = line.Y0, error = -major;
    for (uint64_t i = 0; i < inFrame; ++i) {
        visit(int32_t(x >> shift), int32_t(y >> shift), uint64_t(1));
        error += errorRise;
        // Branch-free: the minor step follows no pattern the processor could predict.
        const int64_t step = -int64_t(error > 0);
        x += majorX + (minorX & step);
        y += majorY + (minorY & step);
        error -= errorDrop & step;
    }

    uint64_t left = samples - inFrame;
    if (left == 0) return samples;
    const auto column = [&] { return int32_t(std::clamp<int64_t>(x >> shift, 0, width - 1)); };
    const auto row = [&] { return int32_t(std::clamp<int64_t>(y >> shift, 0, height - 1)); };
    const bool xInside = x >= 0 && x < fineWidth, yInside = y >= 0 && y < fineHeight;
    if (xInside || yInside) {
        // One axis has left the frame and its pixel stays at the border; the other walks on
        // until it leaves too. Fine steps to the next pixel of the moving coordinate a.
        int64_t& a = xInside ? x : y;
        const int64_t aEnd = xInside ? fineWidth : fineHeight, aSign = xInside ? signX : signY;
        const auto toNextPixel = [&] {
            return aSign > 0 ? scale - (a & (scale - 1)) : (a & (scale - 1)) + 1;
        };
        if (xInside != yMajor) {
            // The major axis moves: one fine step per sample.
            while (left > 0 && a >= 0 && a < aEnd) {
                const uint64_t run = std::min(uint64_t(toNextPixel()), left);
                visit(column(), row(), run);
                a += aSign * int64_t(run);
                left -= run;
            }
        } else if (minor > 0) {
            // The minor axis moves: from error e, its r-th further step comes after
            // floor((2 x major x (r - 1) - e) / (2 x minor)) + 1 samples.
            while (left > 0 && a >= 0 && a < aEnd) {
                const int64_t steps = toNextPixel();
                const uint64_t run =
                    uint64_t(errorDrop * (steps - 1) - error) / uint64_t(errorRise) + 1;
                if (run >= left) break;
                visit(column(), row(), run);
                a += aSign * steps;
                error += errorRise * int64_t(run) - errorDrop * steps;
                left -= run;
            }
        }
    }
    if (left > 0) visit(column(), row(), left);
    return samples;
}

} // namespace vorlings::crashzoom
