// SPDX-License-Identifier: Apache-2.0
// Sharpen's rows on the vector unit, with the bits of the plain loop (SharpenRows.cpp): on
// AVX2, eight channel words at a time; on AVX-512, sixteen, with VNNI's multiply-adds into sums.
//
// Sums. Every tap of the kernel is taken, also where it falls outside the picture, where it
// reads a pixel of zeros: it adds nothing, exactly as the plain loop's skipped tap. Words are
// held as signed 16-bit values, word - 32768, so that one 16-bit multiply-add (vpmaddwd,
// vpdpwssd) multiplies two of them by two weights (at most 256) and adds both products into a
// 32-bit lane. The two are the same channel word of neighbouring kernel rows: a pair row holds
// picture rows r and r + 1 interleaved word by word, padded on both sides with zero pixels, and
// kernel rows 2p and 2p + 1 read pair row y - R + 2p (the last kernel row pairs with a weight of
// 0). The sum over the taps of (word - 32768) x weight, plus 32768 x the kernel's sum, is the
// plain loop's sum, exactly: every partial sum is an integer below 32768 x 8816 < 2^29 in
// magnitude.
//
// Result. A sum is at most 65535 x the kernel's sum s (below 2^14), so sum / s is below 2^16
// and, when it is not a whole number, at least 1 / s > 2^-14 below the next one. sum x (1 / s)
// + 2^-16 in one fused multiply-add lies within 2^-35 of sum / s + 2^-16: its truncation is the
// integer quotient b. (C - b) x Power, 17 bits by a float's 24, is exact in double, so a fused
// multiply-add gives the plain loop's (C - b) x Power + C with its one rounding; adding 0.5,
// holding to 0..65535 and truncating then follow the plain loop step by step.
#pragma once

// GCC 12 warns of the deliberately undefined upper halves inside its own AVX-512 intrinsics
// (GCC bug 105593); nothing of ours is uninitialised.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

#include <array>
#include <cstdint>

#define VORLINGS_SHARPEN_AVX2 __attribute__((target("avx2,fma")))
#define VORLINGS_SHARPEN_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl,avx512vnni")))

namespace vorlings::sharpen::simd {

/// The result words a row is computed in at once: the sums of 16 pixels stay in registers.
/// Pair rows and result rows are rounded up to whole blocks.
inline constexpr int32_t kBlockLanes = 64;

/// A zero word less 32768: what a position outside the picture holds.
inline constexpr int16_t kZeroWord = INT16_MIN;

/// What every row of a render shares.
struct RowRule {
    /// Per pair p (0..R), per kernel column j: the weights of kernel rows 2p and 2p + 1 as the
    /// low and high halves of one 32-bit word.
    const uint32_t* PairWeights;
    int32_t Pairs;     ///< R + 1
    int32_t Taps;      ///< kernel columns, 2R + 1
    int32_t Bias;      ///< 32768 x the kernel's sum
    double InverseSum; ///< 1 / the kernel's sum
    double Power;      ///< "Power", a float, exact in double
};

/// Pair rows: BuildPairRow fills pair row `pair` (2 x `positions` words) from picture rows
/// `upper` and `lower`, each `lanes` words long, or null for a row outside the picture: `pad`
/// positions of zero pixels, the rows' words less 32768 interleaved, then zero pixels to the
/// end; `positions` is at least pad + lanes rounded up to kBlockLanes. No word past a row's end
/// is read.
///
/// Result rows: SharpenRow computes one row from the R + 1 pair rows its kernel rows read
/// (`pairRows`, each moved to the row's first position) and the row's own `lanes` words
/// (`centre`), into `out`, which has room for `lanes` rounded up to kBlockLanes.

namespace avx2 {

inline constexpr int32_t kGroupLanes = 8;
inline constexpr int32_t kBlockGroups = kBlockLanes / kGroupLanes;

// Loads the first `words` (an even count, up to 16) of 16 words; the rest read as zeros.
VORLINGS_SHARPEN_AVX2 inline __m256i LoadWords(const uint16_t* at, int32_t words) {
    if (words >= 16) return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
    const __m256i mask =
        _mm256_cmpgt_epi32(_mm256_set1_epi32(words / 2), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7));
    return _mm256_maskload_epi32(reinterpret_cast<const int*>(at), mask);
}

VORLINGS_SHARPEN_AVX2 inline void BuildPairRow(const uint16_t* upper, const uint16_t* lower,
                                               int32_t lanes, int32_t pad, int32_t positions,
                                               int16_t* pair) {
    int32_t p = 0;
    for (; p < pad; ++p) pair[2 * p] = pair[2 * p + 1] = kZeroWord;
    const __m256i flip = _mm256_set1_epi16(kZeroWord);
    for (int32_t s = 0; s < lanes; s += 16, p += 16) {
        const __m256i a = _mm256_xor_si256(
            upper ? LoadWords(upper + s, lanes - s) : _mm256_setzero_si256(), flip);
        const __m256i b = _mm256_xor_si256(
            lower ? LoadWords(lower + s, lanes - s) : _mm256_setzero_si256(), flip);
        // Interleaving works within 128-bit halves: put the halves back in order.
        const __m256i low = _mm256_unpacklo_epi16(a, b), high = _mm256_unpackhi_epi16(a, b);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pair + 2 * p),
                            _mm256_permute2x128_si256(low, high, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pair + 2 * p + 16),
                            _mm256_permute2x128_si256(low, high, 0x31));
    }
    for (; p < positions; ++p) pair[2 * p] = pair[2 * p + 1] = kZeroWord;
}

