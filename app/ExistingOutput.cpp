// SPDX-License-Identifier: Apache-2.0
#include "ExistingOutput.h"

#include "QuietStderr.h"
#include "Text.h"

#include <OpenImageIO/imageio.h>

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

std::string UnfinishedOutputReason(const std::string& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return "is not a file";
    if (fs::file_size(path, ec) == 0 || ec) return "is empty";

    QuietStderr quiet;
    std::unique_ptr<OIIO::ImageInput> in = OIIO::ImageInput::open(path);
    if (!in) return "cannot be read as an image (" + OneLine(OIIO::geterror()) + ")";
    const OIIO::ImageSpec& spec = in->spec();
    // A few rows at a time, so that a header claiming a huge picture allocates little.
    constexpr int kRows = 64;
    std::vector<unsigned char> rows(spec.scanline_bytes(true) * kRows);
    for (int y = spec.y; y < spec.y + spec.height; y += kRows) {
        const int end = std::min(y + kRows, spec.y + spec.height);
        if (!in->read_scanlines(0, 0, y, end, spec.z, 0, spec.nchannels, OIIO::TypeDesc::UNKNOWN,
                                rows.data()) ||
            in->has_error())
            return "cannot be read as an image (" + OneLine(in->geterror()) + ")";
    }
    return "";
}
