// SPDX-License-Identifier: Apache-2.0
// MatchBlock on AVX2, with the plain search's result (BlockMatch.cpp), for the common case of
// a block and a candidate wholly inside the level.
//
// On AVX-512 two rows go through each step, as the two halves of 32 lanes.
//
// A row of the 17 x 17 block is 16 bytes widened to 16-bit lanes, subtracted from the block's
// row (held widened for the whole search), and squared and added in pairs into eight 32-bit
// lanes by one multiply-add (vpmaddwd); the 17th column is added on its own. The sums are the
// plain loop's integers exactly (at most 289 x 255^2 < 2^25).
//
// Early stop. Costs only grow row by row, and a candidate must be strictly cheaper than the
// best so far to win, so one whose partial cost already reaches the best cannot win: its rows
// are left unread. The candidate at the guess is costed first: its cost c bounds the search
// from the start, a candidate before it in the plain order winning only with a cost of at most
// c. The candidates are still compared in the plain order, so the winner, and the first of
// equal costs, are the plain search's.
#pragma once

// GCC 12 warns of the deliberately undefined upper halves inside its own AVX-512 intrinsics
// (GCC bug 105593); nothing of ours is uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <cstdint>

#define VORLINGS_MOBLUR_AVX2 __attribute__((target("avx2")))
#define VORLINGS_MOBLUR_AVX512 __attribute__((target("avx2,avx512f,avx512bw,avx512vl")))

namespace vorlings::moblur::simd {

inline constexpr int32_t kRows = 17;
/// The rows after which a candidate's partial cost is held against the bound: a few, since each
/// check costs a sum across the lanes, and on smooth pictures most candidates come close to the
/// best.
inline constexpr uint32_t kBoundChecks = 1u << 2 | 1u << 7 | 1u << 12;

/// The block of frame t + 1, its rows widened, and its last column.
struct WideBlock {
    __m256i Rows[kRows];
    int32_t Last[kRows];
};

VORLINGS_MOBLUR_AVX2 inline void LoadBlock(const uint8_t* topLeft, int32_t width,
                                           WideBlock& block) {
#pragma GCC unroll 17
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

/// The cost of the candidate whose top-left pixel is `topLeft` in frame t, or INT32_MAX as
/// soon as it is clear that the cost reaches `bound`.
VORLINGS_MOBLUR_AVX2 inline int32_t WholeBlockCost(const WideBlock& block, const uint8_t* topLeft,
                                                   int32_t width, int32_t bound) {
    __m256i sums = _mm256_setzero_si256();
    int32_t last = 0;
#pragma GCC unroll 17
    for (int32_t r = 0; r < kRows; ++r) {
        const uint8_t* row = topLeft + ptrdiff_t(r) * width;
        const __m256i a =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
        const __m256i d = _mm256_sub_epi16(block.Rows[r], a);
        sums = _mm256_add_epi32(sums, _mm256_madd_epi16(d, d));
        const int32_t e = block.Last[r] - int32_t(row[16]);
        last += e * e;
        if ((kBoundChecks >> r & 1) && LaneSum(sums) + last >= bound) return INT32_MAX;
    }
    return LaneSum(sums) + last;
}

/// The last column's share of the costs of the 17 candidates of one search row, offset by
/// ox0 - 8 ... ox0 + 8 where `lastColumn` is frame t's column of the first one's last column
/// (its top row): costs[i] for the candidate at ox0 - 8 + i. Sixteen candidates at once, each
/// in its own lane: the squares (at most 255^2) are exact in 16-bit lanes read unsigned.
VORLINGS_MOBLUR_AVX2 inline void LastColumnCosts(const WideBlock& block, const uint8_t* lastColumn,
                                                 int32_t width, int32_t costs[kRows]) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i low = zero, high = zero;
    int32_t final = 0;
#pragma GCC unroll 17
    for (int32_t r = 0; r < kRows; ++r) {
        const uint8_t* row = lastColumn + ptrdiff_t(r) * width;
        const __m256i a =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
        const __m256i d = _mm256_sub_epi16(_mm256_set1_epi16(int16_t(block.Last[r])), a);
        const __m256i squares = _mm256_mullo_epi16(d, d);
        low = _mm256_add_epi32(low, _mm256_unpacklo_epi16(squares, zero));
        high = _mm256_add_epi32(high, _mm256_unpackhi_epi16(squares, zero));
        const int32_t e = block.Last[r] - int32_t(row[16]);
        final += e * e;
    }
    // The unpacks work within 128-bit halves: low holds candidates 0-3 and 8-11, high 4-7 and
    // 12-15.
    alignas(32) int32_t lows[8], highs[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lows), low);
    _mm256_store_si256(reinterpret_cast<__m256i*>(highs), high);
    for (int i = 0; i < 4; ++i) {
        costs[i] = lows[i];
        costs[4 + i] = highs[i];
        costs[8 + i] = lows[4 + i];
        costs[12 + i] = highs[4 + i];
    }
    costs[16] = final;
}

