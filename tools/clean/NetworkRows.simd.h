// SPDX-License-Identifier: Apache-2.0
// The small-window median on the vector unit: sixteen channel words at once on AVX2, 32 on
// AVX-512, each lane one word of a pixel, so that the same network serves all four channels. A
// window's values for lane i of a row are the words at i + 4 dx of its rows, dx across the window:
// the loads are plain unaligned loads at fixed offsets, and the result lane is the lane's own.
#pragma once

#include "SelectionNetwork.h"

#include <immintrin.h>

#include <algorithm>
#include <cstdint>
#include <utility>

namespace vorlings::clean::simd {

namespace avx2 {

#define VORLINGS_CLEAN_TARGET __attribute__((target("avx2")))
#define VORLINGS_CLEAN_TARGET_INLINE __attribute__((target("avx2"), always_inline))

using Vector = __m256i;
/// Words a register holds.
inline constexpr int32_t kLanes = 16;

VORLINGS_CLEAN_TARGET_INLINE inline Vector Load(const uint16_t* at) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
}
VORLINGS_CLEAN_TARGET_INLINE inline void Store(uint16_t* at, Vector v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(at), v);
}
VORLINGS_CLEAN_TARGET_INLINE inline Vector Min(Vector a, Vector b) {
    return _mm256_min_epu16(a, b);
}
VORLINGS_CLEAN_TARGET_INLINE inline Vector Max(Vector a, Vector b) {
    return _mm256_max_epu16(a, b);
}
VORLINGS_CLEAN_TARGET_INLINE inline Vector And(Vector a, Vector b) {
    return _mm256_and_si256(a, b);
}
/// Every word 0xFFFC: a median's word with its two lowest bits cleared.
VORLINGS_CLEAN_TARGET_INLINE inline Vector Keep() {
    return _mm256_set1_epi16(int16_t(0xFFFC));
}

#include "NetworkKernels.inc"

#undef VORLINGS_CLEAN_TARGET
#undef VORLINGS_CLEAN_TARGET_INLINE

} // namespace avx2

namespace avx512 {

#define VORLINGS_CLEAN_TARGET __attribute__((target("avx512f,avx512bw")))
#define VORLINGS_CLEAN_TARGET_INLINE __attribute__((target("avx512f,avx512bw"), always_inline))

using Vector = __m512i;
/// Words a register holds.
inline constexpr int32_t kLanes = 32;

VORLINGS_CLEAN_TARGET_INLINE inline Vector Load(const uint16_t* at) {
    return _mm512_loadu_si512(at);
}
VORLINGS_CLEAN_TARGET_INLINE inline void Store(uint16_t* at, Vector v) {
    _mm512_storeu_si512(at, v);
}
VORLINGS_CLEAN_TARGET_INLINE inline Vector Min(Vector a, Vector b) {
    return _mm512_min_epu16(a, b);
}
VORLINGS_CLEAN_TARGET_INLINE inline Vector Max(Vector a, Vector b) {
    return _mm512_max_epu16(a, b);
}
VORLINGS_CLEAN_TARGET_INLINE inline Vector And(Vector a, Vector b) {
    return _mm512_and_si512(a, b);
}
/// Every word 0xFFFC: a median's word with its two lowest bits cleared.
VORLINGS_CLEAN_TARGET_INLINE inline Vector Keep() {
    return _mm512_set1_epi16(int16_t(0xFFFC));
}

#include "NetworkKernels.inc"

#undef VORLINGS_CLEAN_TARGET
#undef VORLINGS_CLEAN_TARGET_INLINE

} // namespace avx512

} // namespace vorlings::clean::simd
