// SPDX-License-Identifier: Apache-2.0
// HistogramSums.h on AVX2: sixteen 16-bit or eight 32-bit bins per register. The coarse slide
// masks the change of the bins below the remembered median bin by comparing each lane's bin
// index with it, and sums those lanes in 32 bits (a 16-bit change is read as signed: the
// path keeps columns below 32768 pixels high, so no change reaches that). Each function is a
// call of its own with the AVX2 target; the callers stay plain code.
#pragma once

#include "HistogramSums.h"

#include <immintrin.h>

namespace vorlings::clean::simd {

#define VORLINGS_CLEAN_SUMS_AVX2 __attribute__((target("avx2")))

namespace sums {

VORLINGS_CLEAN_SUMS_AVX2 inline __m256i Load(const void* at) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(at));
}
VORLINGS_CLEAN_SUMS_AVX2 inline void Store(void* at, __m256i v) {
    _mm256_storeu_si256(static_cast<__m256i*>(at), v);
}
VORLINGS_CLEAN_SUMS_AVX2 inline int32_t Total(__m256i v) {
    __m128i s = _mm_add_epi32(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0x4E));
    s = _mm_add_epi32(s, _mm_shuffle_epi32(s, 0xB1));
    return _mm_cvtsi128_si32(s);
}

} // namespace sums

VORLINGS_CLEAN_SUMS_AVX2 inline int32_t SlideTop(uint16_t* window, const uint16_t* added,
                                                 const uint16_t* removed, int32_t bin) {
    const __m256i index = _mm256_setr_epi16(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    const __m256i change = _mm256_sub_epi16(sums::Load(added), sums::Load(removed));
    sums::Store(window, _mm256_add_epi16(sums::Load(window), change));
    const __m256i under =
        _mm256_and_si256(change, _mm256_cmpgt_epi16(_mm256_set1_epi16(int16_t(bin)), index));
    return sums::Total(_mm256_madd_epi16(under, _mm256_set1_epi16(1)));
}

VORLINGS_CLEAN_SUMS_AVX2 inline int32_t SlideTop(uint32_t* window, const uint32_t* added,
                                                 const uint32_t* removed, int32_t bin) {
    const __m256i limit = _mm256_set1_epi32(bin);
    __m256i index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i below = _mm256_setzero_si256();
    for (int k = 0; k < kTopBins; k += 8) {
        const __m256i change = _mm256_sub_epi32(sums::Load(added + k), sums::Load(removed + k));
        sums::Store(window + k, _mm256_add_epi32(sums::Load(window + k), change));
        below = _mm256_add_epi32(below, _mm256_and_si256(change, _mm256_cmpgt_epi32(limit, index)));
        index = _mm256_add_epi32(index, _mm256_set1_epi32(8));
    }
    return sums::Total(below);
}

/// PickSubBin of MedianHistogram.h for 8 or 16 bins of 16 bits: the running counts are a
/// prefix sum in one register, the bins whose running count stays within the need are a run
/// from the first (the counts are never negative), and their number is where that run ends.
template <int N>
VORLINGS_CLEAN_SUMS_AVX2 inline int32_t PickSubBin(const uint16_t* counts, int32_t half,
                                                   int32_t& below) {
    static_assert(N == 8 || N == 16);
    alignas(32) uint16_t running[16];
    uint32_t within;
    if constexpr (N == 8) {
        __m128i sum = _mm_loadu_si128(reinterpret_cast<const __m128i*>(counts));
        sum = _mm_add_epi16(sum, _mm_slli_si128(sum, 2));
        sum = _mm_add_epi16(sum, _mm_slli_si128(sum, 4));
        sum = _mm_add_epi16(sum, _mm_slli_si128(sum, 8));
        const __m128i need = _mm_set1_epi16(int16_t(half - below));
        within = uint32_t(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_min_epu16(sum, need), sum)));
        _mm_store_si128(reinterpret_cast<__m128i*>(running), sum);
    } else {
        __m256i sum = sums::Load(counts);
        sum = _mm256_add_epi16(sum, _mm256_slli_si256(sum, 2));
        sum = _mm256_add_epi16(sum, _mm256_slli_si256(sum, 4));
        sum = _mm256_add_epi16(sum, _mm256_slli_si256(sum, 8));
        // The low half's total, carried into every bin of the high half.
        __m256i carry = _mm256_shufflehi_epi16(sum, 0xFF);
        carry = _mm256_unpackhi_epi64(carry, carry);
        sum = _mm256_add_epi16(sum, _mm256_permute2x128_si256(carry, carry, 0x08));
        const __m256i need = _mm256_set1_epi16(int16_t(half - below));
        within =
            uint32_t(_mm256_movemask_epi8(_mm256_cmpeq_epi16(_mm256_min_epu16(sum, need), sum)));
        sums::Store(running, sum);
    }
    const int32_t index = __builtin_ctzll(~uint64_t(within)) / 2;
    if (index > 0) below += running[index - 1];
    return index;
}

