// SPDX-License-Identifier: Apache-2.0
// The vector row kernels of DBlur: one output row from its taps, several pixels at once, with
// the bits of the plain loop (DBlurRows.cpp).
//
// Why float multiply-adds give the plain loop's floats. A channel's step is
// sum' = float(sum + word x weight), where the plain loop forms the product and the sum in the
// x87 extended format (64-bit significand) and rounds once more to float. A 16-bit word times
// a float's 24-bit significand needs at most 40 bits, so the product is always exact; only the
// sum s = sum + product may round before it reaches float. Two facts settle every tap:
//
// 1. Exact sums. A float sum of 2^-13 or more is a multiple of 2^-36 (its last significand
//    bit is 23 places below its leading one), and so is the product of a word with a weight of
//    2^-13 or more. While all sums stay below 2^17 (the caller checks that 65535 times the
//    weights' total cannot reach it), such a sum has at most 53 significant bits, so the plain
//    loop holds s exactly and its float is s rounded once to float: exactly what a float fused
//    multiply-add gives (it, too, forms word x weight + sum exactly and rounds once). A tap
//    whose weight is 2^-13 or more keeps a sum at 0 or at 2^-13 and above, so all such taps add
//    exactly, provided the taps with smaller weights never leave a sum strictly between 0 and
//    2^-13. These taps cost one float multiply-add: four pixels per 512-bit register.
// 2. Midpoints. The taps with smaller weights (the `Checked` list) run in double. Rounding to
//    double or to extended is monotone, and the midpoints between neighbouring floats (where
//    rounding to float changes its answer) are exact in both, so a sum rounded to 53 or 64 bits
//    still rounds on to the float nearest s, unless it lands exactly on such a midpoint; one
//    that lands on a midpoint at 64 bits lies within half a 64-bit unit of it and so lands on
//    it at 53 bits too. So where the double sum is not a float midpoint, its float is the
//    plain loop's.
//
// At a checked tap the kernels look for a double sum that is a float midpoint (the 29 bits
// below a float's significand reading 1000...0) and for a float sum left strictly between 0
// and 2^-13, and report such a pixel; their caller computes it again with the plain loop.
// Sums are 0 or above the smallest weight, far inside the range of normal floats, where the
// pattern test is exact.
//
// The rows the kernels read are floats (16-bit words are exact in them), padded on both sides
// with copies of the border pixel, so that every tap of every pixel of the row reads from one
// contiguous run.
#pragma once

// GCC 12 warns of the deliberately undefined upper halves inside its own AVX-512 conversion
// intrinsics (GCC bug 105593); nothing of ours is uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <algorithm>
#include <cstdint>

