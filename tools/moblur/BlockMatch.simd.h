// SPDX-License-Identifier: Apache-2.0
// MatchBlock on AVX2, with the plain search's result (BlockMatch.cpp), for the common case of
// a block and a candidate wholly inside the level.
//
// A row of the 17 x 17 block is 16 bytes widened to 16-bit lanes, subtracted from the block's
// row (held widened for the whole search), and squared and added in pairs into eight 32-bit
// lanes by one multiply-add (vpmaddwd); the 17th column is added on its own. The sums are the
// plain loop's integers exactly (at most 289 x 255^2 < 2^25).
//
// Early stop. Costs only grow row by row, and a candidate must be strictly cheaper than the
// best so far to win, so one whose partial cost already reaches the best cannot win: its rows
// are left unread. The candidates are still taken in the plain order, so the winner, and the
// first of equal costs, are the plain search's.
#pragma once

#include <immintrin.h>

#include <cstdint>

#define VORLINGS_MOBLUR_AVX2 __attribute__((target("avx2")))

namespace vorlings::moblur::simd {

inline constexpr int32_t kRows = 17;

/// The block of frame t + 1, its rows widened, and its last column.
struct WideBlock {
    __m256i Rows[kRows];
    int32_t Last[kRows];
};

VORLINGS_MOBLUR_AVX2 inline void LoadBlock(const uint8_t* topLeft, int32_t width,
                                           WideBlock& block) {
    for (int32_t r = 0; r < kRows; ++r) {
        const uint8_t* row = topLeft + ptrdiff_t(r) * width;
        block.Rows[r] =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
        block.Last[r] = row[16];
    }
}

VORLINGS_MOBLUR_AVX2 inline int32_t LaneSum(__m256i v) {
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    return _mm_cvtsi128_si32(s);
}

/// The cost of the candidate whose top-left pixel is `topLeft` in frame t, or `bound` as soon
/// as it is clear that the cost reaches it.
VORLINGS_MOBLUR_AVX2 inline int32_t WholeBlockCost(const WideBlock& block, const uint8_t* topLeft,
                                                   int32_t width, int32_t bound) {
    __m256i sums = _mm256_setzero_si256();
    int32_t last = 0;
    for (int32_t r = 0; r < kRows; ++r) {
        const uint8_t* row = topLeft + ptrdiff_t(r) * width;
        const __m256i a =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
        const __m256i d = _mm256_sub_epi16(block.Rows[r], a);
        sums = _mm256_add_epi32(sums, _mm256_madd_epi16(d, d));
        const int32_t e = block.Last[r] - int32_t(row[16]);
        last += e * e;
        if ((r & 3) == 3 && LaneSum(sums) + last >= bound) return bound;
    }
    return LaneSum(sums) + last;
}

} // namespace vorlings::moblur::simd
