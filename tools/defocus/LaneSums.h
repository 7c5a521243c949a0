// SPDX-License-Identifier: Apache-2.0
// The weighted sums of the blur: for many output values at once, each a sum over the taps of
// a padded line, normalised by the kernel's shift.
#pragma once

#include "LineKernel.h"

#include <cstddef>
#include <cstdint>

namespace vorlings::defocus {

/// The vector sums take lanes in groups of this many.
inline constexpr int32_t kLaneGroup = 16;

/// Whether this machine runs the vector sums (AVX2).
bool VectorUnitAvailable();

/// to[k] = words[k] >> 2 for k < count: the working values of channel words, their top 14
/// bits. With `vector` (when VectorUnitAvailable()) on the vector unit.
void QuarterWords(const uint16_t* words, int32_t count, uint16_t* to, bool vector);

/// For r < rows and k < lanes:
///   out[r x outStride + k] = 4 x ((Sum_i Weights[i] x in[r x inStride + i x TapStride + k])
///                                 >> Shift),
/// the sum exact in 64 bits, each `in` value a channel word shifted right by 2 (below 16384).
/// The vector sums (`vector`, when VectorUnitAvailable()) give the same bits; they compute
/// whole groups of kLaneGroup lanes, so each row of `in` and `out` must have room for `lanes`
/// rounded up to a whole group (the extra outputs come from whatever lies in the extra inputs).
void SumLanes(const LineKernel& kernel, const uint16_t* in, ptrdiff_t inStride, uint16_t* out,
              ptrdiff_t outStride, int32_t lanes, int32_t rows, bool vector);

} // namespace vorlings::defocus
