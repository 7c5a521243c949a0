// SPDX-License-Identifier: Apache-2.0
// The walk along a streak: integer Bresenham steps on a grid 2^shift times finer than the
// pixels, each step one sample of the input pixel under it, clamped to the frame. The walk
// reports the samples as runs on one pixel, so that a pixel sampled many times in a row is read
// once: on the fine grid every pixel the line crosses takes up to 2^shift samples in a row.
#pragma once

#include "ZoomStreak.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace vorlings::crashzoom {

namespace detail {

/// A streak in Bresenham terms: the fine coordinates along its major (longer) axis A and its
/// minor axis B with their directions, and the error term before the next sample. The error
/// grows by Rise after every sample; when it is then above 0 the minor axis steps and the
/// error drops by Drop. It stays within (-Drop, 0].
struct Bresenham {
    int64_t A;
    int64_t B;
    int64_t Error;
    int64_t ASign;
    int64_t BSign;
    int64_t Rise; ///< 2 x minor
    int64_t Drop; ///< 2 x major
};

/// Whole pixels are counted at once from 4 samples per pixel: at 2 they cost as much as two
/// single samples.
inline constexpr int kFirstShiftByPixel = 2;
/// Drop (2 x major) up to which whole pixels are counted at once: Rise x major stays below 2^61.
inline constexpr int64_t kLongestByPixel = int64_t(1) << 31;

template <bool YMajor, class Visit>
inline void VisitPixel(Visit& visit, int64_t aPixel, int64_t bPixel, uint64_t count) {
    if constexpr (YMajor)
        visit(std::ptrdiff_t(bPixel), std::ptrdiff_t(aPixel), count);
    else
        visit(std::ptrdiff_t(aPixel), std::ptrdiff_t(bPixel), count);
}

/// The next `count` samples, one by one. The axes are fixed at compile time, and the walk's
/// loops are always inlined into the caller, so that they keep every value, the visitor's sums
/// included, in registers.
template <bool YMajor, class Visit>
[[gnu::always_inline]] inline void SampleBySample(Bresenham& line, uint64_t count, int shift,
                                                  Visit& visit) {
    // The loop carries the error after the next rise, so that the step is a test against 0.
    int64_t a = line.A, b = line.B, risen = line.Error + line.Rise;
    for (uint64_t i = count; i > 0; --i) {
        VisitPixel<YMajor>(visit, a >> shift, b >> shift, 1);
        // Branch-free: the minor steps follow no pattern the processor could predict.
        const int64_t step = -int64_t(risen > 0);
        b += line.BSign & step;
        risen += line.Rise - (line.Drop & step);
        a += line.ASign;
    }
    line.A = a;
    line.B = b;
    line.Error = risen - line.Rise;
}

/// The samples of `pixels` whole pixels along the major axis, from the first sample of one:
/// each takes exactly g = 2^shift samples, split between at most two pixels of the minor axis,
/// since the minor axis moves at most g fine steps in g samples. The minor axis enters its next
/// pixel with its toNext-th step and then with every g-th: the K-th of those steps comes at
/// sample floor((Drop x (toNext - 1 + K x g) - Error) / Rise) + 1, counted from here. Between
/// two of them the count grows by Drop x g / Rise, which is whole samples and a remainder
/// carried as in the line itself: no division per pixel. The fine coordinates and the error
/// are brought up to date once at the end. Needs a minor axis that moves (Rise > 0) and a
/// streak short enough that Rise x major stays within 62 bits.
template <bool YMajor, class Visit>
[[gnu::always_inline]] inline void PixelByPixel(Bresenham& line, uint64_t pixels, int shift,
                                                Visit& visit) {
    const int64_t scale = int64_t(1) << shift;
    const int64_t within = line.B & (scale - 1);
    const int64_t toNext = line.BSign > 0 ? scale - within : within + 1;
    const int64_t firstCross = line.Drop * (toNext - 1) - line.Error;
    int64_t untilCross = firstCross / line.Rise + 1, remainder = firstCross % line.Rise;
    const int64_t gap = line.Drop * scale / line.Rise, gapRemainder = line.Drop * scale % line.Rise;
    int64_t aPixel = line.A >> shift, bPixel = line.B >> shift;
    for (uint64_t k = pixels; k > 0; --k) {
        const int64_t crosses = -int64_t(untilCross < scale);
        const int64_t onFirst = std::min(untilCross, scale);
        VisitPixel<YMajor>(visit, aPixel, bPixel, uint64_t(onFirst));
        bPixel += line.BSign & crosses;
        VisitPixel<YMajor>(visit, aPixel, bPixel, uint64_t(scale - onFirst));
        remainder += gapRemainder & crosses;
        const int64_t carry = -int64_t(remainder >= line.Rise);
        remainder -= line.Rise & carry;
        untilCross += ((gap - carry) & crosses) - scale;
        aPixel += line.ASign;
    }
    const int64_t taken = int64_t(pixels) << shift;
    const int64_t risen = line.Error + line.Rise * taken;
    const int64_t steps = risen > 0 ? (risen + line.Drop - 1) / line.Drop : 0;
    line.A += line.ASign * taken;
    line.B += line.BSign * steps;
    line.Error = risen - line.Drop * steps;
}

/// The first `count` samples, all inside the frame: one by one up to the first sample of a
/// major pixel, then whole pixels, then the rest one by one. On grids finer by less than
/// 2^kFirstShiftByPixel, along the grid, or for streaks of more than 2^30 fine steps, all go
/// one by one.
template <bool YMajor, class Visit>
[[gnu::always_inline]] inline void WalkInside(Bresenham& line, uint64_t count, int shift,
                                              Visit& visit) {
    const int64_t scale = int64_t(1) << shift, within = line.A & (scale - 1);
    const bool byPixel =
        shift >= kFirstShiftByPixel && line.Rise > 0 && line.Drop <= kLongestByPixel;
    const uint64_t lead =
        byPixel ? std::min(count,
                           uint64_t((line.ASign > 0 ? scale - within : within + 1) & (scale - 1)))
                : count;
    const uint64_t pixels = (count - lead) >> shift;
    SampleBySample<YMajor>(line, lead, shift, visit);
    if (pixels > 0) PixelByPixel<YMajor>(line, pixels, shift, visit);
    SampleBySample<YMajor>(line, count - lead - (pixels << shift), shift, visit);
}

} // namespace detail