/// WholeBlockCost with the last column's share given: the 16 first columns are added to it.
VORLINGS_MOBLUR_AVX2 inline int32_t WholeBlockCostWithLast(const WideBlock& block,
                                                           const uint8_t* topLeft, int32_t width,
                                                           int32_t bound, int32_t last) {
    __m256i sums = _mm256_setzero_si256();
#pragma GCC unroll 17
    for (int32_t r = 0; r < kRows; ++r) {
        const uint8_t* row = topLeft + ptrdiff_t(r) * width;
        const __m256i a =
            _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
        const __m256i d = _mm256_sub_epi16(block.Rows[r], a);
        sums = _mm256_add_epi32(sums, _mm256_madd_epi16(d, d));
        if ((kBoundChecks >> r & 1) && LaneSum(sums) + last >= bound) return INT32_MAX;
    }
    return LaneSum(sums) + last;
}

/// The block's rows 0 to 15 in pairs, as 32 lanes each.
struct WidePairs {
    __m512i Pairs[kRows / 2];
};

VORLINGS_MOBLUR_AVX512 inline void PairRows(const WideBlock& block, WidePairs& pairs) {
    for (int32_t p = 0; p < kRows / 2; ++p)
        pairs.Pairs[p] =
            _mm512_inserti64x4(_mm512_castsi256_si512(block.Rows[2 * p]), block.Rows[2 * p + 1], 1);
}

/// WholeBlockCostWithLast two rows at a time; the bound is checked after rows 3, 7 and 13.
VORLINGS_MOBLUR_AVX512 inline int32_t
WholeBlockCostWithLast512(const WidePairs& pairs, const WideBlock& block, const uint8_t* topLeft,
                          int32_t width, int32_t bound, int32_t last) {
    __m512i sums = _mm512_setzero_si512();
#pragma GCC unroll 8
    for (int32_t p = 0; p < kRows / 2; ++p) {
        const uint8_t* row = topLeft + ptrdiff_t(2 * p) * width;
        const __m256i bytes = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + width)), 1);
        const __m512i d = _mm512_sub_epi16(pairs.Pairs[p], _mm512_cvtepu8_epi16(bytes));
        sums = _mm512_add_epi32(sums, _mm512_madd_epi16(d, d));
        if ((p == 1 || p == 3 || p == 6) && _mm512_reduce_add_epi32(sums) + last >= bound)
            return INT32_MAX;
    }
    const uint8_t* row = topLeft + ptrdiff_t(kRows - 1) * width;
    const __m256i d = _mm256_sub_epi16(
        block.Rows[kRows - 1],
        _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row))));
    const __m256i tail = _mm256_madd_epi16(d, d);
    return _mm512_reduce_add_epi32(sums) + LaneSum(tail) + last;
}

} // namespace vorlings::moblur::simd

#pragma GCC diagnostic pop
