// SPDX-License-Identifier: Apache-2.0
// The contour row with AVX2: four pixels (sixteen words) to a register, the words of the plain
// loop (ContourRow.cpp).
//
// Why masks give the rule's words. A block is lit in a channel when some of its four words lie
// above L and some do not: when its smallest word is not above L and its largest is. Words are
// 0 to 65535, so a level below 0 or above 65535 lights nothing, exactly as 65535 does; the
// kernel compares with 65535 then, and with L itself otherwise, as unsigned 16-bit words
// (w > L exactly when the saturated w - L is not 0). Every traced word is then 0 or 65535, so
// the largest of the three colour words is their OR, MONO's white is that same OR in each
// colour, and laying a line over the image is the OR of the line and the input word.
#pragma once

#include "ContourRow.h"

#include <immintrin.h>

#include <cstdint>

#define VORLINGS_AVX2 __attribute__((target("avx2")))

namespace vorlings::trace::simd {

/// The colour words (blue, green, red) and the alpha word of each pixel of a register.
inline constexpr uint64_t kColourWords = 0x0000FFFFFFFFFFFFull;
inline constexpr uint64_t kAlphaWord = 0xFFFF000000000000ull;

VORLINGS_AVX2 inline __m256i Load(const uint16_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}

/// Traces the pixels of the row that have a right-hand neighbour, four at a time, as far as
/// whole groups of four go; returns how many pixels it traced (a multiple of 4, at most
/// width - 1). The rest of the row is the plain loop's.
VORLINGS_AVX2 inline int32_t ContourPixels(const uint16_t* row, const uint16_t* neighbourRow,
                                           int32_t width, const ContourStyle& style,
                                           uint16_t* out) {
    const int32_t level = style.Level < 0 || style.Level > 65535 ? 65535 : style.Level;
    const __m256i levelWords = _mm256_set1_epi16(int16_t(uint16_t(level)));
    // Words that stay as traced: the colours unless MONO, alpha with "Contour Alpha"; the
    // others take the OR of the pixel's colour words.
    const uint64_t keep = (style.Mono ? 0 : kColourWords) | (style.ContourAlpha ? kAlphaWord : 0);
    const __m256i kept = _mm256_set1_epi64x(int64_t(keep));
    const __m256i colours = _mm256_set1_epi64x(int64_t(kColourWords));
    const __m256i underlay = _mm256_set1_epi64x(style.OverImage ? -1 : 0);
    const __m256i zero = _mm256_setzero_si256();

    int32_t x = 0;
    for (; x + 5 <= width; x += 4) {
        const uint16_t* here = row + 4 * x;
        const uint16_t* below = neighbourRow + 4 * x;
        const __m256i a = Load(here), b = Load(here + 4), c = Load(below), d = Load(below + 4);
        const __m256i largest = _mm256_max_epu16(_mm256_max_epu16(a, b), _mm256_max_epu16(c, d));
        const __m256i smallest = _mm256_min_epu16(_mm256_min_epu16(a, b), _mm256_min_epu16(c, d));
        const __m256i noneAbove = _mm256_cmpeq_epi16(_mm256_subs_epu16(largest, levelWords), zero);
        const __m256i someBelow = _mm256_cmpeq_epi16(_mm256_subs_epu16(smallest, levelWords), zero);
        const __m256i lit = _mm256_andnot_si256(noneAbove, someBelow);
        // Word 0 of each pixel gathers the OR of its three colour words, then fills all four.
        const __m256i colour = _mm256_and_si256(lit, colours);
        __m256i anyColour = _mm256_or_si256(
            colour, _mm256_or_si256(_mm256_srli_epi64(colour, 16), _mm256_srli_epi64(colour, 32)));
        anyColour = _mm256_shufflehi_epi16(_mm256_shufflelo_epi16(anyColour, 0), 0);
        const __m256i traced =
            _mm256_or_si256(_mm256_and_si256(lit, kept), _mm256_andnot_si256(kept, anyColour));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 4 * x),
                            _mm256_or_si256(traced, _mm256_and_si256(a, underlay)));
    }
    return x;
}

} // namespace vorlings::trace::simd

#undef VORLINGS_AVX2
