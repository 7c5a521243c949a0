// SPDX-License-Identifier: Apache-2.0
// One pixel carried from an image to another of the same kind exactly as the image's ReadPixel
// followed by WritePixel carries it, without calling through them: the kind is fixed when the
// code is compiled, so a row's loop holds no call per pixel. A 16-bit pixel is its 8 bytes. An
// 8-bit channel comes back as it went (v x 257 reduces to v again), so an 8-bit pixel is its 4
// bytes. A float channel passes through its 16-bit word and comes out on the 1/65535 grid.
#pragma once

#include "host/Image.h"

#include <cstdint>
#include <cstring>

namespace vorlings::dither {

template <ImageKind Kind>
struct StoredPixel;

/// The bytes of a 16-bit or 8-bit pixel as one word.
template <class Bits>
struct PixelBytes {
    Bits Value;

    static PixelBytes Load(const uint8_t* at) {
        PixelBytes p;
        std::memcpy(&p.Value, at, sizeof p.Value);
        return p;
    }
    void Store(uint8_t* at) const { std::memcpy(at, &Value, sizeof Value); }
};

template <>
struct StoredPixel<ImageKind::Int16> : PixelBytes<uint64_t> {};
template <>
struct StoredPixel<ImageKind::Int8> : PixelBytes<uint32_t> {};

template <>
struct StoredPixel<ImageKind::Float> {
    float Channel[4];

    static StoredPixel Load(const uint8_t* at) {
        StoredPixel p;
        std::memcpy(p.Channel, at, sizeof p.Channel);
        for (float& v : p.Channel) v = FloatFromWord16(Word16FromFloat(v));
        return p;
    }
    void Store(uint8_t* at) const { std::memcpy(at, Channel, sizeof Channel); }
};

} // namespace vorlings::dither
