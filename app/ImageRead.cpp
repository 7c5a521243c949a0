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
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>
#include <span>
#include <system_error>
#include <type_traits>
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

// The type samples are read as for an image of `kind`.
TypeDesc ReadTypeOf(ImageKind kind) {
    switch (kind) {
    case ImageKind::Int8:
        return TypeDesc::UINT8;
    case ImageKind::Int16:
        return TypeDesc::UINT16;
    case ImageKind::Float:
        return TypeDesc::FLOAT;
    }
    return TypeDesc::UINT16;
}

std::string WholeNumber(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f", std::ceil(value));
    return text;
}

// A DPX header records the size of the whole file; 0 when it does not (or is no DPX).
uint64_t DpxDeclaredSize(const std::string& path) {
    unsigned char header[20] = {};
    std::ifstream file(path, std::ios::binary);
    if (!file.read(reinterpret_cast<char*>(header), sizeof header)) return 0;
    const bool big = std::memcmp(header, "SDPX", 4) == 0;
    if (!big && std::memcmp(header, "XPDS", 4) != 0) return 0;
    const unsigned char* s = header + 16;
    const uint32_t size =
        big ? uint32_t(s[0]) << 24 | uint32_t(s[1]) << 16 | uint32_t(s[2]) << 8 | s[3]
            : uint32_t(s[3]) << 24 | uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
    return size == 0xFFFFFFFFu ? 0 : size;
}

// Refuses a file that cannot hold the data its header declares, before memory is set aside
// for it: uncompressed samples need at least width x height x channels x bits / 8 bytes, and
// a DPX file must be as long as its header says. (Compressed data is checked as it is read.)
void CheckDeclaredSize(const std::string& path, const ImageInput& in) {
    std::error_code ec;
    const uint64_t fileSize = std::filesystem::file_size(path, ec);
    if (ec) return;
    const ImageSpec& spec = in.spec();
    const std::string format = in.format_name();
    if (format == "dpx") {
        if (const uint64_t declared = DpxDeclaredSize(path); declared > fileSize)
            throw FileError(path + ": the file is cut short (" + std::to_string(fileSize) +
                            " of the " + std::to_string(declared) + " bytes its header gives)");
    }
    if (EqualsIgnoreCase(spec.get_string_attribute("compression"), "none")) {
        const int bits = spec.get_int_attribute("oiio:BitsPerSample", 0);
        const double pixelBits =
            bits > 0 ? double(bits) * spec.nchannels : double(spec.pixel_bytes(true)) * 8.0;
        const double needed = double(spec.width) * double(spec.height) * pixelBits / 8.0;
        if (needed > double(fileSize))
            throw FileError(path + ": the file is cut short (its " + std::to_string(spec.width) +
                            " x " + std::to_string(spec.height) + " uncompressed image needs " +
                            WholeNumber(needed) + " bytes; the file has " +
                            std::to_string(fileSize) + ")");
    }
}

// Rows are read in bands, each whole strips, chunks or tiles of the file (256 rows is a whole
// number of every OpenEXR chunk height), so that a missing strip stops the read where it is
// and the first band is read before the image is allocated.
int BandRows(const ImageSpec& spec) {
    int unit =
        spec.tile_height > 0 ? spec.tile_height : spec.get_int_attribute("tiff:RowsPerStrip", 1);
    unit = std::clamp(unit, 1, spec.height);
    const int rows = (std::max(256, unit) + unit - 1) / unit * unit;
    return std::min(rows, spec.height);
}

CommandError NoMemoryFor(const std::string& path, const ImageSpec& spec) {
    return FileError(path + ": not enough memory for a " + std::to_string(spec.width) + " x " +
                     std::to_string(spec.height) + " image");
}

template <class T>
class BandReader {
public:
    BandReader(ImageInput& in, int used, TypeDesc type)
        : in_(in), used_(used), type_(type), rows_(BandRows(in.spec())),
          size_(size_t(in.spec().width) * size_t(rows_) * size_t(used)),
          // Left uninitialised: a band claimed by a broken header is never touched.
          band_(new T[size_]) {}

    int Rows() const { return rows_; }

