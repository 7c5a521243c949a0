// SPDX-License-Identifier: Apache-2.0
// ShadeSample with AVX2: eight samples (four pixels) to a register. Every step is the plain
// one's single-precision operation in the same order (IEEE add, multiply, divide and square
// root round alike in both units), every comparison and clamp is a blend on the plain code's
// own condition, and truncation is cvttps, so each lane gives the plain sample's bits. The
// two samples of a pixel are summed before they join the plane; the plane's ceiling is
// applied after, which gives the same word since every addition is non-negative.
#pragma once

#include "SpanShading.h"

#include <immintrin.h>

#include <cstdint>

#define VORLINGS_AVX2 __attribute__((target("avx2")))

namespace vorlings::flarespot::simd {

VORLINGS_AVX2 inline __m256 Select(__m256 condition, __m256 ifTrue, __m256 ifFalse) {
    return _mm256_blendv_ps(ifFalse, ifTrue, condition);
}

/// The pixels' light of eight lanes of one channel, added into the four pixels at `row`.
VORLINGS_AVX2 inline void AddPairs(__m256 light, __m256i passes, int32_t* row) {
    const __m256i lanes = _mm256_mullo_epi32(_mm256_cvttps_epi32(light), passes);
    // [l0+l1, l2+l3, 0, 0 | l4+l5, l6+l7, 0, 0] gathered into the low half.
    const __m256i pairs = _mm256_hadd_epi32(lanes, _mm256_setzero_si256());
    const __m128i pixels = _mm256_castsi256_si128(_mm256_permute4x64_epi64(pairs, 0x08));
    __m128i* at = reinterpret_cast<__m128i*>(row);
    const __m128i sum = _mm_add_epi32(_mm_loadu_si128(at), pixels);
    _mm_storeu_si128(at, _mm_min_epi32(sum, _mm_set1_epi32(kPlaneCeiling)));
}

/// Shades samples x, x + 1, ... of the span's row in groups of eight from an even x, while a
/// whole group fits up to `last`; returns the first sample left for ShadeSample.
VORLINGS_AVX2 inline int32_t ShadeSamples(const SpanShading& h, int32_t x, int32_t last) {
    const __m256 zero = _mm256_setzero_ps(), one = _mm256_set1_ps(1.0f);
    const __m256 two = _mm256_set1_ps(2.0f), three = _mm256_set1_ps(3.0f);
    const __m256 ten = _mm256_set1_ps(10.0f), thirty = _mm256_set1_ps(30.0f);
    const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7FFFFFFF));
    const __m256 steps = _mm256_setr_ps(0, 1, 2, 3, 4, 5, 6, 7);
    const __m256 centreX = _mm256_set1_ps(h.CentreX), ey = _mm256_set1_ps(h.Ey);
    const __m256 eySquared = _mm256_set1_ps(h.EySquared);
    const __m256 defocus = _mm256_set1_ps(h.Defocus), radius = _mm256_set1_ps(h.SourceRadius);
    const __m256 fade = _mm256_set1_ps(h.FadeWidth);
    const __m256 lightX = _mm256_set1_ps(h.LightX), lightY = _mm256_set1_ps(h.LightY);
    const __m256 red = _mm256_set1_ps(h.Red), green = _mm256_set1_ps(h.Green);
    const __m256 blue = _mm256_set1_ps(h.Blue), largest = _mm256_set1_ps(h.Largest);
    const __m256 qy = _mm256_set1_ps(h.Qy), e2x = _mm256_set1_ps(h.E2x);
    const __m256 e2y = _mm256_set1_ps(h.E2y), edgeX = _mm256_set1_ps(h.EdgeX);
    const __m256 edgeY = _mm256_set1_ps(h.EdgeY), edgeSquared = _mm256_set1_ps(h.EdgeSquared);
    const bool pointEdge = h.EdgeSquared < 1e-5;
    const __m256i passes = _mm256_set1_epi32(h.Passes);

    for (; x + 7 <= last; x += 8) {
        const __m256 qx = _mm256_add_ps(_mm256_set1_ps(float(x)), steps); // exact integers
        const __m256 ex = _mm256_sub_ps(qx, centreX);
        const __m256 r = _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(ex, ex), eySquared));
        __m256 u = _mm256_div_ps(_mm256_sub_ps(_mm256_mul_ps(r, defocus), radius), fade);

        const __m256 beyondCentre = _mm256_cmp_ps(r, zero, _CMP_GT_OQ);
        __m256 a = _mm256_add_ps(_mm256_mul_ps(_mm256_div_ps(ex, r), lightX),
                                 _mm256_mul_ps(_mm256_div_ps(ey, r), lightY));
        a = Select(_mm256_cmp_ps(a, zero, _CMP_LT_OQ), zero, a);
        __m256 s = _mm256_mul_ps(_mm256_mul_ps(two, a), a);
        s = Select(_mm256_cmp_ps(s, one, _CMP_GT_OQ), one, s);
        a = Select(beyondCentre, a, zero);
        s = Select(beyondCentre, s, one);
        const __m256 w = _mm256_sub_ps(one, s);

        if (h.Boost) {
            __m256 dx, dy;
            if (pointEdge) {
                dx = _mm256_sub_ps(qx, e2x);
                dy = _mm256_sub_ps(qy, e2y);
            } else {
                __m256 along =
                    _mm256_div_ps(_mm256_add_ps(_mm256_mul_ps(_mm256_sub_ps(qx, e2x), edgeX),
                                                _mm256_mul_ps(_mm256_sub_ps(qy, e2y), edgeY)),
                                  edgeSquared);
                along = Select(_mm256_cmp_ps(along, zero, _CMP_LT_OQ), zero,
                               Select(_mm256_cmp_ps(along, one, _CMP_GT_OQ), one, along));
                dx = _mm256_sub_ps(qx, _mm256_add_ps(e2x, _mm256_mul_ps(along, edgeX)));
                dy = _mm256_sub_ps(qy, _mm256_add_ps(e2y, _mm256_mul_ps(along, edgeY)));
            }
            const __m256 distance =
                _mm256_sqrt_ps(_mm256_add_ps(_mm256_mul_ps(dx, dx), _mm256_mul_ps(dy, dy)));
            __m256 beta = _mm256_div_ps(
                _mm256_sub_ps(ten, _mm256_and_ps(_mm256_sub_ps(distance, ten), absMask)), thirty);
            beta = Select(_mm256_cmp_ps(beta, zero, _CMP_LT_OQ), zero, beta);
            u = _mm256_sub_ps(u, _mm256_mul_ps(beta, a));
        }

        u = Select(_mm256_cmp_ps(u, zero, _CMP_GT_OQ),
                   Select(_mm256_cmp_ps(u, one, _CMP_LT_OQ), u, one), zero);
        const __m256 f = _mm256_sub_ps(
            one, _mm256_mul_ps(_mm256_mul_ps(u, u), _mm256_sub_ps(three, _mm256_mul_ps(two, u))));
        const __m256 white = _mm256_mul_ps(largest, s);
        const int32_t px = x / 2;
        AddPairs(_mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(red, w), white), f), passes,
                 h.RedRow + px);
        AddPairs(_mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(green, w), white), f), passes,
                 h.GreenRow + px);
        AddPairs(_mm256_mul_ps(_mm256_add_ps(_mm256_mul_ps(blue, w), white), f), passes,
                 h.BlueRow + px);
    }
    return x;
}

} // namespace vorlings::flarespot::simd
