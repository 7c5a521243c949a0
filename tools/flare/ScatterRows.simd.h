// SPDX-License-Identifier: Apache-2.0
// Vector forms of AddKernelRow (Scatter.cpp). Each plane element gets one product and one sum,
// exactly as in the plain loop: a multiply then an add (never a fused multiply-add, which
// would skip the product's rounding), several columns at a time. Only independent elements
// share a register, so no sum changes its order.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace vorlings::flare::simd {

__attribute__((target("avx2"))) inline void AddRowAvx2(float* plane, const float* kernel,
                                                       float light, int32_t count) {
    const __m256 scale = _mm256_set1_ps(light);
    int32_t k = 0;
    for (; k + 8 <= count; k += 8) {
        const __m256 product = _mm256_mul_ps(scale, _mm256_loadu_ps(kernel + k));
        _mm256_storeu_ps(plane + k, _mm256_add_ps(_mm256_loadu_ps(plane + k), product));
    }
    for (; k < count; ++k) plane[k] += light * kernel[k];
}

__attribute__((target("avx512f"))) inline void AddRowAvx512(float* plane, const float* kernel,
                                                            float light, int32_t count) {
    const __m512 scale = _mm512_set1_ps(light);
    int32_t k = 0;
    for (; k + 16 <= count; k += 16) {
        const __m512 product = _mm512_mul_ps(scale, _mm512_loadu_ps(kernel + k));
        _mm512_storeu_ps(plane + k, _mm512_add_ps(_mm512_loadu_ps(plane + k), product));
    }
    if (k < count) {
        const __mmask16 tail = __mmask16((1u << (count - k)) - 1u);
        const __m512 product = _mm512_mul_ps(scale, _mm512_maskz_loadu_ps(tail, kernel + k));
        _mm512_mask_storeu_ps(plane + k, tail,
                              _mm512_add_ps(_mm512_maskz_loadu_ps(tail, plane + k), product));
    }
}

} // namespace vorlings::flare::simd
