// SPDX-License-Identifier: Apache-2.0
#include "TraceRows.h"

#include "frame/PixelRows.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

namespace vorlings::trace {

void TraceRows(const TraceJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    if (rows.Empty()) return;
    const int32_t width = job.Width, height = job.Height;
    const ContourStyle style = job.Style();
    const frame::RowAccess output(*job.OutputImage);
    // A row and its neighbour row: each converted once (a 16-bit input is read in place).
    std::optional<frame::RowWindow> window;
    std::vector<uint16_t> traced;
    try {
        window.emplace(*job.InputImage, 2);
        traced.resize(size_t(width) * frame::kWordsPerPixel);
    } catch (const std::bad_alloc&) {
        return; // no buffers: the chunk's rows stay as the output was made
    }

    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        if (abortFlag) return;
        // The last row looks back at the row above; the window still only moves down.
        const int32_t yn = Neighbour(y, height);
        window->Cover(std::min(y, yn), std::max(y, yn));
        ContourRow(window->Row(y), window->Row(yn), width, style, traced.data(), job.Vector);
        output.Write(y, 0, width, traced.data());
    }
}

} // namespace vorlings::trace
