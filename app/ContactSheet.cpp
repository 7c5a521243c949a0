// SPDX-License-Identifier: Apache-2.0
#include "ContactSheet.h"

#include "AbortSignal.h"
#include "AtomicFile.h"
#include "Errors.h"
#include "Messages.h"
#include "PendingFileProxy.h"
#include "Text.h"

#include <OpenImageIO/imagebuf.h>
#include <OpenImageIO/imagebufalgo.h>

#include <algorithm>
#include <filesystem>

using OIIO::ImageBuf;
using OIIO::ImageSpec;
using OIIO::ROI;
using OIIO::TypeDesc;
namespace ImageBufAlgo = OIIO::ImageBufAlgo;

namespace {

constexpr int kColumns = 3;
constexpr int kGap = 12;
constexpr int kLabelHeight = 34;
constexpr int kFontSize = 20;
constexpr int kSmallestFontSize = 11;
constexpr const char* kFontFiles[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                      "DejaVuSans"};

// The picture's colour channels as float RGB.
ImageBuf ToBuffer(const Image& picture) {
    ImageBuf buffer(ImageSpec(picture.Width, picture.Height, 3, TypeDesc::FLOAT));
    std::vector<float> row(size_t(picture.Width) * 3);
    Pixel p;
    for (int32_t y = 0; y < picture.Height; ++y) {
        for (int32_t x = 0; x < picture.Width; ++x) {
            picture.ReadPixel(&picture, picture.PixelAddress(x, y), &p);
            row[size_t(x) * 3 + 0] = FloatFromWord16(p.Word[PIX_Red]);
            row[size_t(x) * 3 + 1] = FloatFromWord16(p.Word[PIX_Green]);
            row[size_t(x) * 3 + 2] = FloatFromWord16(p.Word[PIX_Blue]);
        }
        buffer.set_pixels(ROI(0, picture.Width, y, y + 1, 0, 1, 0, 3), TypeDesc::FLOAT, row.data());
    }
    return buffer;
}

// A label no wider than `width`: long settings get a smaller type rather than running into
// the next tile, and when even the smallest type is too wide, two lines, broken after a comma.
// `y` is the baseline of a label of one line.
bool DrawLabel(ImageBuf& sheet, int x, int y, int width, const std::string& text) {
    const float white[3] = {0.92f, 0.92f, 0.92f};
    for (const char* font : kFontFiles) {
        if (font[0] == '/' && !std::filesystem::exists(font)) continue;
        const auto fits = [&](const std::string& line, int size) {
            return ImageBufAlgo::text_size(line, size, font).width() <= width;
        };
        int size = kFontSize;
        while (size > kSmallestFontSize && !fits(text, size)) --size;
        bool drawn;
        size_t cut = text.rfind(", ");
        while (cut != std::string::npos && cut > 0 && !fits(text.substr(0, cut + 1), size))
            cut = text.rfind(", ", cut - 1);
        if (fits(text, size) || cut == std::string::npos || cut == 0)
            drawn = ImageBufAlgo::render_text(sheet, x, y, text, size, font, white);
        else
            drawn =
                ImageBufAlgo::render_text(sheet, x, y - size - 1, text.substr(0, cut + 1), size,
                                          font, white) &&
                ImageBufAlgo::render_text(sheet, x, y + 2, text.substr(cut + 2), size, font, white);
        if (drawn) return true;
        sheet.geterror(); // try the next font
    }
    return false;
}

} // namespace

void WriteContactSheet(const std::vector<SheetTile>& tiles, const std::string& path) {
    if (tiles.empty()) return;
    int tileW = 0, tileH = 0;
    for (const SheetTile& t : tiles) {
        tileW = std::max(tileW, (t.Picture->Width + 1) / 2);
        tileH = std::max(tileH, (t.Picture->Height + 1) / 2);
    }
    const int columns = std::min(kColumns, int(tiles.size()));
    const int rows = (int(tiles.size()) + columns - 1) / columns;
    const int cellH = tileH + kLabelHeight;
    ImageBuf sheet(ImageSpec(kGap + columns * (tileW + kGap), kGap + rows * (cellH + kGap), 3,
                             TypeDesc::FLOAT));
    const float background[3] = {0.12f, 0.12f, 0.13f};
    ImageBufAlgo::fill(sheet, background);

    bool labelled = true;
    for (size_t i = 0; i < tiles.size(); ++i) {
        const int left = kGap + int(i % size_t(columns)) * (tileW + kGap);
        const int top = kGap + int(i / size_t(columns)) * (cellH + kGap);
        const Image& picture = *tiles[i].Picture;
        const int w = (picture.Width + 1) / 2, h = (picture.Height + 1) / 2;
        ImageBuf thumb =
            ImageBufAlgo::resize(ToBuffer(picture), "", 0.0f, ROI(0, w, 0, h, 0, 1, 0, 3));
        ImageBufAlgo::paste(sheet, left, top, 0, 0, thumb);
        if (labelled)
            labelled =
                DrawLabel(sheet, left + 4, top + h + kFontSize + 4, tileW - 8, tiles[i].Label);
    }
    if (!labelled)
        Warn(path + ": no font for the labels (install fonts-dejavu-core); written without");

    PendingFile pending(path);
    PendingFileProxy proxy(pending);
    sheet.set_write_ioproxy(&proxy);
    const bool written = sheet.write(path, TypeDesc::UINT8, "png");
    pending.CheckWrites();
    if (!written) throw FileError(path + ": cannot be written (" + OneLine(sheet.geterror()) + ")");
    if (AbortRequested()) throw AbortedError();
    pending.Commit();
}
