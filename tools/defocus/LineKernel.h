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

/// One step of the vector sums: two operands, each the sum of the values at two taps (a tap
/// and its mirror image), weighted by the low and high halves of Weights, each below 2^15.
struct PairStep {
    int32_t A0, A1, B0, B1; ///< tap offsets in words
    uint32_t Weights;
};

/// The centre tap, weighted by the sum of the two halves of Weights.
struct CentreStep {
    int32_t At;
    uint32_t Weights;
};

/// Steps whose partial sum stays below 2^32 for any values up to 16383; the partial counts
/// 2^ScaleBits times in the whole sum.
struct StepBlock {
    int32_t PairBegin, PairEnd;
    int32_t CentreBegin, CentreEnd;
    int32_t ScaleBits;
};

/// The weights split into the steps of the vector sums (LaneSums.simd.h).
struct VectorPlan {
    std::vector<PairStep> Pairs;
    std::vector<CentreStep> Centres;
    std::vector<StepBlock> Blocks;

    /// One block at scale 1: the sum is the block's 32-bit partial.
    bool OneBlock() const { return Blocks.size() == 1 && Blocks[0].ScaleBits == 0; }
};

/// The kernel along lines of one length, applied to padded lines: output position p is
/// Sum_i Weights[i] x (value at padded position p + i), with Reach values of padding before
/// position 0 and after the last. The values are a pixel's channel words shifted right by 2.
struct LineKernel {
    std::vector<uint32_t> Weights; ///< 2 x Reach + 1 weights, symmetric, summing to 2^Shift
    int32_t Reach = 0;
    int32_t Shift = 0;
    bool DuplicateEdges = false;
    ptrdiff_t TapStride = 0; ///< words from one tap to the next in the padded line
    VectorPlan Plan;
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
