// SPDX-License-Identifier: Apache-2.0
// Whole-histogram sums for the column-histogram median: the window's top level gains one
// column's top histogram and loses another's at every step, and the finer levels are
// brought up to date a segment at a time from the columns. These are the only loops of that
// path whose work grows with the bins rather than the pixels, so they exist twice: the plain
// loops here state the arithmetic, and HistogramSums.simd.h does the same on AVX2. Counters
// wrap as unsigned integers do; the sums of whole windows never exceed the counter.
#pragma once

#include "MedianHistogram.h"

#include <cstddef>
#include <cstdint>

namespace vorlings::clean {

/// Bins of the level above the coarse one (value >> 12, 8 coarse bins each), which the
/// column-histogram median keeps whole for its window.
inline constexpr int kTopBins = 16;

/// window[k] += added[k] - removed[k] over the 16 top bins. Returns that change summed over
/// the bins below `bin` alone, so that the count of values below the bin where the last
/// median was found stays known without a scan.
template <class Counter>
int32_t SlideTop(Counter* window, const Counter* added, const Counter* removed, int32_t bin) {
    int32_t below = 0;
    for (int k = 0; k < kTopBins; ++k) {
        const int32_t change = int32_t(added[k]) - int32_t(removed[k]);
        window[k] = Counter(window[k] + Counter(change));
        if (k < bin) below += change;
    }
    return below;
}

/// segment[i] += added[i] - removed[i] over N bins.
template <int N, class Counter>
void SlideSegment(Counter* segment, const Counter* added, const Counter* removed) {
    for (int i = 0; i < N; ++i) segment[i] = Counter(segment[i] + added[i] - removed[i]);
}

/// segment[i] = the sum over `count` columns, `stride` counters apart from `first`, of their
/// bin i, over N bins.
template <int N, class Counter>
void SumSegments(Counter* segment, const Counter* first, size_t stride, int32_t count) {
    for (int i = 0; i < N; ++i) segment[i] = 0;
    for (int32_t c = 0; c < count; ++c, first += stride)
        for (int i = 0; i < N; ++i) segment[i] = Counter(segment[i] + first[i]);
}

} // namespace vorlings::clean
