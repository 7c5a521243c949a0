// SPDX-License-Identifier: Apache-2.0
// Numpy arrays and host images. An array holds a picture as imageio, OpenImageIO and OpenCV
// (in RGB order) hold one: H x W (grey) or H x W x 1..4, row-major, channels R, G, B, A, as
// uint8, uint16 or float32. The channel rules, image kinds and float clamping are those of
// image files (ImageChannels.h), so an array and a file of the same pixels give the tool the
// same words. Each way is one pass over the pixels.
#pragma once

#include "host/Image.h"

#include <pybind11/numpy.h>

#include <cstddef>
#include <memory>
#include <string>

/// How an array holds a picture.
struct ArrayShape {
    int Height = 0;
    int Width = 0;
    int Channels = 4;  ///< 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
    bool Flat = false; ///< H x W, with no channel axis
    ImageKind Kind = ImageKind::Int16;
};

/// An array checked and made row-major, ready to be spread over an image.
struct ArrayPicture {
    pybind11::array Array; ///< C-contiguous: a copy when the given one was not
    ArrayShape Shape;
};

/// Checks `value` (`what` names it in messages): a numpy array of uint8, uint16 or float32
/// (TypeError otherwise), shaped H x W or H x W x 1..4 with H and W at least 1 (ValueError
/// otherwise). Needs the GIL.
ArrayPicture TakeArray(pybind11::handle value, const std::string& what);

/// A host image of the array's kind holding its pixels; float samples outside 0..1 are
/// clamped and counted in `clamped`. Needs no GIL while `picture` is kept alive.
std::shared_ptr<Image> ImageFromArray(const ArrayPicture& picture, double pixelAspect,
                                      size_t& clamped);

/// A new array of `shape` holding the image's pixels, converted to the array's type when the
/// image is of another kind. The copy runs with the GIL released.
pybind11::array ArrayFromImage(const Image& image, const ArrayShape& shape);