namespace vorlings::dblur::simd {

/// Bits of a double below a float's significand, and their pattern at a float midpoint.
inline constexpr int64_t kBelowFloat = 0x1FFFFFFF;
inline constexpr int64_t kFloatMidpoint = 0x10000000;
/// The bits of 2^-13 as a float: sums strictly between 0 and this are left out of fact 1.
inline constexpr int32_t kExactFloor = (127 - 13) << 23;

/// The taps of one output row as the kernels read them.
struct RowTaps {
    /// Per tap: its padded input row, moved by the tap's column offset (pixel x reads at
    /// Rows[k] + 4x).
    const float* const* Rows;
    const float* Weights;
    /// The taps to check, ascending, closed by Count.
    const int32_t* Checked;
    int32_t Count;
};

// ---- 256 bits: two pixels per register ------------------------------------------------------

/// A checked tap on four channels: the double sum, whether each is a float midpoint (bits of
/// `hits`), and the float sums.
__attribute__((target("avx2,fma"), always_inline)) inline __m128
CheckedHalfAvx2(__m128 words, __m128 sums, __m256d weight, int& hits) {
    const __m256d s = _mm256_fmadd_pd(_mm256_cvtps_pd(words), weight, _mm256_cvtps_pd(sums));
    const __m256i low = _mm256_and_si256(_mm256_castpd_si256(s), _mm256_set1_epi64x(kBelowFloat));
    hits = _mm256_movemask_pd(
        _mm256_castsi256_pd(_mm256_cmpeq_epi64(low, _mm256_set1_epi64x(kFloatMidpoint))));
    return _mm256_cvtpd_ps(s);
}

/// 2G pixels from x on; pixels to be computed again go to `suspects`.
template <int G>
__attribute__((target("avx2,fma"), always_inline)) inline void
PixelsAvx2(const RowTaps& taps, int32_t x, uint16_t* out, int32_t* suspects,
           int32_t& suspectCount) {
    __m256 sum[G];
    uint32_t failed[G] = {};
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) sum[g] = _mm256_setzero_ps();
    const size_t at = size_t(x) * 4;
    int32_t k = 0;
    for (const int32_t* checked = taps.Checked;; ++checked) {
        for (; k < *checked; ++k) {
            const float* row = taps.Rows[k] + at;
            const __m256 weight = _mm256_broadcast_ss(taps.Weights + k);
#pragma GCC unroll 8
            for (int g = 0; g < G; ++g)
                sum[g] = _mm256_fmadd_ps(_mm256_loadu_ps(row + 8 * g), weight, sum[g]);
        }
        if (k == taps.Count) break;
        const float* row = taps.Rows[k] + at;
        const __m256d weight = _mm256_set1_pd(double(taps.Weights[k]));
        const __m256i floor = _mm256_set1_epi32(kExactFloor);
#pragma GCC unroll 8
        for (int g = 0; g < G; ++g) {
            const __m256 words = _mm256_loadu_ps(row + 8 * g);
            int hits;
            const __m128 low = CheckedHalfAvx2(_mm256_castps256_ps128(words),
                                               _mm256_castps256_ps128(sum[g]), weight, hits);
            int highHits;
            const __m128 high = CheckedHalfAvx2(_mm256_extractf128_ps(words, 1),
                                                _mm256_extractf128_ps(sum[g], 1), weight, highHits);
            hits |= highHits << 4;
            sum[g] = _mm256_set_m128(high, low);
            const __m256i bits = _mm256_castps_si256(sum[g]);
            const __m256i tiny = _mm256_and_si256(_mm256_cmpgt_epi32(bits, _mm256_setzero_si256()),
                                                  _mm256_cmpgt_epi32(floor, bits));
            failed[g] |= uint32_t(hits | _mm256_movemask_ps(_mm256_castsi256_ps(tiny)));
        }
        ++k;
    }
    const __m256d half = _mm256_set1_pd(0.5);
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) {
        // Sum + 0.5 is exact in double; truncate, then hold at 65535 (unsigned saturation).
        const __m128i low = _mm256_cvttpd_epi32(
            _mm256_add_pd(_mm256_cvtps_pd(_mm256_castps256_ps128(sum[g])), half));
        const __m128i high = _mm256_cvttpd_epi32(
            _mm256_add_pd(_mm256_cvtps_pd(_mm256_extractf128_ps(sum[g], 1)), half));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + (size_t(x) + 2 * g) * 4),
                         _mm_packus_epi32(low, high));
        if (failed[g] & 0x0F) suspects[suspectCount++] = x + 2 * g;
        if (failed[g] & 0xF0) suspects[suspectCount++] = x + 2 * g + 1;
    }
}

/// One output row of `width` pixels (at least 2) into `out` (four words per pixel). Returns
/// how many pixels it lists in `suspects` (room for width + 8), to be computed again by the
/// plain loop.
__attribute__((target("avx2,fma"))) inline int32_t StrokeRowAvx2(const RowTaps& taps, int32_t width,
                                                                 uint16_t* out, int32_t* suspects) {
    // Two multiply-adds a cycle of four cycles' latency: eight sums in flight.
    constexpr int kGroup = 8;
    int32_t count = 0;
    int32_t x = 0;
    for (; x + 2 * kGroup <= width; x += 2 * kGroup)
        PixelsAvx2<kGroup>(taps, x, out, suspects, count);
    // The rest in pairs, the last pair moved back onto the row's end.
    for (; x < width; x += 2) PixelsAvx2<1>(taps, std::min(x, width - 2), out, suspects, count);
    return count;
}

// ---- 512 bits: four pixels per register -----------------------------------------------------

/// As CheckedHalfAvx2, on eight channels.
__attribute__((target("avx512f,avx512vl,avx2,fma"), always_inline)) inline __m256
CheckedHalfAvx512(__m256 words, __m256 sums, __m512d weight, uint32_t& hits) {
    const __m512d s = _mm512_fmadd_pd(_mm512_cvtps_pd(words), weight, _mm512_cvtps_pd(sums));
    const __m512i low = _mm512_and_si512(_mm512_castpd_si512(s), _mm512_set1_epi64(kBelowFloat));
    hits = _mm512_cmpeq_epi64_mask(low, _mm512_set1_epi64(kFloatMidpoint));
    return _mm512_cvtpd_ps(s);
}

