// SPDX-License-Identifier: Apache-2.0
// The small-window median on AVX2: sixteen channel words at once, each register one word of
// four neighbouring pixels, so that the same network serves all four channels. A window's
// values for lane i of a row are the words at i + 4 dx of its rows, dx across the window: the
// loads are plain unaligned loads at fixed offsets, and the result lane is the lane's own.
#pragma once

#include "SelectionNetwork.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#define VORLINGS_CLEAN_AVX2 __attribute__((target("avx2")))
#define VORLINGS_CLEAN_AVX2_INLINE __attribute__((target("avx2"), always_inline))

namespace vorlings::clean::simd {

/// Words a register holds.
inline constexpr int32_t kLanes = 16;

VORLINGS_CLEAN_AVX2_INLINE inline __m256i Load(const uint16_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

VORLINGS_CLEAN_AVX2_INLINE inline void Store(uint16_t* at, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), v);
}

template <const SelectionNetwork& Network, size_t E>
VORLINGS_CLEAN_AVX2_INLINE inline void ExchangeAt(__m256i* v) {
    constexpr Exchange x = Network.Exchanges[E];
    const __m256i low = _mm256_min_epu16(v[x.Low], v[x.High]);
    v[x.High] = _mm256_max_epu16(v[x.Low], v[x.High]);
    v[x.Low] = low;
}

template <const SelectionNetwork& Network, size_t... E>
VORLINGS_CLEAN_AVX2_INLINE inline void RunNetwork(__m256i* v, std::index_sequence<E...>) {
    (ExchangeAt<Network, E>(v), ...);
}

/// Lanes [first, end) of one output row (end - first at least kLanes), from the `Rows` rows of
/// the window that lie inside the picture, each reachable 4 HalfWidth words before `first` and
/// after `end`: the (count / 2)-th smallest word of each window with its two lowest bits
/// cleared, as the histogram's bin x 4 gives it.
template <int HalfWidth, int Rows>
VORLINGS_CLEAN_AVX2 void MedianLanes(const uint16_t* const* rows, int32_t first, int32_t end,
                                     uint16_t* out) {
    constexpr int kAcross = 2 * HalfWidth + 1;
    constexpr int kValues = kAcross * Rows;
    constexpr const SelectionNetwork& network = kMedianNetwork<kValues>;
    const __m256i keep = _mm256_set1_epi16(int16_t(0xFFFC));
    for (int32_t i = first; i < end; i += kLanes) {
        // The last register ends at the span's end, recomputing a few lanes rather than
        // reaching past it.
        const int32_t at = std::min(i, end - kLanes);
        __m256i v[kValues];
        for (int r = 0; r < Rows; ++r)
            for (int dx = 0; dx < kAcross; ++dx)
                v[r * kAcross + dx] = Load(rows[r] + at + 4 * (dx - HalfWidth));
        RunNetwork<network>(v, std::make_index_sequence<size_t(network.Count)>());
        Store(out + at, _mm256_and_si256(v[kValues / 2], keep));
    }
}

/// The 3 x 3 window in full, with its columns shared: each column of three words is sorted once
/// per row into `low`, `middle` and `high` (room for the row's lanes), and each window's median
/// is then the median of the largest low, the median middle and the smallest high of its three
/// columns, which is exactly its fifth smallest value. Lanes as for MedianLanes, with
/// `lanes` the row's length (at least kLanes).
VORLINGS_CLEAN_AVX2 inline void Median3x3Lanes(const uint16_t* const* rows, int32_t first,
                                               int32_t end, int32_t lanes, uint16_t* low,
                                               uint16_t* middle, uint16_t* high, uint16_t* out) {
    for (int32_t i = 0; i < lanes; i += kLanes) {
        const int32_t at = std::min(i, lanes - kLanes);
        const __m256i a = Load(rows[0] + at), b = Load(rows[1] + at), c = Load(rows[2] + at);
        const __m256i ab = _mm256_min_epu16(a, b), ba = _mm256_max_epu16(a, b);
        const __m256i top = _mm256_max_epu16(ba, c), rest = _mm256_min_epu16(ba, c);
        Store(low + at, _mm256_min_epu16(ab, rest));
        Store(middle + at, _mm256_max_epu16(ab, rest));
        Store(high + at, top);
    }
    const __m256i keep = _mm256_set1_epi16(int16_t(0xFFFC));
    for (int32_t i = first; i < end; i += kLanes) {
        const int32_t at = std::min(i, end - kLanes);
        const __m256i lows = _mm256_max_epu16(_mm256_max_epu16(Load(low + at - 4), Load(low + at)),
                                              Load(low + at + 4));
        const __m256i highs = _mm256_min_epu16(
            _mm256_min_epu16(Load(high + at - 4), Load(high + at)), Load(high + at + 4));
        const __m256i m0 = Load(middle + at - 4), m1 = Load(middle + at),
                      m2 = Load(middle + at + 4);
        const __m256i middles = _mm256_max_epu16(_mm256_min_epu16(m0, m1),
                                                 _mm256_min_epu16(_mm256_max_epu16(m0, m1), m2));
        const __m256i median =
            _mm256_max_epu16(_mm256_min_epu16(lows, middles),
                             _mm256_min_epu16(_mm256_max_epu16(lows, middles), highs));
        Store(out + at, _mm256_and_si256(median, keep));
    }
}

} // namespace vorlings::clean::simd

#undef VORLINGS_CLEAN_AVX2
#undef VORLINGS_CLEAN_AVX2_INLINE
