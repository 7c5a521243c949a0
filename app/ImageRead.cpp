// SPDX-License-Identifier: Apache-2.0
// Reading image files into host images: kinds, channels, clamping and pixel aspect as
// ImageIO.h describes.
#include "ImageChannels.h"
#include "QuietStderr.h"

#include "AtomicFile.h"
#include "Errors.h"
#include "Messages.h"
#include "Text.h"

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

using OIIO::ImageInput;
using OIIO::ImageSpec;
using OIIO::TypeDesc;
using namespace imageio;

namespace {

SampleDepth DepthOfFile(const TypeDesc& format) {
    switch (format.basetype) {
    case TypeDesc::UINT8:
    case TypeDesc::INT8:
        return SampleDepth::Int8;
    case TypeDesc::HALF:
        return SampleDepth::Half;
    case TypeDesc::FLOAT:
    case TypeDesc::DOUBLE:
        return SampleDepth::Float;
    default:
        return SampleDepth::Int16;
    }
}

// The type the samples of `depth` are read as: that of the image kind holding them.
TypeDesc ReadTypeOf(SampleDepth depth) {
    switch (KindFor(depth)) {
    case ImageKind::Int8:
        return TypeDesc::UINT8;
    case ImageKind::Int16:
        return TypeDesc::UINT16;
    case ImageKind::Float:
        return TypeDesc::FLOAT;
    }
    return TypeDesc::UINT16;
}

// Spreads the file's interleaved samples (`used` channels) over the image's words.
template <class T>
void Scatter(const std::vector<T>& samples, int used, Image& image) {
    for (int32_t y = 0; y < image.Height; ++y) {
        const T* in = samples.data() + size_t(y) * size_t(image.Width) * size_t(used);
        T* out = reinterpret_cast<T*>(image.RowTable[y]);
        for (int32_t x = 0; x < image.Width; ++x, in += used, out += 4) {
            if (used <= 2) {
                out[kWordOfRed] = out[kWordOfGreen] = out[kWordOfBlue] = in[0];
                out[kWordOfAlpha] = used == 2 ? in[1] : Opaque<T>();
            } else {
                out[kWordOfRed] = in[0];
                out[kWordOfGreen] = in[1];
                out[kWordOfBlue] = in[2];
                out[kWordOfAlpha] = used == 4 ? in[3] : Opaque<T>();
            }
        }
    }
}

// Clamps float samples to 0..1 (NaN to 0); returns how many were outside.
size_t ClampToUnit(std::vector<float>& samples) {
    size_t clamped = 0;
    for (float& v : samples) {
        if (v >= 0.0f && v <= 1.0f) continue;
        v = v > 1.0f ? 1.0f : 0.0f;
        ++clamped;
    }
    return clamped;
}

template <class T>
std::vector<T> ReadSamples(ImageInput& in, const std::string& path, int used, TypeDesc type) {
    const ImageSpec& spec = in.spec();
    std::vector<T> samples;
    try {
        samples.resize(size_t(spec.width) * size_t(spec.height) * size_t(used));
    } catch (const std::bad_alloc&) {
        throw FileError(path + ": not enough memory for a " + std::to_string(spec.width) + " x " +
                        std::to_string(spec.height) + " image");
    }
    bool read = false;
    {
        QuietStderr quiet;
        read = in.read_image(0, 0, 0, used, type, samples.data());
    }
    if (!read) throw FileError(path + ": cannot be read (" + OneLine(in.geterror()) + ")");
    return samples;
}

} // namespace

LoadedImage ReadImageFile(const std::string& path, std::optional<double> pixelAspect) {
    if (const std::string why = UnreadableReason(path); !why.empty())
        throw FileError(path + ": " + why);

    ImageSpec config;
    // Alpha stays as stored: no premultiplication on reading.
    config.attribute("oiio:UnassociatedAlpha", 1);
    std::unique_ptr<ImageInput> in;
    {
        QuietStderr quiet;
        in = ImageInput::open(path, &config);
    }
    if (!in) {
        const std::string why = OneLine(OIIO::geterror());
        throw FileError(path + ": not a readable image" + (why.empty() ? "" : " (" + why + ")"));
    }
    const ImageSpec& spec = in->spec();
    if (spec.deep) throw FileError(path + ": deep images are not supported");
    if (spec.depth > 1) throw FileError(path + ": volume images are not supported");
    if (spec.width <= 0 || spec.height <= 0 || spec.nchannels <= 0)
        throw FileError(path + ": the image is empty");

    const int used = std::min(spec.nchannels, 4);
    if (spec.nchannels > 4) {
        std::vector<std::string> dropped;
        for (int c = 4; c < spec.nchannels; ++c)
            dropped.push_back(c < int(spec.channelnames.size()) ? spec.channelnames[size_t(c)]
                                                                : "#" + std::to_string(c));
        Warn(path + ": only the first four channels are used; dropped " + Join(dropped, ", "));
    }

    LoadedImage loaded;
    FileLayout& layout = loaded.Layout;
    layout.Channels = used;
    layout.Depth = DepthOfFile(spec.format);
    const int bits = spec.get_int_attribute("oiio:BitsPerSample", 0);
    if (layout.Depth == SampleDepth::Int16 && (bits == 10 || bits == 12))
        layout.BitsPerSample = bits;
    layout.Width = spec.width;
    layout.Height = spec.height;
    layout.X = spec.x;
    layout.Y = spec.y;
    layout.FullX = spec.full_x;
    layout.FullY = spec.full_y;
    layout.FullWidth = spec.full_width;
    layout.FullHeight = spec.full_height;

    std::unique_ptr<Image> image = Image::Create(KindFor(layout.Depth), spec.width, spec.height);
    if (!image)
        throw FileError(path + ": not enough memory for a " + std::to_string(spec.width) + " x " +
                        std::to_string(spec.height) + " image");

    const TypeDesc type = ReadTypeOf(layout.Depth);
    switch (image->Kind) {
    case ImageKind::Int8:
        Scatter(ReadSamples<uint8_t>(*in, path, used, type), used, *image);
        break;
    case ImageKind::Int16:
        Scatter(ReadSamples<uint16_t>(*in, path, used, type), used, *image);
        break;
    case ImageKind::Float: {
        std::vector<float> samples = ReadSamples<float>(*in, path, used, type);
        if (const size_t clamped = ClampToUnit(samples))
            Warn(path + ": " + std::to_string(clamped) + " values outside 0..1 were clamped");
        Scatter(samples, used, *image);
        break;
    }
    }

    double aspect = spec.get_float_attribute("PixelAspectRatio", 1.0f);
    if (!(aspect > 0.0) || !std::isfinite(aspect)) aspect = 1.0;
    image->XScale = 1.0;
    image->PixelAspect = pixelAspect.value_or(aspect);
    loaded.Pixels = std::move(image);
    return loaded;
}