/// Walks `line`, which starts inside the frame, on the grid 2^shift times finer than a
/// `width` x `height` frame and calls visit(column, row, count) for its samples: `count`
/// samples of the input pixel at (column, row) (std::ptrdiff_t), always inside the frame;
/// `count` may be 0. Returns the number of samples, major + 1.
///
/// Samples are taken in Bresenham order: the major axis is the longer one (X on a tie), the
/// error term starts at -major, grows by 2 x minor after each sample and, when above 0, steps
/// the minor axis and drops by 2 x major. Because both coordinates move monotonically, the
/// samples inside the frame come first; they are counted pixel by pixel along the major axis
/// (one sample at a time on grids of 1 or 2 samples per pixel). Once the line has left the
/// frame it never comes back, and every further sample repeats a border pixel: these are
/// counted a run of equal pixels at a time (at most one run per border pixel, then the corner
/// for all that is left), so that a streak far longer than the frame costs no more than one
/// that ends at its border.
template <class Visit>
uint64_t WalkStreak(const StreakLine& streak, int shift, int32_t width, int32_t height,
                    Visit&& visit) {
    const int64_t spanX = streak.X1 < streak.X0 ? streak.X0 - streak.X1 : streak.X1 - streak.X0;
    const int64_t spanY = streak.Y1 < streak.Y0 ? streak.Y0 - streak.Y1 : streak.Y1 - streak.Y0;
    const int64_t signX = streak.X1 < streak.X0 ? -1 : 1, signY = streak.Y1 < streak.Y0 ? -1 : 1;
    const bool yMajor = spanY > spanX;
    const int64_t major = yMajor ? spanY : spanX, minor = yMajor ? spanX : spanY;
    const uint64_t samples = uint64_t(major) + 1;
    detail::Bresenham line{yMajor ? streak.Y0 : streak.X0,
                           yMajor ? streak.X0 : streak.Y0,
                           -major,
                           yMajor ? signY : signX,
                           yMajor ? signX : signY,
                           2 * minor,
                           2 * major};
    // The frame's end along each axis on the fine grid.
    const int64_t aEnd = int64_t(yMajor ? height : width) << shift;
    const int64_t bEnd = int64_t(yMajor ? width : height) << shift;

    // Samples before the line leaves the frame: A moves one fine step per sample; B takes its
    // r-th step at sample floor((2r - 1) x major / (2 x minor)) + 1.
    uint64_t inside = std::min(samples, uint64_t(line.ASign > 0 ? aEnd - line.A : line.A + 1));
    const int64_t bRoom = line.BSign > 0 ? bEnd - line.B : line.B + 1;
    if (bRoom <= minor)
        inside =
            std::min(inside, uint64_t(2 * bRoom - 1) * uint64_t(major) / uint64_t(2 * minor) + 1);
    if (yMajor)
        detail::WalkInside<true>(line, inside, shift, visit);
    else
        detail::WalkInside<false>(line, inside, shift, visit);

    // Beyond the frame: one axis has left it and its pixel stays at the border while the other
    // walks on, until that leaves too and the corner pixel takes all that is left.
    const auto pixel = [shift](int64_t at, int64_t end) {
        return std::clamp<int64_t>(at >> shift, 0, (end >> shift) - 1);
    };
    // Fine steps from `at` to the next pixel in direction `sign`.
    const auto toNextPixel = [shift](int64_t at, int64_t sign) {
        const int64_t within = at & ((int64_t(1) << shift) - 1);
        return sign > 0 ? (int64_t(1) << shift) - within : within + 1;
    };
    for (uint64_t left = samples - inside; left > 0;) {
        const int64_t aPixel = pixel(line.A, aEnd), bPixel = pixel(line.B, bEnd);
        uint64_t run = left;
        if (line.A >= 0 && line.A < aEnd) {
            // The major axis moves on: one fine step per sample.
            run = std::min(uint64_t(toNextPixel(line.A, line.ASign)), left);
            line.A += line.ASign * int64_t(run);
        } else if (line.B >= 0 && line.B < bEnd && minor > 0) {
            // The minor axis moves on: from error e, its r-th further step comes after
            // floor((2 x major x (r - 1) - e) / (2 x minor)) + 1 samples.
            const int64_t steps = toNextPixel(line.B, line.BSign);
            const uint64_t reach =
                uint64_t(line.Drop * (steps - 1) - line.Error) / uint64_t(line.Rise) + 1;
            if (reach < left) {
                run = reach;
                line.B += line.BSign * steps;
                line.Error += line.Rise * int64_t(run) - line.Drop * steps;
            }
        }
        if (yMajor)
            detail::VisitPixel<true>(visit, aPixel, bPixel, run);
        else
            detail::VisitPixel<false>(visit, aPixel, bPixel, run);
        left -= run;
    }
    return samples;
}

} // namespace vorlings::crashzoom
