// SPDX-License-Identifier: Apache-2.0
#include "ArrayImage.h"

#include "ImageChannels.h"

#include <new>
#include <thread>
#include <vector>

namespace py = pybind11;
using imageio::GatherRows;
using imageio::SpreadRows;

namespace {

std::string ShapeText(const py::array& array) {
    std::string text = "(";
    for (py::ssize_t i = 0; i < array.ndim(); ++i)
        text += (i ? ", " : "") + std::to_string(array.shape(i));
    return text + (array.ndim() == 1 ? ",)" : ")");
}

// Runs `rows(first, count)` over the image's rows in two halves at once when the picture is
// big enough to gain from it: a conversion pass is bound by memory, and one core does not
// draw all the bandwidth there is.
template <class Rows>
void OverRows(int height, size_t rowBytes, Rows rows) {
    constexpr size_t kSplitBytes = size_t(4) << 20;
    if (height < 2 || size_t(height) * rowBytes < kSplitBytes ||
        std::thread::hardware_concurrency() < 2) {
        rows(0, height);
        return;
    }
    const int half = height / 2;
    std::thread lower([&] { rows(half, height - half); });
    rows(0, half);
    lower.join();
}

template <class T>
size_t Spread(const ArrayPicture& picture, Image& image) {
    const ArrayShape& shape = picture.Shape;
    const T* samples = static_cast<const T*>(picture.Array.data());
    const size_t rowStride = size_t(shape.Width) * size_t(shape.Channels);
    size_t clamped[2] = {0, 0};
    OverRows(shape.Height, rowStride * sizeof(T) + size_t(image.PixelBytes) * size_t(shape.Width),
             [&](int first, int count) {
                 clamped[first == 0 ? 0 : 1] =
                     SpreadRows(samples + size_t(first) * rowStride, rowStride, first, count,
                                shape.Channels, image);
             });
    return clamped[0] + clamped[1];
}

template <class T>
void Gather(const Image& image, const ArrayShape& shape, T* samples) {
    const size_t rowStride = size_t(shape.Width) * size_t(shape.Channels);
    OverRows(shape.Height, rowStride * sizeof(T) + size_t(image.PixelBytes) * size_t(shape.Width),
             [&](int first, int count) {
                 GatherRows(image, first, count, shape.Channels,
                            samples + size_t(first) * rowStride, rowStride);
             });
}

} // namespace

ArrayPicture TakeArray(py::handle value, const std::string& what) {
    if (!py::isinstance<py::array>(value))
        throw py::type_error(what + ": expected a numpy array, not " +
                             std::string(py::str(py::type::of(value).attr("__name__"))));
    ArrayPicture picture;
    ArrayShape& shape = picture.Shape;
    if (py::isinstance<py::array_t<uint8_t>>(value))
        shape.Kind = ImageKind::Int8;
    else if (py::isinstance<py::array_t<uint16_t>>(value))
        shape.Kind = ImageKind::Int16;
    else if (py::isinstance<py::array_t<float>>(value))
        shape.Kind = ImageKind::Float;
    else
        throw py::type_error(what + ": dtype " + std::string(py::str(value.attr("dtype"))) +
                             " is not uint8, uint16 or float32 (in this machine's byte order)");

    const py::array array = py::reinterpret_borrow<py::array>(value);
    const py::ssize_t ndim = array.ndim();
    const bool shaped = (ndim == 2 || ndim == 3) && array.shape(0) >= 1 && array.shape(1) >= 1 &&
                        (ndim == 2 || (array.shape(2) >= 1 && array.shape(2) <= 4));
    if (!shaped)
        throw py::value_error(what + ": shape " + ShapeText(array) +
                              " is not H x W or H x W x 1..4 channels");
    if (array.shape(0) > INT32_MAX || array.shape(1) > INT32_MAX / 16)
        throw py::value_error(what + ": shape " + ShapeText(array) + " is too large");
    shape.Height = int(array.shape(0));
    shape.Width = int(array.shape(1));
    shape.Flat = ndim == 2;
    shape.Channels = ndim == 2 ? 1 : int(array.shape(2));
    picture.Array = py::array::ensure(array, py::array::c_style);
    if (!picture.Array) throw py::error_already_set();
    return picture;
}

std::shared_ptr<Image> ImageFromArray(const ArrayPicture& picture, double pixelAspect,
                                      size_t& clamped) {
    const ArrayShape& shape = picture.Shape;
    std::shared_ptr<Image> image = Image::CreateUnfilled(shape.Kind, shape.Width, shape.Height);
    if (!image) throw std::bad_alloc();
    switch (shape.Kind) {
    case ImageKind::Int8:
        Spread<uint8_t>(picture, *image);
        break;
    case ImageKind::Int16:
        Spread<uint16_t>(picture, *image);
        break;
    case ImageKind::Float:
        clamped += Spread<float>(picture, *image);
        break;
    }
    image->XScale = 1.0;
    image->PixelAspect = pixelAspect;
    return image;
}

template <class T>
static py::array NewArrayOf(const Image& image, const ArrayShape& shape,
                            const std::vector<py::ssize_t>& dims) {
    py::array_t<T> array(dims);
    T* samples = array.mutable_data();
    {
        py::gil_scoped_release release;
        Gather(image, shape, samples);
    }
    return array;
}

py::array ArrayFromImage(const Image& image, const ArrayShape& shape) {
    std::vector<py::ssize_t> dims{shape.Height, shape.Width};
    if (!shape.Flat) dims.push_back(shape.Channels);
    switch (shape.Kind) {
    case ImageKind::Int8:
        return NewArrayOf<uint8_t>(image, shape, dims);
    case ImageKind::Int16:
        return NewArrayOf<uint16_t>(image, shape, dims);
    case ImageKind::Float:
        return NewArrayOf<float>(image, shape, dims);
    }
    return {};
}
