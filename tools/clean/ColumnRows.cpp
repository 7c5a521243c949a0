// SPDX-License-Identifier: Apache-2.0
#include "ColumnRows.h"

#include "ColumnHistograms.h"
#include "frame/PixelRows.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace vorlings::clean {

namespace {

using frame::kWordsPerPixel;

// Output columns per strip. A strip's column histograms (35 KB each at 16 bits) are what the
// rows sweep through, so a strip stays narrow enough to keep them near the second-level cache;
// it is at least twice as wide as the window so that the columns read for its borders (a
// window's width beyond the strip) cost no more than half again.
int32_t StripWidth(int32_t halfWidth, int32_t width) {
    return std::min(width, std::max(48, 2 * (2 * halfWidth + 1)));
}

// The whole sweep, inlined into one function per counter width and instruction set, so that
// the AVX2 sums inline into the sweep that calls them for every pixel.
template <class Counter, bool Vector>
[[gnu::always_inline]] inline void FilterRows(const CleanJob& job, frame::ChunkRange rows) {
    const int32_t width = job.Width, height = job.Height;
    // A window reaching past both edges holds the same pixels as one that just spans them.
    const int32_t halfWidth = std::min(job.HalfWidth, width);
    const int32_t halfHeight = std::min(job.HalfHeight, height);
    const int32_t stripWidth = StripWidth(halfWidth, width);
    const int32_t maxColumns = std::min(width, stripWidth + 2 * halfWidth);

    // The input rows the chunk's windows reach, converted a strip at a time.
    const int32_t inTop = std::max(0, rows.Begin - halfHeight);
    const int32_t inBottom = std::min(height - 1, rows.End - 1 + halfHeight);
    const frame::RowAccess input(*job.InputImage), output(*job.OutputImage);
    std::vector<uint16_t> in(size_t(inBottom - inTop + 1) * size_t(maxColumns) * kWordsPerPixel);
    std::vector<uint16_t> out(size_t(rows.End - rows.Begin) * size_t(stripWidth) * kWordsPerPixel);
    ColumnHistograms<Counter> columns(maxColumns);
    // Large (about 50 KB at 16 bits): on the heap, not on a worker's stack.
    auto window = std::make_unique<WindowMedian<Counter, Vector>>(halfWidth, width, stripWidth);

    for (int32_t x0 = 0; x0 < width; x0 += stripWidth) {
        const int32_t x1 = std::min(width, x0 + stripWidth);
        const int32_t base = std::max(0, x0 - halfWidth);
        const int32_t count = std::min(width, x1 + halfWidth) - base;
        const size_t inRowWords = size_t(count) * kWordsPerPixel;
        for (int32_t r = inTop; r <= inBottom; ++r)
            input.ReadInto(r, base, count, in.data() + size_t(r - inTop) * inRowWords);

        for (int c = 0; c < kWordsPerPixel; ++c) {
            const auto addRow = [&](int32_t r) {
                const uint16_t* row = in.data() + size_t(r - inTop) * inRowWords + c;
                for (int32_t i = 0; i < count; ++i) columns.Add(i, row[size_t(i) * kWordsPerPixel]);
            };
            const auto removeRow = [&](int32_t r) {
                const uint16_t* row = in.data() + size_t(r - inTop) * inRowWords + c;
                for (int32_t i = 0; i < count; ++i)
                    columns.Remove(i, row[size_t(i) * kWordsPerPixel]);
            };

            int32_t top = std::max(0, rows.Begin - halfHeight);
            int32_t bottom = std::min(height - 1, rows.Begin + halfHeight);
            for (int32_t r = top; r <= bottom; ++r) addRow(r);
            for (int32_t y = rows.Begin; y < rows.End; ++y) {
                if (y > rows.Begin) {
                    if (y - halfHeight - 1 >= 0) removeRow(top++);
                    if (y + halfHeight < height) addRow(++bottom);
                }
                const int32_t columnPixels = bottom - top + 1;
                int32_t left = std::max(0, x0 - halfWidth);
                int32_t right = std::min(width - 1, x0 + halfWidth);
                window->StartRow(columns, base, x0, left - base, right - base);
                uint16_t* rowOut =
                    out.data() + size_t(y - rows.Begin) * size_t(stripWidth) * kWordsPerPixel + c;
                for (int32_t x = x0;;) {
                    const int32_t half = (right - left + 1) * columnPixels / 2;
                    // The bin index is the 14-bit median; the output keeps it in the top 14 bits.
                    rowOut[size_t(x - x0) * kWordsPerPixel] = uint16_t(window->MedianBin(half) * 4);
                    if (++x >= x1) break;
                    const int32_t removed = x - halfWidth - 1 >= 0 ? left++ - base : -1;
                    const int32_t added = x + halfWidth < width ? ++right - base : -1;
                    window->Slide(added, removed);
                }
            }
            // Empties the columns for the next channel or strip: cheaper than clearing them.
            for (int32_t r = top; r <= bottom; ++r) removeRow(r);
        }
        for (int32_t y = rows.Begin; y < rows.End; ++y)
            output.Write(y, x0, x1 - x0,
                         out.data() + size_t(y - rows.Begin) * size_t(stripWidth) * kWordsPerPixel);
    }
}

template <class Counter>
__attribute__((target("avx2"), flatten)) void VectorRows(const CleanJob& job,
                                                         frame::ChunkRange rows) {
    FilterRows<Counter, true>(job, rows);
}

template <class Counter>
void PlainRows(const CleanJob& job, frame::ChunkRange rows) {
    FilterRows<Counter, false>(job, rows);
}

} // namespace

bool ColumnsServe(const CleanJob& job) {
    return job.HalfWidth >= 3 && job.HalfHeight >= 3 &&
           std::min(job.WindowHeight, job.Height) < 32768;
}

void ColumnRows(const CleanJob& job, frame::ChunkRange rows) {
    if (rows.Empty()) return;
    // 16-bit bins serve every window whose full area stays below 65536 pixels.
    const int64_t area = int64_t(std::min(job.WindowWidth, 2 * job.Width + 1)) *
                         int64_t(std::min(job.WindowHeight, 2 * job.Height + 1));
    if (area < 65536)
        job.Vector ? VectorRows<uint16_t>(job, rows) : PlainRows<uint16_t>(job, rows);
    else
        job.Vector ? VectorRows<uint32_t>(job, rows) : PlainRows<uint32_t>(job, rows);
}

} // namespace vorlings::clean
