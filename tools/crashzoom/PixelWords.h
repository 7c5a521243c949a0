// SPDX-License-Identifier: Apache-2.0
// One pixel of an image as its four 16-bit channel words, with the image's kind fixed when the
// code is compiled: for workers that read pixels anywhere in the image rather than along rows.
// The words are exactly those of the image's own ReadPixel routine, without calling through it.
// The four channels are written out one by one rather than in a loop, so that once inlined they
// stay in registers.
#pragma once

#include "host/Image.h"

#include <cstdint>
#include <cstring>

namespace vorlings::crashzoom {

template <ImageKind Kind>
struct PixelWords;

template <>
struct PixelWords<ImageKind::Int16> {
    static void Read(const uint8_t* at, uint32_t (&words)[4]) {
        uint16_t v[4];
        std::memcpy(v, at, sizeof v);
        words[0] = v[0];
        words[1] = v[1];
        words[2] = v[2];
        words[3] = v[3];
    }
};

template <>
struct PixelWords<ImageKind::Int8> {
    static void Read(const uint8_t* at, uint32_t (&words)[4]) {
        words[0] = Word16From8(at[0]);
        words[1] = Word16From8(at[1]);
        words[2] = Word16From8(at[2]);
        words[3] = Word16From8(at[3]);
    }
};

template <>
struct PixelWords<ImageKind::Float> {
    static void Read(const uint8_t* at, uint32_t (&words)[4]) {
        float v[4];
        std::memcpy(v, at, sizeof v);
        words[0] = Word16FromFloat(v[0]);
        words[1] = Word16FromFloat(v[1]);
        words[2] = Word16FromFloat(v[2]);
        words[3] = Word16FromFloat(v[3]);
    }
};

} // namespace vorlings::crashzoom
