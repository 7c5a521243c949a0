// SPDX-License-Identifier: Apache-2.0
// The plain loop states Sharpen's arithmetic pixel by pixel; the vector rows
// (SharpenRows.simd.h) give the same bits faster.
#include "SharpenRows.h"

#include "SharpenRows.simd.h"
#include "frame/PixelRows.h"

#include <algorithm>
#include <new>
#include <optional>
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

int32_t RoundUp(int32_t value, int32_t step) {
    return (value + step - 1) / step * step;
}

// One unit's vector rows (SharpenRows.simd.h).
struct VectorRowFunctions {
    void (*BuildPairRow)(const uint16_t* upper, const uint16_t* lower, int32_t lanes, int32_t pad,
                         int32_t positions, int16_t* pair);
    void (*SharpenRow)(const simd::RowRule& rule, const int16_t* const* pairRows,
                       const uint16_t* centre, int32_t lanes, uint16_t* out);
};

// The rows on a vector unit. Returns false, having written nothing, when its buffers cannot be
// had.
bool VectorRows(const SharpenJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag,
                VectorRowFunctions unit) {
    const int32_t height = job.Height, radius = job.Radius(), size = job.KernelSize;
    const int32_t lanes = job.Width * kWordsPerPixel;
    const int32_t blockLanes = RoundUp(lanes, simd::kBlockLanes);
    // A pair row: R pixels of padding on the left, the row rounded up to whole blocks, and the
    // R pixels of padding on the right that the last block's taps reach.
    const int32_t pad = radius * kWordsPerPixel;
    const int32_t positions = pad + blockLanes + pad;
    const size_t pairWords = 2 * size_t(positions);

    // The pair rows of the kernel's 2R + 1 picture rows, each built once as the kernel slides
    // down the chunk; the window holds the picture rows they are built from (one beyond).
    std::vector<int16_t> ring;
    std::vector<uint16_t> rowOut;
    std::optional<frame::RowWindow> window;
    try {
        ring.resize(size_t(size) * pairWords);
        rowOut.resize(size_t(blockLanes));
        window.emplace(*job.InputImage, size + 1);
    } catch (const std::bad_alloc&) {
        return false;
    }

    std::array<uint32_t, (kMostKernelRadius + 1) * (2 * kMostKernelRadius + 1)> pairWeights{};
    const auto weight = [&](int32_t i, int32_t j) {
        return i < size ? uint32_t(job.Kernel[size_t(i * size + j)]) : 0u;
    };
    for (int32_t p = 0; p <= radius; ++p)
        for (int32_t j = 0; j < size; ++j)
            pairWeights[size_t(p * size + j)] = weight(2 * p, j) | weight(2 * p + 1, j) << 16;
    const simd::RowRule rule{pairWeights.data(),    radius + 1,          size,
                             32768 * job.KernelSum, 1.0 / job.KernelSum, double(job.Power)};

    const frame::RowAccess output(*job.OutputImage);
    const auto pairRow = [&](int32_t r) {
        return ring.data() + size_t((r + radius) % size) * pairWords;
    };
    const auto pictureRow = [&](int32_t r) -> const uint16_t* {
        return r >= 0 && r < height ? window->Row(r) : nullptr;
    };

    int32_t built = rows.Begin - radius - 1; // the last pair row built
    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        if (abortFlag) return true;
        window->Cover(std::max(0, y - radius), std::min(height - 1, y + radius + 1));
        for (int32_t r = std::max(built + 1, y - radius); r <= y + radius; ++r)
            unit.BuildPairRow(pictureRow(r), pictureRow(r + 1), lanes, pad, positions, pairRow(r));
        built = y + radius;

        const int16_t* pairs[kMostKernelRadius + 1];
        for (int32_t p = 0; p <= radius; ++p) pairs[p] = pairRow(y - radius + 2 * p);
        unit.SharpenRow(rule, pairs, window->Row(y), lanes, rowOut.data());
        output.Write(y, 0, job.Width, rowOut.data());
    }
    return true;
}

} // namespace

void SharpenRows(const SharpenJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    if (rows.Empty()) return;
    switch (job.Vector) {
    case VectorUnit::Avx512:
        if (VectorRows(job, rows, abortFlag,
                       {simd::avx512::BuildPairRow, simd::avx512::SharpenRow}))
            return;
        break;
    case VectorUnit::Avx2:
        if (VectorRows(job, rows, abortFlag, {simd::avx2::BuildPairRow, simd::avx2::SharpenRow}))
            return;
        break;
    case VectorUnit::None:
        break;
    }
    // Without the plain loop's few buffers the rows stay as the output was made.
    try {
        PlainRows(job, rows, abortFlag);
    } catch (const std::bad_alloc&) {
    }
}

} // namespace vorlings::sharpen
