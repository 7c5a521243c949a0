// SPDX-License-Identifier: Apache-2.0
#include "NetworkRows.h"

#include "NetworkRows.simd.h"
#include "frame/PixelRows.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vorlings::clean {

namespace {

using frame::kWordsPerPixel;

// The word Clean keeps for lane `lane` of row y, from the window's pixels that lie inside the
// picture: the (count / 2)-th smallest from 0, with its two lowest bits cleared.
uint16_t ClippedMedian(const frame::RowWindow& window, int32_t y, int32_t lane,
                       const CleanJob& job) {
    const int32_t x = lane / kWordsPerPixel, channel = lane % kWordsPerPixel;
    const int32_t left = std::max(0, x - job.HalfWidth);
    const int32_t right = std::min(job.Width - 1, x + job.HalfWidth);
    const int32_t top = std::max(0, y - job.HalfHeight);
    const int32_t bottom = std::min(job.Height - 1, y + job.HalfHeight);
    std::array<uint16_t, 25> values;
    int32_t count = 0;
    for (int32_t r = top; r <= bottom; ++r) {
        const uint16_t* row = window.Row(r);
        for (int32_t c = left; c <= right; ++c)
            values[size_t(count++)] = row[size_t(c) * kWordsPerPixel + size_t(channel)];
    }
    std::nth_element(values.begin(), values.begin() + count / 2, values.begin() + count);
    return uint16_t(values[size_t(count / 2)] & 0xFFFC);
}

// The kernels of each vector unit, for FilterRows.
struct Avx2Unit {
    static constexpr int32_t kLanes = simd::avx2::kLanes;
    template <int HalfWidth, int Rows>
    static void Median(const uint16_t* const* rows, int32_t first, int32_t end, uint16_t* out) {
        simd::avx2::MedianLanes<HalfWidth, Rows>(rows, first, end, out);
    }
    static constexpr auto Median3x3 = &simd::avx2::Median3x3Lanes;
};

struct Avx512Unit {
    static constexpr int32_t kLanes = simd::avx512::kLanes;
    template <int HalfWidth, int Rows>
    static void Median(const uint16_t* const* rows, int32_t first, int32_t end, uint16_t* out) {
        simd::avx512::MedianLanes<HalfWidth, Rows>(rows, first, end, out);
    }
    static constexpr auto Median3x3 = &simd::avx512::Median3x3Lanes;
};

// Lanes [first, end) of a row whose window has `rowsIn` rows inside the picture (1 to 5).
template <class U, int HalfWidth>
void VectorLanes(const uint16_t* const* rows, int32_t rowsIn, int32_t first, int32_t end,
                 uint16_t* out) {
    switch (rowsIn) {
    case 1:
        return U::template Median<HalfWidth, 1>(rows, first, end, out);
    case 2:
        return U::template Median<HalfWidth, 2>(rows, first, end, out);
    case 3:
        return U::template Median<HalfWidth, 3>(rows, first, end, out);
    case 4:
        return U::template Median<HalfWidth, 4>(rows, first, end, out);
    default:
        return U::template Median<HalfWidth, 5>(rows, first, end, out);
    }
}

template <class U, int HalfWidth, int HalfHeight>
void FilterRows(const CleanJob& job, frame::ChunkRange rows) {
    const int32_t width = job.Width, height = job.Height;
    const int32_t lanes = width * kWordsPerPixel;
    frame::RowWindow window(*job.InputImage, 2 * HalfHeight + 1);
    const frame::RowAccess output(*job.OutputImage);
    std::vector<uint16_t> rowOut(static_cast<size_t>(lanes));
    // Sorted columns for windows of 3 x 3 values.
    std::vector<uint16_t> columns(HalfWidth == 1 ? 3 * size_t(lanes) : 0);
    // The lanes whose windows lie inside the picture across; with fewer than a register's
    // worth, the row is sorted lane by lane.
    int32_t first = HalfWidth * kWordsPerPixel, end = lanes - HalfWidth * kWordsPerPixel;
    if (end - first < U::kLanes) first = end = lanes;

    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        const int32_t top = std::max(0, y - HalfHeight);
        const int32_t bottom = std::min(height - 1, y + HalfHeight);
        window.Cover(top, bottom);
        const uint16_t* windowRows[2 * HalfHeight + 1];
        for (int32_t r = top; r <= bottom; ++r) windowRows[r - top] = window.Row(r);
        const int32_t rowsIn = bottom - top + 1;
        if (first < end) {
            if (HalfWidth == 1 && rowsIn == 3)
                U::Median3x3(windowRows, first, end, lanes, columns.data(), columns.data() + lanes,
                             columns.data() + 2 * lanes, rowOut.data());
            else
                VectorLanes<U, HalfWidth>(windowRows, rowsIn, first, end, rowOut.data());
        }
        // The clipped windows at the left and right edges hold fewer columns.
        for (int32_t lane = 0; lane < lanes; ++lane) {
            if (lane == first) lane = end;
            if (lane >= lanes) break;
            rowOut[size_t(lane)] = ClippedMedian(window, y, lane, job);
        }
        output.Write(y, 0, width, rowOut.data());
    }
}

} // namespace

bool NetworkServes(const CleanJob& job) {
    return job.HalfWidth >= 1 && job.HalfWidth <= 2 && job.HalfHeight >= 1 && job.HalfHeight <= 2;
}

template <class U>
void NetworkRowsOn(const CleanJob& job, frame::ChunkRange rows) {
    if (job.HalfWidth == 1)
        job.HalfHeight == 1 ? FilterRows<U, 1, 1>(job, rows) : FilterRows<U, 1, 2>(job, rows);
    else
        job.HalfHeight == 1 ? FilterRows<U, 2, 1>(job, rows) : FilterRows<U, 2, 2>(job, rows);
}

void NetworkRows(const CleanJob& job, frame::ChunkRange rows) {
    if (rows.Empty()) return;
    if (job.Wide)
        NetworkRowsOn<Avx512Unit>(job, rows);
    else
        NetworkRowsOn<Avx2Unit>(job, rows);
}

} // namespace vorlings::clean
