// SPDX-License-Identifier: Apache-2.0
#include "Composite.h"

#include "frame/PixelRows.h"

#include <algorithm>
#include <vector>

namespace vorlings::flare {

namespace {

using frame::kWordsPerPixel;

constexpr uint16_t kMismatchGrey = 15360;
constexpr int32_t kBandHalf = 10;

} // namespace

int32_t PlaneLevel(float value) {
    const double rounded = double(value) + 0.5;
    // Beyond the top (also beyond the 32-bit range, and not-a-number) is the top.
    if (!(rounded < double(kTopLevel))) return kTopLevel;
    if (rounded < 0.0) return 0;
    return int32_t(rounded);
}

void CompositeChunk(const FlareJob& job, frame::ChunkRange rows,
                    const std::atomic<int>& abortFlag) {
    const int32_t width = job.Width;
    const frame::RowAccess background(*job.SourceImage);
    const frame::RowAccess output(*job.OutputImage);
    std::vector<uint16_t> scratch(size_t(width) * kWordsPerPixel);
    std::vector<uint16_t> out(size_t(width) * kWordsPerPixel);
    const int32_t* curve = job.ContrastTable;
    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        if (abortFlag) return;
        const uint16_t* in = background.Read(y, 0, width, scratch.data());
        const float* flare = job.Planes + size_t(kPlaneStride) * size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x, flare += kPlaneStride) {
            const uint16_t* b = in + size_t(x) * kWordsPerPixel;
            const int32_t red = curve[PlaneLevel(flare[0])];
            const int32_t green = curve[PlaneLevel(flare[1])];
            const int32_t blue = curve[PlaneLevel(flare[2])];
            const int32_t level = (77 * red + 128 * green + 51 * blue) >> 8;
            uint16_t* o = out.data() + size_t(x) * kWordsPerPixel;
            o[0] = uint16_t(std::min(kTopLevel, blue + (b[0] >> 2)) << 2);
            o[1] = uint16_t(std::min(kTopLevel, green + (b[1] >> 2)) << 2);
            o[2] = uint16_t(std::min(kTopLevel, red + (b[2] >> 2)) << 2);
            o[3] = uint16_t(std::min(kTopLevel, level + (b[3] >> 2)) << 2);
        }
        output.Write(y, 0, width, out.data());
    }
}

void DrawSizeMismatch(Image& output) {
    const int32_t width = output.Width, height = output.Height;
    const frame::RowAccess rows(output);
    std::vector<uint16_t> grey(size_t(width) * kWordsPerPixel, kMismatchGrey);
    std::vector<uint16_t> band(size_t(2 * kBandHalf) * kWordsPerPixel);
    const float slope = float(width) / float(height);
    float along = 0.0f;
    for (int32_t y = 0; y < height; ++y, along += slope) {
        const int32_t centre = int32_t(along);
        rows.Write(y, 0, width, grey.data());
        // The band is read back from the row just written, so it keeps the grey as the
        // image stores it in its blue and green words.
        const int32_t from = std::max(centre - kBandHalf, 0);
        const int32_t to = std::min(centre + kBandHalf, width);
        if (from >= to) continue;
        rows.ReadInto(y, from, to - from, band.data());
        for (int32_t i = 0; i < to - from; ++i) {
            band[size_t(i) * kWordsPerPixel + 2] = 65535;
            band[size_t(i) * kWordsPerPixel + 3] = 65535;
        }
        rows.Write(y, from, to - from, band.data());
    }
}

} // namespace vorlings::flare
