// SPDX-License-Identifier: Apache-2.0
// Where a pixel's source lies along one axis. A table value (0 to 32767) is scaled to the
// spread by a 32-bit signed product and an arithmetic shift by 15, so the offset runs from 0 to
// spread - 1, and half the spread is taken off to centre it: for a spread of 10 the source lies
// from 5 pixels before the pixel to 4 after it. A spread above 65538 wraps the product around
// 32 bits, as the tool's 32-bit arithmetic does; the wrap is written out in unsigned
// arithmetic, and so are the sums, so that no control value can make the arithmetic undefined.
// Whatever position comes out, the worker tests it against the frame before reading there,
// except where SourcesWithinFrame shows that no source can leave it.
#pragma once

#include <cstdint>

namespace vorlings::dither {

/// ((value x spread) >> 15) + at - half, in 32-bit two's complement arithmetic; `half` is
/// spread / 2.
constexpr int32_t ScatterSource(int32_t value, int32_t spread, int32_t at, int32_t half) {
    const int32_t offset = int32_t(uint32_t(value) * uint32_t(spread)) >> 15;
    return int32_t(uint32_t(offset) + uint32_t(at) - uint32_t(half));
}

/// Spreads up to this one cannot wrap their products: 32767 x 65536 < 2^31.
inline constexpr int32_t kLargestUnwrappedSpread = 65536;

/// Positions [Begin, End) along an axis.
struct PositionSpan {
    int32_t Begin;
    int32_t End;
};

/// The positions along an axis of positions 0 to `last` whose every possible source lies
/// within 0 to `last` as well; empty for a spread that is negative or may wrap.
constexpr PositionSpan SourcesWithinFrame(int32_t spread, int32_t last) {
    if (spread < 0 || spread > kLargestUnwrappedSpread) return {0, 0};
    const int32_t half = spread / 2;
    // A spread of 0 puts the source on the position itself, like a spread of 1.
    const int32_t ahead = (spread > 1 ? spread : 1) - 1 - half;
    const int32_t end = last + 1 - ahead;
    return {half, end > half ? end : half};
}

} // namespace vorlings::dither
