// SPDX-License-Identifier: Apache-2.0
// The weighted sums with AVX2, sixteen 16-bit lanes to a register, exact to the bit.
//
// Values are below 2^14, so a value plus its mirror image across the centre fits a signed
// 16-bit lane, and one multiply-add (vpmaddwd) weighs two such sums by two weights below 2^15
// into a 32-bit lane without overflow: four taps per instruction where a 32-bit multiply would
// take one. A whole sum can need up to 44 bits, though, so the steps come in blocks whose
// partial sums stay below 2^32 (the plan's StepBlock), and the blocks' partials are gathered as
// a count of 2^18 and a remainder, two 32-bit lanes that shift right exactly as the 64-bit sum
// would. Kernels whose sum stays below 2^32 (2^Shift x 16383; Shift up to 18, radii up to about
// 19 pixels) are one block and need neither.
#pragma once

#include "LineKernel.h"

#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#define VORLINGS_AVX2 __attribute__((target("avx2")))

namespace vorlings::defocus {

namespace simd {

VORLINGS_AVX2 inline __m256i Load(const uint16_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

// G groups of 16 output lanes starting at `first`: the sums shifted right by `shift`, times
// 4, as words. Interleaving two operands keeps each 128-bit half apart: sums[2g] holds lanes
// 0-3 and 8-11 of group g, sums[2g + 1] lanes 4-7 and 12-15, the order in which packing puts
// them back. The sums live in locals throughout: the vector type may alias anything, so sums
// kept behind a pointer would go back to memory at every step.
template <bool OneBlock, int G>
VORLINGS_AVX2 inline __attribute__((always_inline)) void
SumGroups(const VectorPlan& plan, int32_t shift, const uint16_t* first, uint16_t* out) {
    __m256i sums[2 * G], high[2 * G], low[2 * G];
#pragma GCC unroll 8
    for (int i = 0; i < 2 * G; ++i) sums[i] = high[i] = low[i] = _mm256_setzero_si256();

    for (const StepBlock& block : plan.Blocks) {
        const PairStep* pair = plan.Pairs.data() + block.PairBegin;
        const PairStep* const pairEnd = plan.Pairs.data() + block.PairEnd;
        for (; pair != pairEnd; ++pair) {
            const PairStep step = *pair;
            const __m256i weights = _mm256_set1_epi32(int32_t(step.Weights));
#pragma GCC unroll 4
            for (int g = 0; g < G; ++g) {
                const uint16_t* at = first + g * 16;
                const __m256i a = _mm256_add_epi16(Load(at + step.A0), Load(at + step.A1));
                const __m256i b = _mm256_add_epi16(Load(at + step.B0), Load(at + step.B1));
                sums[2 * g] = _mm256_add_epi32(
                    sums[2 * g], _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), weights));
                sums[2 * g + 1] = _mm256_add_epi32(
                    sums[2 * g + 1], _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), weights));
            }
        }
        const CentreStep* centre = plan.Centres.data() + block.CentreBegin;
        const CentreStep* const centreEnd = plan.Centres.data() + block.CentreEnd;
        for (; centre != centreEnd; ++centre) {
            const CentreStep step = *centre;
            const __m256i weights = _mm256_set1_epi32(int32_t(step.Weights));
#pragma GCC unroll 4
            for (int g = 0; g < G; ++g) {
                const __m256i a = Load(first + g * 16 + step.At);
                sums[2 * g] = _mm256_add_epi32(
                    sums[2 * g], _mm256_madd_epi16(_mm256_unpacklo_epi16(a, a), weights));
                sums[2 * g + 1] = _mm256_add_epi32(
                    sums[2 * g + 1], _mm256_madd_epi16(_mm256_unpackhi_epi16(a, a), weights));
            }
        }
        if constexpr (!OneBlock) {
            // The block's partial joins the whole sum, high x 2^18 + low.
            const __m128i highShift = _mm_cvtsi32_si128(18 - block.ScaleBits);
            const __m128i lowShift = _mm_cvtsi32_si128(block.ScaleBits);
            const __m256i lowMask = _mm256_set1_epi32((1 << (18 - block.ScaleBits)) - 1);
#pragma GCC unroll 8
            for (int i = 0; i < 2 * G; ++i) {
                high[i] = _mm256_add_epi32(high[i], _mm256_srl_epi32(sums[i], highShift));
                low[i] = _mm256_add_epi32(
                    low[i], _mm256_sll_epi32(_mm256_and_si256(sums[i], lowMask), lowShift));
                sums[i] = _mm256_setzero_si256();
            }
        }
    }

    if constexpr (OneBlock) {
        const __m128i count = _mm_cvtsi32_si128(shift);
#pragma GCC unroll 8
        for (__m256i& s : sums) s = _mm256_srl_epi32(s, count);
    } else {
#pragma GCC unroll 8
        for (int i = 0; i < 2 * G; ++i) {
            if (shift >= 18) {
                const __m256i whole = _mm256_add_epi32(high[i], _mm256_srli_epi32(low[i], 18));
                sums[i] = _mm256_srl_epi32(whole, _mm_cvtsi32_si128(shift - 18));
            } else {
                sums[i] = _mm256_add_epi32(_mm256_sll_epi32(high[i], _mm_cvtsi32_si128(18 - shift)),
                                           _mm256_srl_epi32(low[i], _mm_cvtsi32_si128(shift)));
            }
        }
    }
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
        const __m256i words = _mm256_packus_epi32(_mm256_slli_epi32(sums[2 * g], 2),
                                                  _mm256_slli_epi32(sums[2 * g + 1], 2));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + g * 16), words);
    }
}

template <bool OneBlock>
VORLINGS_AVX2 void SumRows(const LineKernel& kernel, const uint16_t* in, ptrdiff_t inStride,
                           uint16_t* out, ptrdiff_t outStride, int32_t lanes, int32_t rows) {
    for (int32_t r = 0; r < rows; ++r) {
        const uint16_t* row = in + r * inStride;
        uint16_t* to = out + r * outStride;
        int32_t k = 0;
        for (; k + 64 <= lanes; k += 64)
            SumGroups<OneBlock, 4>(kernel.Plan, kernel.Shift, row + k, to + k);
        for (; k < lanes; k += 16)
            SumGroups<OneBlock, 1>(kernel.Plan, kernel.Shift, row + k, to + k);
    }
}

} // namespace simd

/// QuarterWords (LaneSums.h) with AVX2 over whole registers; returns how many words it did.
VORLINGS_AVX2 inline int32_t QuarterWordsVector(const uint16_t* words, int32_t count,
                                                uint16_t* to) {
    int32_t k = 0;
    for (; k + 16 <= count; k += 16)
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + k),
                            _mm256_srli_epi16(simd::Load(words + k), 2));
    return k;
}

/// SumLanes (LaneSums.h) with AVX2; call only where VectorUnitAvailable().
VORLINGS_AVX2 inline void SumLanesVector(const LineKernel& kernel, const uint16_t* in,
                                         ptrdiff_t inStride, uint16_t* out, ptrdiff_t outStride,
                                         int32_t lanes, int32_t rows) {
    if (kernel.Plan.OneBlock())
        simd::SumRows<true>(kernel, in, inStride, out, outStride, lanes, rows);
    else
        simd::SumRows<false>(kernel, in, inStride, out, outStride, lanes, rows);
}

} // namespace vorlings::defocus