// The result words of one register of sums, lanes [first, first + 8) of the row.
VORLINGS_SHARPEN_AVX2 inline void FinishGroup(const RowRule& rule, __m256i sums,
                                              const uint16_t* centre, int32_t first, int32_t lanes,
                                              uint16_t* out) {
    const int32_t left = lanes - first;
    const __m128i word16 = left >= kGroupLanes
                               ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(centre + first))
                               : _mm_maskload_epi32(reinterpret_cast<const int*>(centre + first),
                                                    _mm_cmpgt_epi32(_mm_set1_epi32(left / 2),
                                                                    _mm_setr_epi32(0, 1, 2, 3)));
    const __m256i words = _mm256_cvtepu16_epi32(word16);
    sums = _mm256_add_epi32(sums, _mm256_set1_epi32(rule.Bias));

    const __m256d inverse = _mm256_set1_pd(rule.InverseSum);
    const __m256d nudge = _mm256_set1_pd(0x1p-16);
    const __m256d power = _mm256_set1_pd(rule.Power);
    __m128i result[2];
    for (int h = 0; h < 2; ++h) {
        const __m256d sum = _mm256_cvtepi32_pd(h ? _mm256_extracti128_si256(sums, 1)
                                                 : _mm256_castsi256_si128(sums));
        const __m256d c = _mm256_cvtepi32_pd(h ? _mm256_extracti128_si256(words, 1)
                                               : _mm256_castsi256_si128(words));
        const __m256d b = _mm256_round_pd(_mm256_fmadd_pd(sum, inverse, nudge),
                                          _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        __m256d v = _mm256_fmadd_pd(_mm256_sub_pd(c, b), power, c);
        v = _mm256_add_pd(v, _mm256_set1_pd(0.5));
        v = _mm256_min_pd(_mm256_max_pd(v, _mm256_setzero_pd()), _mm256_set1_pd(65535.0));
        result[h] = _mm256_cvttpd_epi32(v);
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + first),
                     _mm_packus_epi32(result[0], result[1]));
}

VORLINGS_SHARPEN_AVX2 inline void SharpenRow(const RowRule& rule, const int16_t* const* pairRows,
                                             const uint16_t* centre, int32_t lanes, uint16_t* out) {
    for (int32_t k = 0; k < lanes; k += kBlockLanes) {
        __m256i sums[kBlockGroups];
#pragma GCC unroll 8
        for (int g = 0; g < kBlockGroups; ++g) sums[g] = _mm256_setzero_si256();
        for (int32_t p = 0; p < rule.Pairs; ++p) {
            const int16_t* row = pairRows[p] + 2 * k;
            const uint32_t* weights = rule.PairWeights + p * rule.Taps;
            for (int32_t j = 0; j < rule.Taps; ++j) {
                const __m256i weight = _mm256_set1_epi32(int32_t(weights[j]));
                const int16_t* at = row + 8 * j;
#pragma GCC unroll 8
                for (int g = 0; g < kBlockGroups; ++g)
                    sums[g] = _mm256_add_epi32(
                        sums[g],
                        _mm256_madd_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(
                                              at + 2 * kGroupLanes * g)),
                                          weight));
            }
        }
#pragma GCC unroll 8
        for (int g = 0; g < kBlockGroups; ++g)
            if (k + g * kGroupLanes < lanes)
                FinishGroup(rule, sums[g], centre, k + g * kGroupLanes, lanes, out);
    }
}

} // namespace avx2

