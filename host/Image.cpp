// SPDX-License-Identifier: Apache-2.0
#include "Image.h"

#include "TagList.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

void Read16(const Image*, const uint8_t* address, Pixel* pixel) {
    ReadPixel16(address, pixel);
}
void Write16(const Image*, uint8_t* address, const Pixel* pixel) {
    WritePixel16(address, pixel);
}

void Read8(const Image*, const uint8_t* address, Pixel* pixel) {
    for (int i = 0; i < 4; ++i) pixel->Word[i] = Word16From8(address[i]);
}
void Write8(const Image*, uint8_t* address, const Pixel* pixel) {
    for (int i = 0; i < 4; ++i) address[i] = Word8From16(pixel->Word[i]);
}

void ReadFloat(const Image*, const uint8_t* address, Pixel* pixel) {
    float v[4];
    std::memcpy(v, address, sizeof v);
    for (int i = 0; i < 4; ++i) pixel->Word[i] = Word16FromFloat(v[i]);
}
void WriteFloat(const Image*, uint8_t* address, const Pixel* pixel) {
    float v[4];
    for (int i = 0; i < 4; ++i) v[i] = FloatFromWord16(pixel->Word[i]);
    std::memcpy(address, v, sizeof v);
}

} // namespace

void Image::FreeDeleter::operator()(void* p) const {
    std::free(p);
}

Image::Image(ImageKind kind, int32_t width, int32_t height)
    : Kind(kind), Width(width), Height(height), RowTable(nullptr), PixelBytes(PixelBytesOf(kind)) {
    switch (kind) {
    case ImageKind::Int16:
        ReadPixel = Read16;
        WritePixel = Write16;
        break;
    case ImageKind::Int8:
        ReadPixel = Read8;
        WritePixel = Write8;
        break;
    case ImageKind::Float:
        ReadPixel = ReadFloat;
        WritePixel = WriteFloat;
        break;
    }
}

Image::~Image() = default;

std::unique_ptr<Image> Image::Create(ImageKind kind, int32_t width, int32_t height) {
    return Make(kind, width, height, true);
}

std::unique_ptr<Image> Image::CreateUnfilled(ImageKind kind, int32_t width, int32_t height) {
    return Make(kind, width, height, false);
}

std::unique_ptr<Image> Image::Make(ImageKind kind, int32_t width, int32_t height, bool zero) {
    if (width <= 0 || height <= 0) return nullptr;
    std::unique_ptr<Image> image(new (std::nothrow) Image(kind, width, height));
    if (!image) return nullptr;
    const size_t rowBytes = size_t(width) * size_t(PixelBytesOf(kind));
    if (rowBytes > SIZE_MAX / size_t(height)) return nullptr;
    image->storage_.reset(static_cast<uint8_t*>(zero ? std::calloc(size_t(height), rowBytes)
                                                     : std::malloc(size_t(height) * rowBytes)));
    if (!image->storage_) return nullptr;
    try {
        image->rows_.resize(size_t(height));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    for (int32_t y = 0; y < height; ++y)
        image->rows_[size_t(y)] = image->storage_.get() + y * rowBytes;
    image->RowTable = image->rows_.data();
    return image;
}

uint32_t Image::DataType() const {
    return TYPE_Image;
}

void Image::ImageCopy(Image* target) const {
    if (!target || target == this) return;
    const int32_t w = std::min(Width, target->Width);
    const int32_t h = std::min(Height, target->Height);
    for (int32_t y = 0; y < h; ++y) {
        if (target->Kind == Kind) {
            std::memcpy(target->RowTable[y], RowTable[y], size_t(w) * size_t(PixelBytes));
            continue;
        }
        Pixel p;
        for (int32_t x = 0; x < w; ++x) {
            ReadPixel(this, PixelAddress(x, y), &p);
            target->WritePixel(target, target->PixelAddress(x, y), &p);
        }
    }
}

void Image::Fill(long blue, long green, long red, long alpha) {
    const long values[4] = {blue, green, red, alpha};
    Pixel p;
    for (int i = 0; i < 4; ++i) p.Word[i] = uint32_t(std::clamp(values[i], 0L, 65535L));
    for (int32_t y = 0; y < Height; ++y)
        for (int32_t x = 0; x < Width; ++x) WritePixel(this, PixelAddress(x, y), &p);
}

void Image::Recycle() {
    delete this;
}

Image* NewImage(uint32_t tag, const Image* templ, uint32_t /*end*/) {
    if (tag != IMG_Template || !templ) return nullptr;
    std::unique_ptr<Image> image = Image::Create(templ->Kind, templ->Width, templ->Height);
    if (!image) return nullptr;
    image->XScale = templ->XScale;
    image->PixelAspect = templ->PixelAspect;
    return image.release();
}
