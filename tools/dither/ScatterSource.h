// SPDX-License-Identifier: Apache-2.0
// Where a pixel's source lies along one axis. A table value (0 to 32767) is scaled to the
// spread by a 32-bit signed product and an arithmetic shift by 15, so the offset runs from 0 to
// spread - 1, and half the spread is taken off to centre it: for a spread of 10 the source lies
// from 5 pixels before the pixel to 4 after it. A spread above 65537 wraps the product around
// 32 bits, as the tool's 32-bit arithmetic does; the wrap is written out in unsigned
// arithmetic, and so are the sums, so that no control value can make the arithmetic undefined.
// Whatever position comes out, the worker tests it against the frame before reading there.
#pragma once

#include <cstdint>

namespace vorlings::dither {

/// ((value x spread) >> 15) + at - half, in 32-bit two's complement arithmetic; `half` is
/// spread / 2.
constexpr int32_t ScatterSource(int32_t value, int32_t spread, int32_t at, int32_t half) {
    const int32_t offset = int32_t(uint32_t(value) * uint32_t(spread)) >> 15;
    return int32_t(uint32_t(offset) + uint32_t(at) - uint32_t(half));
}

} // namespace vorlings::dither
