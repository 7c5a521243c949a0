// SPDX-License-Identifier: Apache-2.0
// Image files in and out through OpenImageIO, with values passed through untouched: no
// colour-space conversion, no alpha (un)premultiplication, no dithering.
//
// Reading: a file's R, G, B, A go to Pixel words 2, 1, 0, 3. One channel is grey (R = G = B,
// alpha opaque), two are grey and alpha, three get an opaque alpha, more than four keep the
// first four (a warning names the dropped ones). 8-bit files make 8-bit images; 10-, 12- and
// 16-bit integer files 16-bit images; half and float files float images, where values
// outside 0..1 are clamped (one warning says how many).
//
// Writing: the output keeps what the main input's file said: its channels (an RGB file stays
// RGB, RGBA stays RGBA; a grey file stays grey unless the tool added colour) and their names,
// its precision where the output format can hold it (a one-line warning says when it cannot,
// or when --depth holds fewer bits), its alpha association, metadata and date, and its
// compression when the format is the same. Files are written under a temporary name, flushed
// and renamed only when every write succeeded; a repeat render writes the same bytes.
//
// Reading is strict: any reader error or sign of missing data (a cut-short strip, a DPX
// shorter than its header says, uncompressed data larger than the file) stops the frame.
#pragma once

#include "host/Image.h"

#include <OpenImageIO/paramlist.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// How a file stores its samples.
enum class SampleDepth { Int8, Int16, Half, Float };

/// What is kept of an input file so that the output can be written the same way.
struct FileLayout {
    int Channels = 4; ///< channels used: 1 grey, 2 grey and alpha, 3 RGB, 4 RGBA
    SampleDepth Depth = SampleDepth::Int16;
    int BitsPerSample = 0; ///< 10 or 12 for such integer files, else 0
    // Size, data and display windows, kept for formats that have them (OpenEXR); they are
    // written back only for an output of the same size.
    int Width = 0, Height = 0;
    int X = 0, Y = 0;
    int FullX = 0, FullY = 0, FullWidth = 0, FullHeight = 0;
    std::string Format; ///< OpenImageIO's name of the format ("tiff"); "" if none
    std::vector<std::string> ChannelNames; ///< names of the channels used
    bool AssociatedAlpha = false;          ///< colour premultiplied by alpha, as the file says
    std::string Compression;               ///< as the file names it ("piz", "none"); "" if none
    int CompressionQuality = -1;           ///< -1 when the file gives none
    OIIO::ParamValueList Metadata;         ///< the file's other attributes, date included
};

/// What the command line asks of an output beyond keeping the input's layout.
struct OutputChoice {
    std::optional<SampleDepth> Depth; ///< --depth
    std::string Compression;          ///< --compression NAME[:QUALITY]; "" keeps the input's
};

struct LoadedImage {
    std::shared_ptr<Image> Pixels;
    FileLayout Layout;
};

/// Reads `path` into an image of the matching kind. PixelAspect comes from the file's
/// "PixelAspectRatio" (1 when absent) unless `pixelAspect` overrides it. Throws a
/// CommandError (exit 1) naming the file when it is missing, unreadable or broken.
LoadedImage ReadImageFile(const std::string& path, std::optional<double> pixelAspect);

/// Writes `image` to `path` as `layout` and `choice` say, complete or not at all: when an
/// abort arrives before the file is renamed into place, nothing is left and an aborted
/// CommandError is thrown. A failed write throws a CommandError naming the file and the
/// system's reason, and leaves an existing file at `path` as it was.
void WriteImageFile(const Image& image, const std::string& path, const FileLayout& layout,
                    const OutputChoice& choice = {});

/// Throws a CommandError when no image format is known for the file name or the format takes
/// no compression of that name (exit 2), or its folder does not exist or refuses files
/// (exit 1), so that a command fails before it renders anything.
void CheckOutputPath(const std::string& path, const OutputChoice& choice = {});

/// "8", "16" or "float".
std::optional<SampleDepth> ParseDepth(std::string_view text);
