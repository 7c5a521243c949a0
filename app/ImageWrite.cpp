// SPDX-License-Identifier: Apache-2.0
// Writing host images to image files: what the input's file said (or what was asked for),
// complete or not at all.
#include "ImageChannels.h"
#include "QuietStderr.h"

#include "AbortSignal.h"
#include "AtomicFile.h"
#include "Errors.h"
#include "Messages.h"
#include "PendingFileProxy.h"
#include "Text.h"

#include <OpenImageIO/imageio.h>
#include <OpenImageIO/strutil.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <map>
#include <set>
#include <vector>

namespace fs = std::filesystem;
using OIIO::ImageInput;
using OIIO::ImageOutput;
using OIIO::ImageSpec;
using OIIO::TypeDesc;
using namespace imageio;

namespace {

// The image's samples for `channels` file channels, as T.
template <class T>
std::vector<T> Gather(const Image& image, int channels) {
    const size_t rowStride = size_t(image.Width) * size_t(channels);
    std::vector<T> samples(rowStride * size_t(image.Height));
    GatherRows(image, 0, image.Height, channels, samples.data(), rowStride);
    return samples;
}

// Writes the image's samples in the buffer kind the file's depth calls for.
bool WriteSamples(ImageOutput& out, const Image& image, int channels, ImageKind bufferKind) {
    switch (bufferKind) {
    case ImageKind::Int8:
        return out.write_image(TypeDesc::UINT8, Gather<uint8_t>(image, channels).data());
    case ImageKind::Int16:
        return out.write_image(TypeDesc::UINT16, Gather<uint16_t>(image, channels).data());
    case ImageKind::Float:
        return out.write_image(TypeDesc::FLOAT, Gather<float>(image, channels).data());
    }
    return false;
}

TypeDesc TypeOf(SampleDepth depth) {
    switch (depth) {
    case SampleDepth::Int8:
        return TypeDesc::UINT8;
    case SampleDepth::Int16:
        return TypeDesc::UINT16;
    case SampleDepth::Half:
        return TypeDesc::HALF;
    case SampleDepth::Float:
        return TypeDesc::FLOAT;
    }
    return TypeDesc::UINT16;
}

// The bits of precision samples of `type` hold on 0..1 (a half float's 11 significant bits),
// or `bitsPerSample` for 10- and 12-bit integers.
int BitsOf(TypeDesc type, int bitsPerSample = 0) {
    switch (type.basetype) {
    case TypeDesc::UINT8:
        return 8;
    case TypeDesc::UINT16:
        return bitsPerSample > 0 ? bitsPerSample : 16;
    case TypeDesc::HALF:
        return 11;
    case TypeDesc::FLOAT:
        return 24;
    case TypeDesc::DOUBLE:
        return 53;
    default:
        return int(type.size()) * 8;
    }
}

std::string DepthName(TypeDesc type, int bitsPerSample = 0) {
    switch (type.basetype) {
    case TypeDesc::HALF:
        return "half-float";
    case TypeDesc::FLOAT:
        return "float";
    default:
        return std::to_string(BitsOf(type, bitsPerSample)) + "-bit";
    }
}

std::string DepthFlag(SampleDepth depth) {
    return depth == SampleDepth::Int8 ? "8" : depth == SampleDepth::Int16 ? "16" : "float";
}

// Whether the writer of `format` stores samples of `type` as they are. Writers change a type
// they cannot store (PNG writes float as 8-bit, OpenEXR 16-bit integers as half), so this
// opens one on a one-pixel image in memory and looks; once per format and type. A writer that
// cannot write to memory is taken at its word.
bool Holds(const std::string& format, TypeDesc type) {
    static std::map<std::pair<std::string, int>, bool> known;
    const auto key = std::make_pair(format, int(type.basetype));
    if (const auto it = known.find(key); it != known.end()) return it->second;
    bool holds = true;
    if (std::unique_ptr<ImageOutput> out = ImageOutput::create(format);
        out && out->supports("ioproxy")) {
        std::vector<unsigned char> bytes;
        OIIO::Filesystem::IOVecOutput memory(bytes);
        QuietStderr quiet;
        out->set_ioproxy(&memory);
        holds = out->open("probe", ImageSpec(1, 1, 3, type)) && out->spec().format == type;
        out->close();
        (void)out->geterror();
    }
    return known[key] = holds;
}

// The types that keep every value of `type`, narrowest first (a half float tells 8-bit
// values apart; 16-bit integers need a float).
std::vector<TypeDesc> Keepers(TypeDesc type) {
    switch (type.basetype) {
    case TypeDesc::UINT8:
        return {TypeDesc::UINT8, TypeDesc::UINT16, TypeDesc::HALF, TypeDesc::FLOAT};
    case TypeDesc::UINT16:
        return {TypeDesc::UINT16, TypeDesc::FLOAT};
    case TypeDesc::HALF:
        return {TypeDesc::HALF, TypeDesc::FLOAT};
    default:
        return {TypeDesc::FLOAT};
    }
}

// The narrowest type the format holds that keeps the values of `wanted`, else the widest it
// holds.
TypeDesc ChooseType(const std::string& format, TypeDesc wanted) {
    for (const TypeDesc& type : Keepers(wanted))
        if (Holds(format, type)) return type;
    static const TypeDesc kWideToNarrow[] = {TypeDesc::FLOAT, TypeDesc::UINT16, TypeDesc::HALF,
                                             TypeDesc::UINT8};
    for (const TypeDesc& type : kWideToNarrow)
        if (Holds(format, type)) return type;
    return wanted;
}

ImageKind BufferKindOf(TypeDesc type) {
    switch (type.basetype) {
    case TypeDesc::UINT8:
        return ImageKind::Int8;
    case TypeDesc::UINT16:
        return ImageKind::Int16;
    default:
        return ImageKind::Float;
    }
}

// The input's channel names where the output has its channels (all, or all but a dropped
// alpha); otherwise the usual ones.
std::vector<std::string> ChannelNames(int channels, const FileLayout& layout) {
    const std::vector<std::string>& given = layout.ChannelNames;
    if (channels <= layout.Channels && given.size() == size_t(layout.Channels))
        return {given.begin(), given.begin() + channels};
    std::vector<std::string> names;
    if (channels <= 2)
        names = {"Y"};
    else
        names = {"R", "G", "B"};
    if (channels % 2 == 0) names.push_back("A");
    return names;
}

// Lower-case names of the formats OpenImageIO knows ("openexr", "tiff", ...).
const std::set<std::string>& FormatNames() {
    static const std::set<std::string> names = [] {
        std::string list;
        OIIO::getattribute("format_list", list);
        std::set<std::string> set;
        for (std::string name : OIIO::Strutil::splits(list, ",")) {
            for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
            set.insert(name);
        }
        return set;
    }();
    return names;
}

bool OneOf(std::string_view name, std::initializer_list<std::string_view> names) {
    for (const std::string_view n : names)
        if (EqualsIgnoreCase(name, n)) return true;
    return false;
}

// Whether an input attribute is written as it was. Left out are those the writer sets from
// the image and the choices made here, those that describe how the input file was encoded
// rather than what it shows, and those of another format ("tiff:RowsPerStrip" means nothing
// to OpenEXR).
bool KeepsAttribute(std::string_view name, const std::string& format, bool keepsCompression) {
    if (OneOf(name,
              {"compression", "CompressionQuality", "DateTime", "PixelAspectRatio",
               "oiio:BitsPerSample", "oiio:UnassociatedAlpha", "oiio:subimages", "tiff:Compression",
               "tiff:PhotometricInterpretation", "tiff:PlanarConfiguration", "tiff:Predictor",
               "dpx:ImageDescriptor", "openexr:chunkCount"}))
        return false;
    if (!keepsCompression &&
        OneOf(name, {"openexr:dwaCompressionLevel", "tiff:zipquality", "png:compressionLevel"}))
        return false;
    const size_t colon = name.find(':');
    if (colon == std::string_view::npos) return true;
    const std::string_view prefix = name.substr(0, colon);
    if (EqualsIgnoreCase(prefix, format)) return true;
    std::string lower(prefix);
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    return !FormatNames().contains(lower);
}

// What the file says besides its pixels: the input's metadata and date, its compression when
// the format is the same (unless another is asked for), its alpha association and the pixel
// aspect.
void DescribeOutput(ImageSpec& spec, const Image& image, const FileLayout& layout,
                    const std::string& format, const OutputChoice& choice) {
    const bool keepsCompression = choice.Compression.empty() && layout.Format == format;
    for (const OIIO::ParamValue& p : layout.Metadata)
        if (KeepsAttribute(p.name().string(), format, keepsCompression))
            spec.extra_attribs.push_back(p);
    // The input's date, or none: writers stamp the current time otherwise, and a repeat
    // render must write the same bytes.
    spec.attribute("DateTime", layout.Metadata.get_string("DateTime"));
    if (!choice.Compression.empty()) {
        spec.attribute("compression", choice.Compression);
    } else if (keepsCompression && !layout.Compression.empty()) {
        spec.attribute("compression", layout.Compression);
        if (layout.CompressionQuality >= 0)
            spec.attribute("CompressionQuality", layout.CompressionQuality);
    }
    // TIFF records which alpha it holds and converts nothing, so it says what the input
    // said. Every other writer is told the alpha is unassociated: PNG's and Targa's would
    // otherwise divide the colour by it, the rest ignore the flag.
    spec.attribute("oiio:UnassociatedAlpha", layout.AssociatedAlpha && format == "tiff" ? 0 : 1);
    if (image.PixelAspect != 1.0) spec.attribute("PixelAspectRatio", float(image.PixelAspect));
}

// One line when the file keeps fewer bits than the input had, or than --depth asked for.
void WarnOfPrecision(const std::string& path, const std::string& format, const FileLayout& layout,
                     const OutputChoice& choice, TypeDesc written, int writtenBitsPerSample) {
    const TypeDesc input = TypeOf(layout.Depth);
    const int inputBits = BitsOf(input, layout.BitsPerSample);
    const int bits = BitsOf(written, writtenBitsPerSample);
    const std::string inputName = DepthName(input, layout.BitsPerSample);
    if (choice.Depth && written == TypeOf(*choice.Depth)) {
        if (bits < inputBits)
            WarnOnce("precision", path + ": --depth " + DepthFlag(*choice.Depth) +
                                      " holds fewer bits than the input's " + inputName +
                                      " samples");
        return;
    }
    const std::string held = path + ": " + format + " files hold " +
                             DepthName(written, writtenBitsPerSample) + " samples at most";
    if (bits < inputBits)
        WarnOnce("precision", held + ", fewer bits than the input's " + inputName + " ones");
    else if (choice.Depth && bits < BitsOf(TypeOf(*choice.Depth)))
        WarnOnce("precision",
                 held + ", fewer than --depth " + DepthName(TypeOf(*choice.Depth)) + " asks");
}

// The compressions each writer knows by name. OpenImageIO writes its default for a name it
// does not know, so a misspelt one is refused here; formats not listed take any name.
const std::vector<std::string_view>* KnownCompressions(const std::string& format) {
    static const std::map<std::string, std::vector<std::string_view>, std::less<>> known = {
        {"openexr", {"none", "rle", "zips", "zip", "piz", "pxr24", "b44", "b44a", "dwaa", "dwab"}},
        {"tiff", {"none", "lzw", "zip", "packbits", "jpeg"}},
        {"png", {"default", "zip", "filtered", "huffman", "rle", "fixed"}},
        {"jpeg", {"jpeg"}},
        {"dpx", {"none"}},
        {"webp", {"webp"}},
    };
    const auto it = known.find(format);
    return it == known.end() ? nullptr : &it->second;
}

} // namespace

