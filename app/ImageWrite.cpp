// SPDX-License-Identifier: Apache-2.0
// Writing host images to image files: the input's channels and depth (or those asked for),
// complete or not at all.
#include "ImageChannels.h"
#include "QuietStderr.h"

#include "AbortSignal.h"
#include "AtomicFile.h"
#include "Errors.h"
#include "Messages.h"
#include "Text.h"

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;
using OIIO::ImageOutput;
using OIIO::ImageSpec;
using OIIO::TypeDesc;
using namespace imageio;

namespace {

bool IsGrey(const Image& image) {
    Pixel p;
    for (int32_t y = 0; y < image.Height; ++y)
        for (int32_t x = 0; x < image.Width; ++x) {
            image.ReadPixel(&image, image.PixelAddress(x, y), &p);
            if (p.Word[PIX_Red] != p.Word[PIX_Green] || p.Word[PIX_Green] != p.Word[PIX_Blue])
                return false;
        }
    return true;
}

// The image's samples for `channels` file channels, as T, converting through the 16-bit
// Pixel only when the kinds differ (so a same-kind write copies values exactly).
template <class T>
std::vector<T> Gather(const Image& image, int channels, ImageKind target) {
    std::vector<T> samples(size_t(image.Width) * size_t(image.Height) * size_t(channels));
    const bool sameKind = image.Kind == target;
    T* out = samples.data();
    Pixel p;
    for (int32_t y = 0; y < image.Height; ++y)
        for (int32_t x = 0; x < image.Width; ++x, out += channels) {
            T words[4];
            if (sameKind) {
                std::memcpy(words, image.PixelAddress(x, y), sizeof words);
            } else {
                image.ReadPixel(&image, image.PixelAddress(x, y), &p);
                for (int i = 0; i < 4; ++i) {
                    if constexpr (std::is_same_v<T, float>)
                        words[i] = FloatFromWord16(p.Word[i]);
                    else if constexpr (std::is_same_v<T, uint8_t>)
                        words[i] = Word8From16(p.Word[i]);
                    else
                        words[i] = T(p.Word[i]);
                }
            }
            if (channels <= 2) {
                out[0] = words[kWordOfGreen];
                if (channels == 2) out[1] = words[kWordOfAlpha];
            } else {
                out[0] = words[kWordOfRed];
                out[1] = words[kWordOfGreen];
                out[2] = words[kWordOfBlue];
                if (channels == 4) out[3] = words[kWordOfAlpha];
            }
        }
    return samples;
}

// Writes the image's samples in the buffer kind the file's depth calls for.
bool WriteSamples(ImageOutput& out, const Image& image, int channels, ImageKind bufferKind) {
    switch (bufferKind) {
    case ImageKind::Int8:
        return out.write_image(TypeDesc::UINT8,
                               Gather<uint8_t>(image, channels, bufferKind).data());
    case ImageKind::Int16:
        return out.write_image(TypeDesc::UINT16,
                               Gather<uint16_t>(image, channels, bufferKind).data());
    case ImageKind::Float:
        return out.write_image(TypeDesc::FLOAT, Gather<float>(image, channels, bufferKind).data());
    }
    return false;
}

std::string Extension(const std::string& path) {
    std::string ext = fs::path(path).extension().string();
    for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

} // namespace

void WriteImageFile(const Image& image, const std::string& path, const FileLayout& layout) {
    std::unique_ptr<ImageOutput> out = ImageOutput::create(path);
    if (!out) throw UsageError(path + ": no image format is known for this file name");

    int channels = std::clamp(layout.Channels, 1, 4);
    // A grey input gives a grey output unless the tool put colour into it.
    if (channels <= 2 && !IsGrey(image)) channels += 2;
    const bool hasAlpha = channels == 2 || channels == 4;
    if (hasAlpha && !out->supports("alpha")) {
        Warn(path + ": this format keeps no alpha; alpha left out");
        --channels;
    }

    TypeDesc fileType;
    ImageKind bufferKind = ImageKind::Int16;
    switch (layout.Depth) {
    case SampleDepth::Int8:
        fileType = TypeDesc::UINT8, bufferKind = ImageKind::Int8;
        break;
    case SampleDepth::Int16:
        fileType = TypeDesc::UINT16, bufferKind = ImageKind::Int16;
        break;
    case SampleDepth::Half:
        fileType = TypeDesc::HALF, bufferKind = ImageKind::Float;
        break;
    case SampleDepth::Float:
        fileType = TypeDesc::FLOAT, bufferKind = ImageKind::Float;
        break;
    }

    ImageSpec spec(image.Width, image.Height, channels, fileType);
    spec.channelnames.clear();
    if (channels <= 2) {
        spec.channelnames = {"Y"};
        if (channels == 2) spec.channelnames.push_back("A");
    } else {
        spec.channelnames = {"R", "G", "B"};
        if (channels == 4) spec.channelnames.push_back("A");
    }
    spec.alpha_channel = hasAlpha && channels % 2 == 0 ? channels - 1 : -1;
    // Alpha is written as it is: no un-premultiplication.
    spec.attribute("oiio:UnassociatedAlpha", 1);
    if (image.PixelAspect != 1.0) spec.attribute("PixelAspectRatio", float(image.PixelAspect));
    if (layout.BitsPerSample && layout.Depth == SampleDepth::Int16) {
        const std::string ext = Extension(path);
        if (ext == ".dpx" || ext == ".tif" || ext == ".tiff")
            spec.attribute("oiio:BitsPerSample", layout.BitsPerSample);
    }
    if (layout.FullWidth > 0 && layout.FullHeight > 0 && layout.Width == image.Width &&
        layout.Height == image.Height) {
        spec.x = layout.X;
        spec.y = layout.Y;
        spec.full_x = layout.FullX;
        spec.full_y = layout.FullY;
        spec.full_width = layout.FullWidth;
        spec.full_height = layout.FullHeight;
    }

    PendingFile pending(path);
    bool written = false;
    {
        QuietStderr quiet;
        written =
            out->open(pending.TempPath(), spec) && WriteSamples(*out, image, channels, bufferKind);
        written = out->close() && written;
    }
    if (!written) throw FileError(path + ": cannot be written (" + OneLine(out->geterror()) + ")");
    if (AbortRequested()) throw AbortedError();
    pending.Commit();
}

void CheckOutputPath(const std::string& path) {
    if (!ImageOutput::create(path)) {
        OIIO::geterror(); // consumed: the message below says it better
        throw UsageError(path + ": no image format is known for this file name (use .png, .tif, "
                                ".exr, .dpx, .jpg, ...)");
    }
    const fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec))
        throw FileError(path + ": the folder " + Quoted(folder.string()) + " does not exist");
}

std::optional<SampleDepth> ParseDepth(std::string_view text) {
    if (text == "8") return SampleDepth::Int8;
    if (text == "16") return SampleDepth::Int16;
    if (EqualsIgnoreCase(text, "float")) return SampleDepth::Float;
    return std::nullopt;
}