    /// Reads the rows from `first` on (a band, fewer at the bottom) into Band(); returns the
    /// reader's complaint, or "" when every row was read.
    std::string Read(int first, int count) {
        const ImageSpec& spec = in_.spec();
        const int y = spec.y + first;
        bool read = false;
        {
            QuietStderr quiet;
            read =
                spec.tile_width > 0
                    ? in_.read_tiles(0, 0, spec.x, spec.x + spec.width, y, y + count, spec.z,
                                     spec.z + 1, 0, used_, type_, band_.get())
                    : in_.read_scanlines(0, 0, y, y + count, spec.z, 0, used_, type_, band_.get());
        }
        // A reader may carry on past missing data with only a complaint (libjpeg's
        // "premature end", libtiff's short strip): that stops the frame too.
        if (read && !in_.has_error()) return "";
        const std::string why = OneLine(in_.geterror());
        return why.empty() ? "the pixel data is missing or damaged" : why;
    }

    std::span<T> Band() { return {band_.get(), size_}; }

private:
    ImageInput& in_;
    int used_;
    TypeDesc type_;
    int rows_;
    size_t size_;
    std::unique_ptr<T[]> band_;
};

// Reads every band and spreads it over the image, which is allocated once the first band
// has been read. Float samples are clamped to 0..1; the count is added to `clamped`.
template <class T>
std::unique_ptr<Image> ReadImage(ImageInput& in, const std::string& path, int used, ImageKind kind,
                                 size_t& clamped) {
    const ImageSpec& spec = in.spec();
    BandReader<T> reader(in, used, ReadTypeOf(kind));
    std::unique_ptr<Image> image;
    for (int first = 0; first < spec.height; first += reader.Rows()) {
        const int count = std::min(reader.Rows(), spec.height - first);
        if (const std::string why = reader.Read(first, count); !why.empty())
            throw FileError(path + ": cannot be read at row " + std::to_string(first) + " (" + why +
                            ")");
        if (!image && !(image = Image::CreateUnfilled(kind, spec.width, spec.height)))
            throw NoMemoryFor(path, spec);
        const std::span<T> rows =
            reader.Band().first(size_t(count) * size_t(spec.width) * size_t(used));
        clamped +=
            SpreadRows(rows.data(), size_t(spec.width) * size_t(used), first, count, used, *image);
    }
    return image;
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
    layout.Format = in->format_name();
    for (int c = 0; c < used && c < int(spec.channelnames.size()); ++c)
        layout.ChannelNames.push_back(spec.channelnames[size_t(c)]);
    // With the hint given, a reader that knows the alpha is unassociated says so; other
    // files (OpenEXR, TIFF with associated alpha) hold colour premultiplied by alpha.
    layout.AssociatedAlpha = !spec.get_int_attribute("oiio:UnassociatedAlpha", 0);
    layout.Compression = spec.get_string_attribute("compression");
    layout.CompressionQuality = spec.get_int_attribute("CompressionQuality", -1);
    layout.Metadata = spec.extra_attribs;

    CheckDeclaredSize(path, *in);
    // Complaints while the header was read that did not stop it (an unknown tag) are no
    // missing data; those while the pixels are read are.
    (void)in->geterror();

    const ImageKind kind = KindFor(layout.Depth);
    size_t clamped = 0;
    std::unique_ptr<Image> image;
    try {
        switch (kind) {
        case ImageKind::Int8:
            image = ReadImage<uint8_t>(*in, path, used, kind, clamped);
            break;
        case ImageKind::Int16:
            image = ReadImage<uint16_t>(*in, path, used, kind, clamped);
            break;
        case ImageKind::Float:
            image = ReadImage<float>(*in, path, used, kind, clamped);
            break;
        }
    } catch (const std::bad_alloc&) {
        throw NoMemoryFor(path, spec);
    }
    if (clamped) Warn(path + ": " + std::to_string(clamped) + " values outside 0..1 were clamped");

    double aspect = spec.get_float_attribute("PixelAspectRatio", 1.0f);
    if (!(aspect > 0.0) || !std::isfinite(aspect)) aspect = 1.0;
    image->XScale = 1.0;
    image->PixelAspect = pixelAspect.value_or(aspect);
    loaded.Pixels = std::move(image);
    return loaded;
}

std::string imageio::ReadBackProblem(const std::string& path) {
    std::unique_ptr<ImageInput> in;
    {
        QuietStderr quiet;
        in = ImageInput::open(path);
    }
    if (!in) {
        const std::string why = OneLine(OIIO::geterror());
        return why.empty() ? "not a readable image" : why;
    }
    (void)in->geterror();
    const ImageSpec& spec = in->spec();
    BandReader<uint8_t> reader(*in, std::min(spec.nchannels, 4), TypeDesc::UINT8);
    for (int first = 0; first < spec.height; first += reader.Rows())
        if (const std::string why =
                reader.Read(first, std::min(reader.Rows(), spec.height - first));
            !why.empty())
            return "row " + std::to_string(first) + ": " + why;
    return "";
}
