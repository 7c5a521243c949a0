// SPDX-License-Identifier: Apache-2.0
#include "DefocusPasses.h"

#include "LaneSums.h"

#include <algorithm>
#include <vector>

namespace vorlings::defocus {

namespace {

using frame::kWordsPerPixel;

// Lanes the column pass sums at a time down a strip: their taps, a kernel's length of rows,
// stay in the first-level cache from one output row to the next.
constexpr int32_t kColumnLanes = 64;

int32_t RoundUpToGroup(int32_t lanes) {
    return (lanes + kLaneGroup - 1) / kLaneGroup * kLaneGroup;
}

// Fills the `reach` padding values at `to`, `step` words apart and `width` words wide, with
// copies of the border values at `border`, or with zeros.
void FillPadding(const uint16_t* border, bool duplicate, int32_t reach, ptrdiff_t step,
                 int32_t width, uint16_t* to) {
    for (int32_t r = 0; r < reach; ++r, to += step) {
        if (duplicate)
            std::copy(border, border + width, to);
        else
            std::fill(to, to + width, uint16_t(0));
    }
}

} // namespace

void RowPass(const DefocusJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    if (abortFlag) return;
    if (rows.Empty()) return;
    const LineKernel& kernel = job.RowKernel;
    const int32_t width = job.Width, reach = kernel.Reach;
    const int32_t lanes = width * kWordsPerPixel;
    const frame::RowAccess source(*job.InputImage);
    const frame::RowAccess target(*job.IntermediateImage);

    // One row at a time: the padded line (and room for the last group of lanes to read on),
    // the sums, and the row's words for kinds that convert.
    std::vector<uint16_t> padded(size_t(lanes + 2 * reach * kWordsPerPixel + kLaneGroup));
    std::vector<uint16_t> sums(size_t(RoundUpToGroup(lanes)));
    std::vector<uint16_t> converted(source.InPlace() ? 0 : size_t(lanes));
    uint16_t* const line = padded.data() + reach * kWordsPerPixel;

    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        QuarterWords(source.Read(y, 0, width, converted.data()), lanes, line, job.Vector);
        FillPadding(line, kernel.DuplicateEdges, reach, kWordsPerPixel, kWordsPerPixel,
                    padded.data());
        FillPadding(line + lanes - kWordsPerPixel, kernel.DuplicateEdges, reach, kWordsPerPixel,
                    kWordsPerPixel, line + lanes);
        SumLanes(kernel, padded.data(), 0, sums.data(), 0, lanes, 1, job.Vector);
        target.Write(y, 0, width, sums.data());
    }
}

void ColumnPass(const DefocusJob& job, frame::ChunkRange columns,
                const std::atomic<int>& abortFlag) {
    if (abortFlag) return;
    if (columns.Empty()) return;
    const LineKernel& kernel = job.ColumnKernel;
    const int32_t height = job.Height, reach = kernel.Reach;
    const frame::RowAccess source(*job.IntermediateImage);
    const frame::RowAccess target(*job.OutputImage);

    // A strip of columns as rows of kStripWords: padded above and below, and its sums.
    std::vector<uint16_t> strip(size_t(height + 2 * reach) * kStripWords);
    std::vector<uint16_t> sums(size_t(height) * kStripWords);
    std::vector<uint16_t> converted(source.InPlace() ? 0 : size_t(kStripWords));
    uint16_t* const top = strip.data() + ptrdiff_t(reach) * kStripWords;
    uint16_t* const bottom = top + ptrdiff_t(height - 1) * kStripWords;

    for (int32_t x = columns.Begin; x < columns.End; x += kStripPixels) {
        const int32_t pixels = std::min(kStripPixels, columns.End - x);
        const int32_t lanes = pixels * kWordsPerPixel;
        for (int32_t y = 0; y < height; ++y)
            QuarterWords(source.Read(y, x, pixels, converted.data()), lanes,
                         top + ptrdiff_t(y) * kStripWords, job.Vector);
        FillPadding(top, kernel.DuplicateEdges, reach, kStripWords, lanes, strip.data());
        FillPadding(bottom, kernel.DuplicateEdges, reach, kStripWords, lanes, bottom + kStripWords);

        for (int32_t k = 0; k < lanes; k += kColumnLanes)
            SumLanes(kernel, strip.data() + k, kStripWords, sums.data() + k, kStripWords,
                     std::min(kColumnLanes, lanes - k), height, job.Vector);
        for (int32_t y = 0; y < height; ++y)
            target.Write(y, x, pixels, sums.data() + ptrdiff_t(y) * kStripWords);
    }
}

} // namespace vorlings::defocus