void WriteImageFile(const Image& image, const std::string& path, const FileLayout& layout,
                    const OutputChoice& choice) {
    std::unique_ptr<ImageOutput> out = ImageOutput::create(path);
    if (!out) throw UsageError(path + ": no image format is known for this file name");
    const std::string format = out->format_name();

    int channels = std::clamp(layout.Channels, 1, 4);
    // A grey input gives a grey output unless the tool put colour into it.
    if (channels <= 2 && !IsGrey(image)) channels += 2;
    const bool hasAlpha = channels == 2 || channels == 4;
    if (hasAlpha && !out->supports("alpha")) {
        WarnOnce("alpha", path + ": this format keeps no alpha; alpha left out");
        --channels;
    }

    const TypeDesc fileType = ChooseType(format, TypeOf(choice.Depth.value_or(layout.Depth)));

    ImageSpec spec(image.Width, image.Height, channels, fileType);
    spec.channelnames = ChannelNames(channels, layout);
    spec.alpha_channel = hasAlpha && channels % 2 == 0 ? channels - 1 : -1;
    DescribeOutput(spec, image, layout, format, choice);
    if (!choice.Depth && layout.BitsPerSample && fileType == TypeDesc::UINT16 &&
        (format == "dpx" || format == "tiff"))
        spec.attribute("oiio:BitsPerSample", layout.BitsPerSample);
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
    PendingFileProxy proxy(pending);
    // OpenImageIO's TIFF writer rereads its first directory to add Exif data and cannot do so
    // through a proxy (the file comes out without its size), so it writes the temporary file
    // by name, as do writers that take no proxy.
    const bool proxied = format != "tiff" && out->supports("ioproxy") && out->set_ioproxy(&proxy);
    bool written = false;
    int error = 0; // errno just after a call that failed, for a file written by name
    TypeDesc writtenType = fileType;
    int writtenBits = 0;
    {
        QuietStderr quiet;
        errno = 0;
        written = out->open(proxied ? path : pending.TempPath(), spec);
        if (written) {
            writtenType = out->spec().format;
            writtenBits = out->spec().get_int_attribute("oiio:BitsPerSample", 0);
            written = WriteSamples(*out, image, channels, BufferKindOf(fileType));
        }
        if (!written) error = errno;
        errno = 0;
        // The TIFF writer reports no failure from its close.
        written = out->close() && written;
        if (!error) error = errno;
    }
    // A failed write is the cause whatever the library made of it.
    pending.CheckWrites();
    std::string problem = written ? "" : OneLine(out->geterror());
    // A file written by name is read back whole: a write the library did not report shows
    // as a file that stops short.
    if (!proxied && problem.empty()) problem = ReadBackProblem(pending.TempPath());
    if (!problem.empty())
        throw FileError(path + ": cannot be written (" +
                        (!proxied && error ? std::string(std::strerror(error)) : problem) + ")");
    if (AbortRequested()) throw AbortedError();
    pending.Commit();
    WarnOfPrecision(path, format, layout, choice, writtenType, writtenBits);
}

