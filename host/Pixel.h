// SPDX-License-Identifier: Apache-2.0
// The pixel record that the host's pixel routines fill and store.
#pragma once

#include <cstdint>

/// One pixel: four 32-bit words, each a 16-bit value 0..65535.
/// Word 0 blue, 1 green, 2 red, 3 alpha.
struct Pixel {
    uint32_t Word[4];
};

inline constexpr int PIX_Blue = 0;
inline constexpr int PIX_Green = 1;
inline constexpr int PIX_Red = 2;
inline constexpr int PIX_Alpha = 3;
