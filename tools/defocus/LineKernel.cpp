// SPDX-License-Identifier: Apache-2.0
#include "LineKernel.h"

#include <algorithm>

namespace vorlings::defocus {

namespace {

// A weight half of a step is a signed 16-bit factor.
constexpr uint32_t kHalfLimit = 32767;
// The weight a block may cover so that its partial sum over values up to 16383 fits 32 bits.
constexpr uint64_t kBlockCover = 0xFFFFFFFFull / 16383;
// Weights above a step's reach are split into a low part and a part counted 2^15 times.
constexpr int32_t kHighBits = 15;

// A tap and its mirror image, the operand of half a pair step.
struct MirrorTaps {
    int32_t Near, Far;
    uint32_t Weight;
};

// The steps and blocks of one scale: mirror-tap operands paired two by two, then the centre.
void AddSteps(VectorPlan& plan, const std::vector<MirrorTaps>& mirrors, uint32_t centreWeight,
              int32_t centreAt, int32_t scaleBits) {
    const size_t pairFrom = plan.Pairs.size(), centreFrom = plan.Centres.size();
    for (size_t k = 0; k < mirrors.size(); k += 2) {
        const MirrorTaps& a = mirrors[k];
        // An odd one out pairs with itself at weight 0.
        const MirrorTaps& b =
            k + 1 < mirrors.size() ? mirrors[k + 1] : MirrorTaps{a.Near, a.Far, 0};
        plan.Pairs.push_back({a.Near, a.Far, b.Near, b.Far, a.Weight | b.Weight << 16});
    }
    for (uint32_t left = centreWeight; left > 0;) {
        const uint32_t low = std::min(left, kHalfLimit);
        const uint32_t high = std::min(left - low, kHalfLimit);
        plan.Centres.push_back({centreAt, low | high << 16});
        left -= low + high;
    }

    StepBlock block{int32_t(pairFrom), int32_t(pairFrom), int32_t(centreFrom), int32_t(centreFrom),
                    scaleBits};
    uint64_t cover = 0;
    const auto take = [&](uint32_t weights, uint64_t taps, int32_t StepBlock::*end) {
        const uint64_t stepCover = taps * ((weights & 0xFFFF) + (weights >> 16));
        if (cover + stepCover > kBlockCover) {
            plan.Blocks.push_back(block);
            block = {block.PairEnd, block.PairEnd, block.CentreEnd, block.CentreEnd, scaleBits};
            cover = 0;
        }
        cover += stepCover;
        ++(block.*end);
    };
    for (size_t s = pairFrom; s < plan.Pairs.size(); ++s)
        take(plan.Pairs[s].Weights, 2, &StepBlock::PairEnd);
    for (size_t s = centreFrom; s < plan.Centres.size(); ++s)
        take(plan.Centres[s].Weights, 1, &StepBlock::CentreEnd);
    if (cover > 0) plan.Blocks.push_back(block);
}

// Adds `weight` for the operand `taps` to the low scale, and what exceeds a half's reach to the
// high scale in pieces that fit one.
void SplitMirror(MirrorTaps taps, std::vector<MirrorTaps> (&byScale)[2]) {
    if (taps.Weight <= kHalfLimit) {
        if (taps.Weight) byScale[0].push_back(taps);
        return;
    }
    const uint32_t low = taps.Weight & ((1u << kHighBits) - 1);
    if (low) byScale[0].push_back({taps.Near, taps.Far, low});
    for (uint32_t high = taps.Weight >> kHighBits; high > 0;) {
        const uint32_t piece = std::min(high, kHalfLimit);
        byScale[1].push_back({taps.Near, taps.Far, piece});
        high -= piece;
    }
}

VectorPlan MakeVectorPlan(const LineKernel& line) {
    const auto offset = [&](int32_t tap) { return int32_t(tap * line.TapStride); };
    std::vector<MirrorTaps> byScale[2];
    for (int32_t i = 0; i < line.Reach; ++i)
        SplitMirror({offset(i), offset(2 * line.Reach - i), line.Weights[size_t(i)]}, byScale);

    // A centre step covers two halves of the centre weight; beyond that it splits like the rest.
    uint32_t centre[2] = {line.Weights[size_t(line.Reach)], 0};
    if (centre[0] > 2 * kHalfLimit) {
        centre[1] = centre[0] >> kHighBits;
        centre[0] &= (1u << kHighBits) - 1;
    }

    VectorPlan plan;
    AddSteps(plan, byScale[0], centre[0], offset(line.Reach), 0);
    AddSteps(plan, byScale[1], centre[1], offset(line.Reach), kHighBits);
    return plan;
}

} // namespace

LineKernel MakeLineKernel(const GaussianKernel& kernel, int32_t lineLength, bool duplicateEdges,
                          ptrdiff_t tapStride) {
    LineKernel line;
    const int32_t centre = kernel.Centre();
    line.Reach = std::min(centre, std::max(lineLength, 1) - 1);
    line.Shift = kernel.Shift;
    line.DuplicateEdges = duplicateEdges;
    line.TapStride = tapStride;

    const auto first = kernel.Weights.begin() + (centre - line.Reach);
    const auto last = kernel.Weights.begin() + (centre + line.Reach + 1);
    line.Weights.assign(first, last);
    if (duplicateEdges) {
        // Taps beyond the kept ones land beyond the border at every position: they read the
        // border pixel, as the outermost kept tap does. With a reach of 0 both ends fold onto
        // the one tap.
        uint32_t before = 0, after = 0;
        for (auto w = kernel.Weights.begin(); w != first; ++w) before += *w;
        for (auto w = last; w != kernel.Weights.end(); ++w) after += *w;
        line.Weights.front() += before;
        line.Weights.back() += after;
    }
    line.Plan = MakeVectorPlan(line);
    return line;
}

} // namespace vorlings::defocus
