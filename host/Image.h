// SPDX-License-Identifier: Apache-2.0
// Images as the host hands them to tools: geometry, a row table and two pixel routines.
#pragma once

#include "Parameter.h"
#include "Pixel.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

class Image;

/// The host's pixel routines: (image, pixel address, record).
using PixelReader = void (*)(const Image*, const uint8_t*, Pixel*);
using PixelWriter = void (*)(const Image*, uint8_t*, const Pixel*);

/// How an image stores its four channels (in Pixel word order: B, G, R, A).
enum class ImageKind : uint8_t { Int16, Int8, Float };

/// Bytes of one pixel of `kind`.
constexpr int PixelBytesOf(ImageKind kind) {
    return kind == ImageKind::Int16 ? 8 : kind == ImageKind::Int8 ? 4 : 16;
}

// Conversions between the stored channel and the 16-bit word of a Pixel.
inline uint32_t Word16From8(uint8_t v) {
    return uint32_t(v) * 257u;
}
inline uint8_t Word8From16(uint32_t v) {
    return uint8_t((v * 255u + 32767u) / 65535u);
}
inline uint32_t Word16FromFloat(float v) {
    // NaN and values outside 0..1 clamp; the rest round to nearest.
    if (!(v > 0.0f)) return 0;
    if (v >= 1.0f) return 65535;
    return uint32_t(double(v) * 65535.0 + 0.5);
}
inline float FloatFromWord16(uint32_t v) {
    return float(double(v) / 65535.0);
}

/// Reads a 16-bit pixel; exposed so that hot loops can inline it for 16-bit images.
inline void ReadPixel16(const uint8_t* address, Pixel* pixel) {
    uint16_t v[4];
    std::memcpy(v, address, sizeof v);
    for (int i = 0; i < 4; ++i) pixel->Word[i] = v[i];
}
inline void WritePixel16(uint8_t* address, const Pixel* pixel) {
    uint16_t v[4];
    for (int i = 0; i < 4; ++i) v[i] = uint16_t(pixel->Word[i]);
    std::memcpy(address, v, sizeof v);
}

/// An image of one of three kinds. Made by the host (Create, NewImage); a tool that made
/// one either hands it to the request (SetOutputData) or releases it (Recycle).
class Image final : public Parameter {
public:
    /// A zero-filled (transparent black) image; null when memory is short or the size is
    /// not positive.
    static std::unique_ptr<Image> Create(ImageKind kind, int32_t width, int32_t height);
    /// The same with its pixels left unset, for a host that writes every one of them at once
    /// (from a file or an array), so that the memory is not written twice.
    static std::unique_ptr<Image> CreateUnfilled(ImageKind kind, int32_t width, int32_t height);

    ~Image() override;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    uint32_t DataType() const override;

    /// Copies this image's pixels into `target` (same size; kinds may differ).
    void ImageCopy(Image* target) const;
    /// Sets every pixel to the four 16-bit values, in Pixel word order.
    void Fill(long blue, long green, long red, long alpha);
    /// Releases an image the tool made and does not hand over.
    void Recycle();

    /// Address of pixel (x, y).
    uint8_t* PixelAddress(int32_t x, int32_t y) const {
        return RowTable[y] + std::ptrdiff_t(PixelBytes) * x;
    }

    ImageKind Kind;
    int32_t Width;
    int32_t Height;
    double XScale = 1.0;
    double PixelAspect = 1.0;
    uint8_t** RowTable;
    int32_t PixelBytes;
    PixelReader ReadPixel;
    PixelWriter WritePixel;

private:
    Image(ImageKind kind, int32_t width, int32_t height);
    static std::unique_ptr<Image> Make(ImageKind kind, int32_t width, int32_t height, bool zero);

    struct FreeDeleter {
        void operator()(void* p) const;
    };
    std::unique_ptr<uint8_t, FreeDeleter> storage_;
    std::vector<uint8_t*> rows_;
};

/// An image of the template's size, kind and geometry, zero-filled: the host's
/// NewImage(IMG_Template, template, 0). Null when memory is short.
Image* NewImage(uint32_t tag, const Image* templ, uint32_t end);
