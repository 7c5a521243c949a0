// SPDX-License-Identifier: Apache-2.0
// The smoothing of the grey planes on AVX2, eight pixels at a time, with the bits of the plain
// loops (GreyPyramid.cpp): each lane starts its sum at zero and adds tap x value in the taps'
// order with one rounding per multiply and per add (no fused multiply-add), as the plain loop
// does for its one pixel. Only pixels whose taps all lie inside the row are taken here; the
// plain loop does the borders.
#pragma once

#include <immintrin.h>

#include <algorithm>
#include <cstdint>

#define VORLINGS_MOBLUR_AVX2 __attribute__((target("avx2")))

namespace vorlings::moblur::simd {

/// Pixels [from, to) of the float row `out` from the byte row `in`; every tap of those pixels
/// lies inside the row. Returns where it stopped (the rest is for the plain loop).
VORLINGS_MOBLUR_AVX2 inline int32_t SmoothAlongRow(const uint8_t* in, float* out, int32_t from,
                                                   int32_t to, const float* taps, int32_t count,
                                                   int32_t half) {
    int32_t x = from;
    for (; x + 8 <= to; x += 8) {
        __m256 sum = _mm256_setzero_ps();
        const uint8_t* at = in + x - half;
        for (int32_t k = 0; k < count; ++k) {
            const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(at + k));
            const __m256 v = _mm256_cvtepi32_ps(_mm256_cvtepu8_epi32(bytes));
            sum = _mm256_add_ps(sum, _mm256_mul_ps(_mm256_set1_ps(taps[k]), v));
        }
        _mm256_storeu_ps(out + x, sum);
    }
    return x;
}

/// Pixels [0, width) of a byte row from the float rows `rows[k]` (one per tap), clamped to
/// 0..255 and truncated. Returns where it stopped.
VORLINGS_MOBLUR_AVX2 inline int32_t SmoothDownRow(const float* const* rows, uint8_t* out,
                                                  int32_t width, const float* taps, int32_t count) {
    int32_t x = 0;
    const __m256 low = _mm256_setzero_ps(), high = _mm256_set1_ps(255.0f);
    for (; x + 8 <= width; x += 8) {
        __m256 sum = _mm256_setzero_ps();
        for (int32_t k = 0; k < count; ++k)
            sum = _mm256_add_ps(
                sum, _mm256_mul_ps(_mm256_set1_ps(taps[k]), _mm256_loadu_ps(rows[k] + x)));
        const __m256i whole = _mm256_cvttps_epi32(_mm256_min_ps(_mm256_max_ps(sum, low), high));
        const __m128i words =
            _mm_packus_epi32(_mm256_castsi256_si128(whole), _mm256_extracti128_si256(whole, 1));
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out + x), _mm_packus_epi16(words, words));
    }
    return x;
}

} // namespace vorlings::moblur::simd