/// The segments come in 16, 32 or 64 bytes: 8 or 16 bins of 16 or 32 bits.
template <int N, class Counter>
VORLINGS_CLEAN_SUMS_AVX2 inline void SlideSegment(Counter* segment, const Counter* added,
                                                  const Counter* removed) {
    constexpr int kBytes = N * int(sizeof(Counter));
    static_assert(kBytes == 16 || kBytes % 32 == 0);
    if constexpr (kBytes == 16) {
        const auto load = [](const Counter* at) {
            return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
        };
        const __m128i change = sizeof(Counter) == 2 ? _mm_sub_epi16(load(added), load(removed))
                                                    : _mm_sub_epi32(load(added), load(removed));
        const __m128i sum = sizeof(Counter) == 2 ? _mm_add_epi16(load(segment), change)
                                                 : _mm_add_epi32(load(segment), change);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(segment), sum);
    } else {
        constexpr int kStep = 32 / int(sizeof(Counter));
        for (int i = 0; i < N; i += kStep) {
            const __m256i change =
                sizeof(Counter) == 2
                    ? _mm256_sub_epi16(sums::Load(added + i), sums::Load(removed + i))
                    : _mm256_sub_epi32(sums::Load(added + i), sums::Load(removed + i));
            const __m256i sum = sizeof(Counter) == 2
                                    ? _mm256_add_epi16(sums::Load(segment + i), change)
                                    : _mm256_add_epi32(sums::Load(segment + i), change);
            sums::Store(segment + i, sum);
        }
    }
}

template <int N, class Counter>
VORLINGS_CLEAN_SUMS_AVX2 inline void SumSegments(Counter* segment, const Counter* first,
                                                 size_t stride, int32_t count) {
    constexpr int kBytes = N * int(sizeof(Counter));
    static_assert(kBytes == 16 || kBytes % 32 == 0);
    if constexpr (kBytes == 16) {
        __m128i sum = _mm_setzero_si128();
        for (int32_t c = 0; c < count; ++c, first += stride) {
            const __m128i column = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first));
            sum = sizeof(Counter) == 2 ? _mm_add_epi16(sum, column) : _mm_add_epi32(sum, column);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(segment), sum);
    } else {
        constexpr int kStep = 32 / int(sizeof(Counter));
        constexpr int kRegisters = N / kStep;
        __m256i sum[kRegisters];
        for (int r = 0; r < kRegisters; ++r) sum[r] = _mm256_setzero_si256();
        for (int32_t c = 0; c < count; ++c, first += stride)
            for (int r = 0; r < kRegisters; ++r) {
                const __m256i column = sums::Load(first + r * kStep);
                sum[r] = sizeof(Counter) == 2 ? _mm256_add_epi16(sum[r], column)
                                              : _mm256_add_epi32(sum[r], column);
            }
        for (int r = 0; r < kRegisters; ++r) sums::Store(segment + r * kStep, sum[r]);
    }
}

} // namespace vorlings::clean::simd
