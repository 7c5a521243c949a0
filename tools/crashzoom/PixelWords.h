// SPDX-License-Identifier: Apache-2.0
// One pixel of an image as its four 16-bit channel words, with the image's kind fixed when the
// code is compiled: for workers that read pixels anywhere in the image rather than along rows.
// The words are exactly those of the image's own ReadPixel routine, without calling through it.
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
        for (int c = 0; c < 4; ++c) words[c] = v[c];
    }
};

template <>
struct PixelWords<ImageKind::Int8> {
    static void Read(const uint8_t* at, uint32_t (&words)[4]) {
        for (int c = 0; c < 4; ++c) words[c] = Word16From8(at[c]);
    }
};

template <>
struct PixelWords<ImageKind::Float> {
    static void Read(const uint8_t* at, uint32_t (&words)[4]) {
        float v[4];
        std::memcpy(v, at, sizeof v);
        for (int c = 0; c < 4; ++c) words[c] = Word16FromFloat(v[c]);
    }
};

/// Calls `work.template operator()<Kind>()` with the image's kind as a compile-time value:
/// the kind is looked at once, not per pixel.
template <class Work>
void WithPixelKind(ImageKind kind, Work&& work) {
    switch (kind) {
    case ImageKind::Int16:
        work.template operator()<ImageKind::Int16>();
        break;
    case ImageKind::Int8:
        work.template operator()<ImageKind::Int8>();
        break;
    case ImageKind::Float:
        work.template operator()<ImageKind::Float>();
        break;
    }
}

} // namespace vorlings::crashzoom