namespace avx512 {

inline constexpr int32_t kGroupLanes = 16;
inline constexpr int32_t kBlockGroups = kBlockLanes / kGroupLanes;

// Word indexes that interleave two registers of 32 words, a0 b0 a1 b1 ...: the first 16 of
// each, then the last 16.
constexpr std::array<int16_t, 32> InterleaveIndexes(int16_t first) {
    std::array<int16_t, 32> indexes{};
    for (int16_t i = 0; i < 32; ++i) indexes[size_t(i)] = int16_t((i & 1) * 32 + first + i / 2);
    return indexes;
}
inline constexpr std::array<int16_t, 32> kInterleaveLow = InterleaveIndexes(0);
inline constexpr std::array<int16_t, 32> kInterleaveHigh = InterleaveIndexes(16);

VORLINGS_SHARPEN_AVX512 inline void BuildPairRow(const uint16_t* upper, const uint16_t* lower,
                                                 int32_t lanes, int32_t pad, int32_t positions,
                                                 int16_t* pair) {
    int32_t p = 0;
    for (; p < pad; ++p) pair[2 * p] = pair[2 * p + 1] = kZeroWord;
    const __m512i flip = _mm512_set1_epi16(kZeroWord);
    const __m512i low = _mm512_loadu_si512(kInterleaveLow.data());
    const __m512i high = _mm512_loadu_si512(kInterleaveHigh.data());
    for (int32_t s = 0; s < lanes; s += 32, p += 32) {
        // Words past the row's end load as zeros: zero pixels of the padding.
        const __mmask32 mask = lanes - s >= 32 ? ~__mmask32(0) : (__mmask32(1) << (lanes - s)) - 1;
        const __m512i a = _mm512_xor_si512(
            upper ? _mm512_maskz_loadu_epi16(mask, upper + s) : _mm512_setzero_si512(), flip);
        const __m512i b = _mm512_xor_si512(
            lower ? _mm512_maskz_loadu_epi16(mask, lower + s) : _mm512_setzero_si512(), flip);
        _mm512_storeu_si512(pair + 2 * p, _mm512_permutex2var_epi16(a, low, b));
        _mm512_storeu_si512(pair + 2 * p + 32, _mm512_permutex2var_epi16(a, high, b));
    }
    for (; p < positions; ++p) pair[2 * p] = pair[2 * p + 1] = kZeroWord;
}

// The result words of one register of sums, lanes [first, first + 16) of the row.
VORLINGS_SHARPEN_AVX512 inline void FinishGroup(const RowRule& rule, __m512i sums,
                                                const uint16_t* centre, int32_t first,
                                                int32_t lanes, uint16_t* out) {
    const int32_t left = lanes - first;
    const __mmask16 mask = left >= kGroupLanes ? __mmask16(0xFFFF) : __mmask16((1u << left) - 1);
    const __m512i words = _mm512_cvtepu16_epi32(_mm256_maskz_loadu_epi16(mask, centre + first));
    sums = _mm512_add_epi32(sums, _mm512_set1_epi32(rule.Bias));

    const __m512d inverse = _mm512_set1_pd(rule.InverseSum);
    const __m512d nudge = _mm512_set1_pd(0x1p-16);
    const __m512d power = _mm512_set1_pd(rule.Power);
    __m256i result[2];
    for (int h = 0; h < 2; ++h) {
        const __m512d sum = _mm512_cvtepi32_pd(h ? _mm512_extracti64x4_epi64(sums, 1)
                                                 : _mm512_castsi512_si256(sums));
        const __m512d c = _mm512_cvtepi32_pd(h ? _mm512_extracti64x4_epi64(words, 1)
                                               : _mm512_castsi512_si256(words));
        const __m512d b = _mm512_roundscale_pd(_mm512_fmadd_pd(sum, inverse, nudge),
                                               _MM_FROUND_TO_ZERO | _MM_FROUND_NO_EXC);
        __m512d v = _mm512_fmadd_pd(_mm512_sub_pd(c, b), power, c);
        v = _mm512_add_pd(v, _mm512_set1_pd(0.5));
        v = _mm512_min_pd(_mm512_max_pd(v, _mm512_setzero_pd()), _mm512_set1_pd(65535.0));
        result[h] = _mm512_cvttpd_epi32(v);
    }
    const __m512i all = _mm512_inserti64x4(_mm512_castsi256_si512(result[0]), result[1], 1);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + first), _mm512_cvtepi32_epi16(all));
}

VORLINGS_SHARPEN_AVX512 inline void SharpenRow(const RowRule& rule, const int16_t* const* pairRows,
                                               const uint16_t* centre, int32_t lanes,
                                               uint16_t* out) {
    for (int32_t k = 0; k < lanes; k += kBlockLanes) {
        __m512i sums[kBlockGroups];
#pragma GCC unroll 4
        for (int g = 0; g < kBlockGroups; ++g) sums[g] = _mm512_setzero_si512();
        for (int32_t p = 0; p < rule.Pairs; ++p) {
            const int16_t* row = pairRows[p] + 2 * k;
            const uint32_t* weights = rule.PairWeights + p * rule.Taps;
            for (int32_t j = 0; j < rule.Taps; ++j) {
                const __m512i weight = _mm512_set1_epi32(int32_t(weights[j]));
                const int16_t* at = row + 8 * j;
#pragma GCC unroll 4
                for (int g = 0; g < kBlockGroups; ++g)
                    sums[g] = _mm512_dpwssd_epi32(
                        sums[g], _mm512_loadu_si512(at + 2 * kGroupLanes * g), weight);
            }
        }
#pragma GCC unroll 4
        for (int g = 0; g < kBlockGroups; ++g)
            if (k + g * kGroupLanes < lanes)
                FinishGroup(rule, sums[g], centre, k + g * kGroupLanes, lanes, out);
    }
}

} // namespace avx512

} // namespace vorlings::sharpen::simd

#pragma GCC diagnostic pop
