// SPDX-License-Identifier: Apache-2.0
// The weighted sums of the blur: for many output values at once, each a sum over the taps of
// a padded line, normalised by the kernel's shift.
#pragma once

#include "LineKernel.h"

#include <cstddef>
#include <cstdint>

namespace vorlings::defocus {

/// to[k] = words[k] >> 2 for k < count: the working values of channel words, their top 14
/// bits.
void QuarterWords(const uint16_t* words, int32_t count, uint16_t* to);

/// For r < rows and k < lanes:
///   out[r x outStride + k] = 4 x ((Sum_i Weights[i] x in[r x inStride + i x TapStride + k])
///                                 >> Shift),
/// the sum exact in 64 bits, each `in` value a channel word shifted right by 2 (below 16384).
void SumLanes(const LineKernel& kernel, const uint16_t* in, ptrdiff_t inStride, uint16_t* out,
              ptrdiff_t outStride, int32_t lanes, int32_t rows);

} // namespace vorlings::defocus
