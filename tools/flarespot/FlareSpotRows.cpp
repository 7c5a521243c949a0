// SPDX-License-Identifier: Apache-2.0
#include "FlareSpotRows.h"

#include "SpotDrawing.h"
#include "frame/PixelRows.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace vorlings::flarespot {

using frame::kWordsPerPixel;

void FlareSpotRows(const FlareSpotJob& job, frame::ChunkRange rows,
                   const std::atomic<int>& abortFlag) {
    if (rows.Empty() || abortFlag) return;
    // Each chunk clears the rows it alone writes: the planes start at zero without a
    // single-threaded pass over them.
    const LightPlanes& planes = *job.Planes;
    const size_t begin = size_t(rows.Begin) * size_t(planes.Width);
    const size_t count = size_t(rows.End - rows.Begin) * size_t(planes.Width);
    for (int32_t* plane : {planes.Red, planes.Green, planes.Blue})
        std::memset(plane + begin, 0, count * sizeof(int32_t));
    RenderSpots(job, rows.Begin, rows.End, abortFlag);
    CompositeBand(job, rows.Begin, rows.End, abortFlag);
}

void RenderSpots(const FlareSpotJob& job, int32_t y0, int32_t y1,
                 const std::atomic<int>& abortFlag) {
    const LensTable& lens = *job.Lens;
    // The spot lives on this chunk's stack: tracing and drawing allocate nothing.
    SpotRecord spot;
    for (int32_t i = 0; i < lens.Count; ++i) {
        if (abortFlag) return;
        if (TraceSpot(lens, i, *job.Params, spot))
            DrawSpot(*job.Planes, spot, i, *job.Params, y0, y1, lens.Count - 1, abortFlag);
    }
}

void CompositeBand(const FlareSpotJob& job, int32_t y0, int32_t y1,
                   const std::atomic<int>& abortFlag) {
    const LightPlanes& planes = *job.Planes;
    const int32_t width = planes.Width;
    const frame::RowAccess input(*job.InputImage);
    const frame::RowAccess output(*job.OutputImage);
    std::vector<uint16_t> scratch(input.InPlace() ? 0 : size_t(width) * kWordsPerPixel);
    std::vector<uint16_t> rowOut(size_t(width) * kWordsPerPixel);

    const auto word = [](int64_t v) { return uint16_t(std::clamp<int64_t>(v, 0, kFull14) * 4); };
    for (int32_t y = y0; y < y1; ++y) {
        if (abortFlag) return;
        const uint16_t* in = input.Read(y, 0, width, scratch.data());
        const size_t at = size_t(y) * size_t(width);
        const int32_t* red = planes.Red + at;
        const int32_t* green = planes.Green + at;
        const int32_t* blue = planes.Blue + at;
        uint16_t* out = rowOut.data();
        for (int32_t x = 0; x < width; ++x, in += kWordsPerPixel, out += kWordsPerPixel) {
            // Each plane value sums four sub-samples.
            const int32_t r = red[x] / 4, g = green[x] / 4, b = blue[x] / 4;
            // The light adds to alpha too, weighted by its brightness.
            const int64_t alphaLight = (77 * int64_t(r) + 128 * int64_t(g) + 51 * int64_t(b)) >> 8;
            out[0] = word(int64_t(in[0] >> 2) + b);
            out[1] = word(int64_t(in[1] >> 2) + g);
            out[2] = word(int64_t(in[2] >> 2) + r);
            out[3] = word(int64_t(in[3] >> 2) + alphaLight);
        }
        output.Write(y, 0, width, rowOut.data());
    }
}

} // namespace vorlings::flarespot
