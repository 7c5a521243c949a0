// SPDX-License-Identifier: Apache-2.0
#include "CleanRows.h"

#include "ColumnRows.h"
#include "MedianHistogram.h"
#include "NetworkRows.h"
#include "frame/PixelRows.h"

#include <algorithm>
#include <vector>

namespace vorlings::clean {

namespace {

using frame::kWordsPerPixel;

template <class Counter>
void FilterRows(const CleanJob& job, frame::ChunkRange rows) {
    const int32_t width = job.Width, height = job.Height;
    // A window reaching past both edges holds the same pixels as one that just spans them.
    const int32_t halfWidth = std::min(job.HalfWidth, width);
    const int32_t halfHeight = std::min(job.HalfHeight, height);

    // The histogram lives with this worker: private to the chunk, nothing to share.
    MedianHistogram<Counter> histogram;
    frame::RowWindow window(*job.InputImage, 2 * halfHeight + 1);
    const frame::RowAccess output(*job.OutputImage);
    std::vector<const uint16_t*> windowRows(size_t(2 * halfHeight + 1));
    std::vector<uint16_t> rowOut(size_t(width) * kWordsPerPixel);

    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        const int32_t top = std::max(0, y - halfHeight);
        const int32_t bottom = std::min(height - 1, y + halfHeight);
        const int32_t columnPixels = bottom - top + 1;
        window.Cover(top, bottom);
        for (int32_t r = top; r <= bottom; ++r) windowRows[size_t(r - top)] = window.Row(r);
        const uint16_t* const* column = windowRows.data();

        // One channel at a time: a single histogram stays in the first-level cache while the
        // window slides along the row.
        for (int c = 0; c < kWordsPerPixel; ++c) {
            auto addColumn = [&](int32_t x) {
                const size_t at = size_t(x) * kWordsPerPixel + size_t(c);
                for (int32_t i = 0; i < columnPixels; ++i) histogram.Add(column[i][at]);
            };
            auto removeColumn = [&](int32_t x) {
                const size_t at = size_t(x) * kWordsPerPixel + size_t(c);
                for (int32_t i = 0; i < columnPixels; ++i) histogram.Remove(column[i][at]);
            };

            histogram.Clear();
            int32_t count = 0; // pixels in the window (may exceed 65535: 32-bit)
            const int32_t firstRight = std::min(halfWidth, width - 1);
            for (int32_t x = 0; x <= firstRight; ++x) addColumn(x);
            count += (firstRight + 1) * columnPixels;

            for (int32_t x = 0;;) {
                // The bin index is the 14-bit median; the output keeps it in the top 14 bits.
                rowOut[size_t(x) * kWordsPerPixel + size_t(c)] =
                    uint16_t(histogram.MedianBin(count / 2) * 4);
                if (++x >= width) break;
                if (x - halfWidth - 1 >= 0) {
                    removeColumn(x - halfWidth - 1);
                    count -= columnPixels;
                }
                if (x + halfWidth < width) {
                    addColumn(x + halfWidth);
                    count += columnPixels;
                }
            }
        }
        output.Write(y, 0, width, rowOut.data());
    }
}

} // namespace

void CleanRows(const CleanJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    if (abortFlag) return;
    if (rows.Empty()) return;
    if (job.Path == CleanPath::Network) return NetworkRows(job, rows);
    if (job.Path == CleanPath::Columns) return ColumnRows(job, rows);
    // 16-bit bins serve every window whose full area stays below 65536 pixels.
    const int64_t area = int64_t(std::min(job.WindowWidth, 2 * job.Width + 1)) *
                         int64_t(std::min(job.WindowHeight, 2 * job.Height + 1));
    if (area < 65536)
        FilterRows<uint16_t>(job, rows);
    else
        FilterRows<uint32_t>(job, rows);
}

} // namespace vorlings::clean
