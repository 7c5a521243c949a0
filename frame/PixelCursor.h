// SPDX-License-Identifier: Apache-2.0
// A cursor over one image: walks a row by adding the image's pixel step.
#pragma once

#include "host/Image.h"
#include "host/Pixel.h"

#include <cstddef>

namespace vorlings::frame {

/// Image, step, current address and the image's two pixel routines, in that order.
struct PixelCursor {
    Image* Img;
    int32_t Step;
    uint8_t* Address;
    PixelReader ReadPixel;
    PixelWriter WritePixel;

    /// A cursor at column 0 of row 0 of `image`.
    explicit PixelCursor(Image* image)
        : Img(image), Step(image->PixelBytes), Address(image->RowTable[0]),
          ReadPixel(image->ReadPixel), WritePixel(image->WritePixel) {}

    void SetPosition(int32_t x, int32_t y) {
        Address = Img->RowTable[y] + std::ptrdiff_t(Step) * x;
    }
    void Next() { Address += Step; }
    void Read(Pixel* p) const { ReadPixel(Img, Address, p); }
    void Write(const Pixel* p) const { WritePixel(Img, Address, p); }
};

} // namespace vorlings::frame
