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
// Writing: the output keeps the main input's channels (an RGB file stays RGB, RGBA stays
// RGBA; a grey file stays grey unless the tool added colour) and its bit depth unless the
// caller asks for another. Files are written under a temporary name and renamed when complete.
#pragma once

#include "host/Image.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>

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
};

struct LoadedImage {
    std::shared_ptr<Image> Pixels;
    FileLayout Layout;
};

/// Reads `path` into an image of the matching kind. PixelAspect comes from the file's
/// "PixelAspectRatio" (1 when absent) unless `pixelAspect` overrides it. Throws a
/// CommandError (exit 1) naming the file when it is missing, unreadable or broken.
LoadedImage ReadImageFile(const std::string& path, std::optional<double> pixelAspect);

/// Writes `image` to `path` as `layout` says (channels, depth, windows), complete or not at
/// all: when an abort arrives before the file is renamed into place, nothing is left and an
/// aborted CommandError is thrown. Other failures throw a CommandError naming the file.
void WriteImageFile(const Image& image, const std::string& path, const FileLayout& layout);

/// Throws a CommandError when no image format is known for the file name (exit 2) or its
/// folder does not exist (exit 1), so that a command fails before it renders anything.
void CheckOutputPath(const std::string& path);

/// "8", "16" or "float".
std::optional<SampleDepth> ParseDepth(std::string_view text);
