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
constexpr int kOneLineFontSize = 14;
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

// The font the labels use: the first of kFontFiles that exists, or null.
const char* LabelFont() {
    for (const char* font : kFontFiles)
        if (font[0] != '/' || std::filesystem::exists(font)) return font;
    return nullptr;
}

// A label set in one type size as lines no wider than the tile, broken after commas.
struct LabelLines {
    int Size = kFontSize;
    std::vector<std::string> Lines;
};

// The settings broken after commas into lines no wider than `width` at `size`, each line as
// long as fits (a single setting wider than the tile keeps a line of its own).
std::vector<std::string> WrapLabel(const std::string& text, int width, int size, const char* font) {
    std::vector<std::string> lines;
    std::string line;
    size_t from = 0;
    while (from < text.size()) {
        size_t cut = text.find(", ", from);
        const std::string piece =
            text.substr(from, cut == std::string::npos ? cut : cut + 1 - from);
        from = cut == std::string::npos ? text.size() : cut + 2;
        const std::string longer = line.empty() ? piece : line + " " + piece;
        if (line.empty() || ImageBufAlgo::text_size(longer, size, font).width() <= width) {
            line = longer;
        } else {
            lines.push_back(line);
            line = piece;
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// The largest type that sets the label on one line, down to a readable size; else the largest
// that sets it on two; else the smallest type on as many lines as it takes.
LabelLines LayOutLabel(const std::string& text, int width, const char* font) {
    for (int size = kFontSize; size >= kOneLineFontSize; --size)
        if (ImageBufAlgo::text_size(text, size, font).width() <= width) return {size, {text}};
    for (int size = kFontSize; size > kSmallestFontSize; --size)
        if (auto lines = WrapLabel(text, width, size, font); lines.size() <= 2)
            return {size, std::move(lines)};
    return {kSmallestFontSize, WrapLabel(text, width, kSmallestFontSize, font)};
}

// The height a label takes below its tile.
int LabelHeight(const LabelLines& label) {
    return std::max(kLabelHeight, int(label.Lines.size()) * (label.Size + 3) + 10);
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
    // Labels first: the tallest sets the height of every cell's label area.
    const char* font = LabelFont();
    std::vector<LabelLines> labels(tiles.size());
    int labelHeight = kLabelHeight;
    if (font)
        for (size_t i = 0; i < tiles.size(); ++i) {
            labels[i] = LayOutLabel(tiles[i].Label, tileW - 8, font);
            labelHeight = std::max(labelHeight, LabelHeight(labels[i]));
        }
    const int cellH = tileH + labelHeight;
    ImageBuf sheet(ImageSpec(kGap + columns * (tileW + kGap), kGap + rows * (cellH + kGap), 3,
                             TypeDesc::FLOAT));
    const float background[3] = {0.12f, 0.12f, 0.13f};
    ImageBufAlgo::fill(sheet, background);

    const float white[3] = {0.92f, 0.92f, 0.92f};
    bool labelled = font != nullptr;
    for (size_t i = 0; i < tiles.size(); ++i) {
        const int left = kGap + int(i % size_t(columns)) * (tileW + kGap);
        const int top = kGap + int(i / size_t(columns)) * (cellH + kGap);
        const Image& picture = *tiles[i].Picture;
        const int w = (picture.Width + 1) / 2, h = (picture.Height + 1) / 2;
        ImageBuf thumb =
            ImageBufAlgo::resize(ToBuffer(picture), "", 0.0f, ROI(0, w, 0, h, 0, 1, 0, 3));
        ImageBufAlgo::paste(sheet, left, top, 0, 0, thumb);
        for (size_t l = 0; labelled && l < labels[i].Lines.size(); ++l) {
            const int size = labels[i].Size;
            labelled =
                ImageBufAlgo::render_text(sheet, left + 4, top + h + size + 6 + int(l) * (size + 3),
                                          labels[i].Lines[l], size, font, white);
        }
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
