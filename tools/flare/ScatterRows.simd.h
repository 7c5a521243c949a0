// SPDX-License-Identifier: Apache-2.0
// Vector forms of AddKernelRow (Scatter.cpp). Each plane value gets one product and one sum,
// exactly as in the plain loop: a multiply then an add (never a fused multiply-add, which
// would skip the product's rounding), several values at a time. Only independent values share
// a register, so no sum changes its order. The light's channels repeat every kPlaneStride
// values, which divides both register widths, so one register of them serves every step.
#pragma once

#include <immintrin.h>

#include <cstdint>

namespace vorlings::flare::simd {

/// values += light[i % 4] x cells, over `count` values (a multiple of 4).
__attribute__((target("avx2"))) inline void AddCellsAvx2(float* values, const float* cells,
                                                         const float (&light)[4], int32_t count) {
    const __m256 scale = _mm256_setr_ps(light[0], light[1], light[2], light[3], light[0], light[1],
                                        light[2], light[3]);
    int32_t k = 0;
    for (; k + 8 <= count; k += 8) {
        const __m256 product = _mm256_mul_ps(scale, _mm256_loadu_ps(cells + k));
        _mm256_storeu_ps(values + k, _mm256_add_ps(_mm256_loadu_ps(values + k), product));
    }
    for (; k < count; ++k) values[k] += light[k & 3] * cells[k];
}

__attribute__((target("avx512f"))) inline void
AddCellsAvx512(float* values, const float* cells, const float (&light)[4], int32_t count) {
    const __m512 scale = _mm512_setr_ps(light[0], light[1], light[2], light[3], light[0], light[1],
                                        light[2], light[3], light[0], light[1], light[2], light[3],
                                        light[0], light[1], light[2], light[3]);
    int32_t k = 0;
    for (; k + 16 <= count; k += 16) {
        const __m512 product = _mm512_mul_ps(scale, _mm512_loadu_ps(cells + k));
        _mm512_storeu_ps(values + k, _mm512_add_ps(_mm512_loadu_ps(values + k), product));
    }
    if (k < count) {
        const __mmask16 tail = __mmask16((1u << (count - k)) - 1u);
        const __m512 product = _mm512_mul_ps(scale, _mm512_maskz_loadu_ps(tail, cells + k));
        _mm512_mask_storeu_ps(values + k, tail,
                              _mm512_add_ps(_mm512_maskz_loadu_ps(tail, values + k), product));
    }
}

} // namespace vorlings::flare::simd
