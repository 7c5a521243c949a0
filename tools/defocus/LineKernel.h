// SPDX-License-Identifier: Apache-2.0
// The kernel as it applies along lines of one length, over a line padded at both ends by what
// the edge rule says lies beyond the border: copies of the border pixel, or zeros. Every
// position is then the same plain weighted sum, with no edge tests anywhere.
#pragma once

#include "GaussianKernel.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorlings::defocus {

/// The kernel along lines of one length, applied to padded lines: output position p is
/// Sum_i Weights[i] x (value at padded position p + i), with Reach values of padding before
/// position 0 and after the last. The values are a pixel's channel words shifted right by 2.
struct LineKernel {
    std::vector<uint32_t> Weights; ///< 2 x Reach + 1 weights, symmetric, summing to 2^Shift
    int32_t Reach = 0;
    int32_t Shift = 0;
    bool DuplicateEdges = false;
    ptrdiff_t TapStride = 0; ///< words from one tap to the next in the padded line
};

/// The kernel along lines of `lineLength` pixels. A kernel that fits (Count() < 2 x
/// lineLength) is taken as it is. A longer one reaches beyond the line at every position, so
/// only its middle 2 x lineLength - 1 taps ever fall inside: the taps further out always land
/// beyond the same border, and count as copies of the border pixel (their weights join the
/// outermost tap kept, which always reads the border pixel or its copy) or as nothing.
/// `tapStride` is the words between neighbouring taps of the padded lines the sums will read.
LineKernel MakeLineKernel(const GaussianKernel& kernel, int32_t lineLength, bool duplicateEdges,
                          ptrdiff_t tapStride);

} // namespace vorlings::defocus
