// SPDX-License-Identifier: Apache-2.0
#include "SharpenRows.h"

#include "frame/PixelRows.h"

#include <algorithm>
#include <new>
#include <vector>

namespace vorlings::sharpen {

namespace {

using frame::kWordsPerPixel;

void PlainRows(const SharpenJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    const int32_t width = job.Width, height = job.Height;
    const int32_t radius = job.Radius(), size = job.KernelSize;
    frame::RowWindow window(*job.InputImage, size);
    const frame::RowAccess output(*job.OutputImage);
    std::vector<uint16_t> rowOut(size_t(width) * kWordsPerPixel);

    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        if (abortFlag) return;
        window.Cover(std::max(0, y - radius), std::min(height - 1, y + radius));
        // The kernel rows and columns whose taps lie inside the picture; the others add nothing.
        const int32_t firstRow = std::max(0, radius - y);
        const int32_t lastRow = std::min(size - 1, height - 1 - y + radius);
        for (int32_t x = 0; x < width; ++x) {
            const int32_t firstColumn = std::max(0, radius - x);
            const int32_t lastColumn = std::min(size - 1, width - 1 - x + radius);
            int32_t sum[kWordsPerPixel] = {};
            for (int32_t i = firstRow; i <= lastRow; ++i) {
                const int32_t* weights = job.Kernel.get() + i * size;
                const uint16_t* tap =
                    window.Row(y - radius + i) + size_t(x - radius + firstColumn) * kWordsPerPixel;
                for (int32_t j = firstColumn; j <= lastColumn; ++j, tap += kWordsPerPixel)
                    for (int k = 0; k < kWordsPerPixel; ++k) sum[k] += int32_t(tap[k]) * weights[j];
            }
            const uint16_t* centre = window.Row(y) + size_t(x) * kWordsPerPixel;
            for (int k = 0; k < kWordsPerPixel; ++k)
                rowOut[size_t(x) * kWordsPerPixel + size_t(k)] =
                    SharpenedWord(centre[k], sum[k], job.KernelSum, job.Power);
        }
        output.Write(y, 0, width, rowOut.data());
    }
}

} // namespace

void SharpenRows(const SharpenJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    if (rows.Empty()) return;
    // Without the plain loop's few buffers the rows stay as the output was made.
    try {
        PlainRows(job, rows, abortFlag);
    } catch (const std::bad_alloc&) {
    }
}

} // namespace vorlings::sharpen