void CheckOutputPath(const std::string& path, const OutputChoice& choice) {
    std::unique_ptr<ImageOutput> out = ImageOutput::create(path);
    if (!out) {
        OIIO::geterror(); // consumed: the message below says it better
        throw UsageError(path + ": no image format is known for this file name (use .png, .tif, "
                                ".exr, .dpx, .jpg, ...)");
    }
    if (!choice.Compression.empty()) {
        const std::string_view text = choice.Compression;
        const size_t colon = text.find(':');
        const std::string_view name = text.substr(0, colon);
        double quality = 0;
        if (colon != std::string_view::npos &&
            (!ParseNumber(text.substr(colon + 1), quality) || quality != std::floor(quality) ||
             quality < 0 || quality > 100))
            throw UsageError("--compression " + Quoted(text) +
                             ": the quality after ':' is a whole number from 0 to 100");
        const std::string format = out->format_name();
        if (const auto* names = KnownCompressions(format);
            names && std::none_of(names->begin(), names->end(),
                                  [&](std::string_view n) { return n == name; })) {
            std::vector<std::string> list(names->begin(), names->end());
            throw UsageError("--compression " + Quoted(text) + ": " + format + " files take " +
                             Join(list, ", "));
        }
    }
    const fs::path folder = fs::path(path).parent_path();
    std::error_code ec;
    if (!folder.empty() && !fs::is_directory(folder, ec))
        throw FileError(path + ": the folder " + Quoted(folder.string()) + " does not exist");
    if (fs::is_directory(path, ec))
        throw FileError(path + ": is a folder; an output must be a file name");
    // A folder that refuses files is found before anything is rendered.
    PendingFile probe(path);
}

std::optional<SampleDepth> ParseDepth(std::string_view text) {
    if (text == "8") return SampleDepth::Int8;
    if (text == "16") return SampleDepth::Int16;
    if (EqualsIgnoreCase(text, "float")) return SampleDepth::Float;
    return std::nullopt;
}