/// 4G pixels from x on, as PixelsAvx2.
template <int G>
__attribute__((target("avx512f,avx512vl,avx2,fma"), always_inline)) inline void
PixelsAvx512(const RowTaps& taps, int32_t x, uint16_t* out, int32_t* suspects,
             int32_t& suspectCount) {
    __m512 sum[G];
    uint32_t failed[G] = {};
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) sum[g] = _mm512_setzero_ps();
    const size_t at = size_t(x) * 4;
    int32_t k = 0;
    for (const int32_t* checked = taps.Checked;; ++checked) {
        for (; k < *checked; ++k) {
            const float* row = taps.Rows[k] + at;
            const __m512 weight = _mm512_set1_ps(taps.Weights[k]);
#pragma GCC unroll 8
            for (int g = 0; g < G; ++g)
                sum[g] = _mm512_fmadd_ps(_mm512_loadu_ps(row + 16 * g), weight, sum[g]);
        }
        if (k == taps.Count) break;
        const float* row = taps.Rows[k] + at;
        const __m512d weight = _mm512_set1_pd(double(taps.Weights[k]));
        const __m512i floorLess1 = _mm512_set1_epi32(kExactFloor - 1);
#pragma GCC unroll 8
        for (int g = 0; g < G; ++g) {
            const __m512d sums = _mm512_castps_pd(sum[g]);
            uint32_t hits, highHits;
            const __m256 low =
                CheckedHalfAvx512(_mm256_loadu_ps(row + 16 * g),
                                  _mm256_castpd_ps(_mm512_castpd512_pd256(sums)), weight, hits);
            const __m256 high = CheckedHalfAvx512(_mm256_loadu_ps(row + 16 * g + 8),
                                                  _mm256_castpd_ps(_mm512_extractf64x4_pd(sums, 1)),
                                                  weight, highHits);
            hits |= highHits << 8;
            sum[g] = _mm512_castpd_ps(_mm512_insertf64x4(
                _mm512_castpd256_pd512(_mm256_castps_pd(low)), _mm256_castps_pd(high), 1));
            // bits - 1 below bits(2^-13) - 1: a sum strictly between 0 and 2^-13.
            const __mmask16 tiny = _mm512_cmplt_epu32_mask(
                _mm512_sub_epi32(_mm512_castps_si512(sum[g]), _mm512_set1_epi32(1)), floorLess1);
            failed[g] |= hits | uint32_t(tiny);
        }
        ++k;
    }
    const __m512d half = _mm512_set1_pd(0.5);
#pragma GCC unroll 8
    for (int g = 0; g < G; ++g) {
        // Sum + 0.5 is exact in double; truncate, then hold at 65535 (unsigned saturation).
        const __m512d sums = _mm512_castps_pd(sum[g]);
        const __m256i low = _mm512_cvttpd_epi32(_mm512_add_pd(
            _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(sums, 0))), half));
        const __m256i high = _mm512_cvttpd_epi32(_mm512_add_pd(
            _mm512_cvtps_pd(_mm256_castpd_ps(_mm512_extractf64x4_pd(sums, 1))), half));
        const __m512i whole = _mm512_inserti64x4(_mm512_castsi256_si512(low), high, 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + (size_t(x) + 4 * g) * 4),
                            _mm512_cvtusepi32_epi16(whole));
        for (int p = 0; p < 4; ++p)
            if (failed[g] & (0xFu << (4 * p))) suspects[suspectCount++] = x + 4 * g + p;
    }
}

/// As StrokeRowAvx2, four pixels per register, for rows of at least 4 pixels.
__attribute__((target("avx512f,avx512vl,avx2,fma"))) inline int32_t
StrokeRowAvx512(const RowTaps& taps, int32_t width, uint16_t* out, int32_t* suspects) {
    // Two multiply-adds a cycle of four cycles' latency: eight sums in flight.
    constexpr int kGroup = 8;
    int32_t count = 0;
    int32_t x = 0;
    for (; x + 4 * kGroup <= width; x += 4 * kGroup)
        PixelsAvx512<kGroup>(taps, x, out, suspects, count);
    // The rest in fours, the last four moved back onto the row's end.
    for (; x < width; x += 4) PixelsAvx512<1>(taps, std::min(x, width - 4), out, suspects, count);
    return count;
}

} // namespace vorlings::dblur::simd

#pragma GCC diagnostic pop
