// SPDX-License-Identifier: Apache-2.0
#include "DitherRows.h"

#include "ScatterSource.h"
#include "StoredPixel.h"
#include "frame/PixelKind.h"
#include "host/System.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace vorlings::dither {

namespace {

template <ImageKind Kind>
void CopyRow(const DitherRender& render, int32_t y) {
    constexpr std::ptrdiff_t bytes = PixelBytesOf(Kind);
    const uint8_t* const from = render.InputImage->RowTable[y];
    uint8_t* const to = render.OutputImage->RowTable[y];
    if constexpr (Kind != ImageKind::Float) {
        std::memcpy(to, from, size_t(render.Width) * size_t(bytes));
    } else {
        for (std::ptrdiff_t x = 0; x < render.Width; ++x)
            StoredPixel<Kind>::Load(from + bytes * x).Store(to + bytes * x);
    }
}

/// Pixels are found in blocks of this many, then carried: a stack array of their sources.
inline constexpr int32_t kBlockPixels = 128;

/// The source of a pixel whose source lies beyond the frame when the edge rule is off: zero
/// bytes, transparent black in every kind.
alignas(16) constexpr uint8_t kTransparentBlack[16] = {};

/// What finding a row's sources reads. Each loop copies it into locals, which the compiler
/// keeps in registers.
struct RowScatter {
    const int32_t* Table;
    const uint8_t* const* InputRows;
    int32_t Y;
    int32_t SpreadX;
    int32_t SpreadY;
    int32_t LastX;
    int32_t LastY;
    uint32_t Start;
};

/// The addresses of the sources of pixels [begin, end) of the row, into `sources`.
/// `WithinFrame`: every source of these pixels is known to lie inside the frame, so its
/// address is taken as it is. Otherwise the address is that of the clamped source, which is
/// the source itself unless the source lies beyond a border; without the edge rule such a
/// pixel's source is then transparent black.
template <ImageKind Kind, bool DuplicateEdges, bool WithinFrame>
void FindSources(const RowScatter& row, int32_t begin, int32_t end, const uint8_t** sources) {
    constexpr std::ptrdiff_t bytes = PixelBytesOf(Kind);
    const int32_t* const table = row.Table;
    const uint8_t* const* const inputRows = row.InputRows;
    const int32_t y = row.Y, spreadX = row.SpreadX, spreadY = row.SpreadY;
    const int32_t halfX = spreadX / 2, halfY = spreadY / 2, lastX = row.LastX, lastY = row.LastY;

    uint32_t k = row.Start + 2 * uint32_t(begin);
    for (int32_t x = begin; x < end; ++x, k += 2) {
        const int32_t sx = ScatterSource(table[k & kRandomIndexMask], spreadX, x, halfX);
        const int32_t sy = ScatterSource(table[(k + 1) & kRandomIndexMask], spreadY, y, halfY);
        const uint8_t* source;
        if constexpr (WithinFrame) {
            source = inputRows[sy] + bytes * sx;
        } else {
            const int32_t cx = std::clamp(sx, 0, lastX), cy = std::clamp(sy, 0, lastY);
            source = inputRows[cy] + bytes * cx;
            if (!DuplicateEdges && (cx != sx || cy != sy)) source = kTransparentBlack;
        }
        __builtin_prefetch(source);
        *sources++ = source;
    }
}

/// Scatters the row a block at a time: first the sources of the block's pixels, each read
/// started (prefetched) as soon as its address is known, then the pixels themselves. The reads
/// of a block so overlap one another, rather than each waiting at the end of its own chain of
/// table read, product and row lookup; with a spread of many rows most of them miss the
/// caches.
template <ImageKind Kind, bool DuplicateEdges>
void ScatterPixels(const DitherRender& render, int32_t y, uint32_t start) {
    constexpr std::ptrdiff_t bytes = PixelBytesOf(Kind);
    const RowScatter row{
        render.Table.get(), render.InputImage->RowTable, y,    render.SpreadX, render.SpreadY,
        render.Width - 1,   render.Height - 1,           start};
    uint8_t* const outputRow = render.OutputImage->RowTable[y];
    const int32_t width = render.Width;

    // Away from the borders by more than the spread, no source can leave the frame: the
    // middle of such a row needs neither clamps nor tests.
    int32_t middleBegin = width, middleEnd = width;
    const PositionSpan rows = SourcesWithinFrame(row.SpreadY, row.LastY);
    if (y >= rows.Begin && y < rows.End) {
        const PositionSpan columns = SourcesWithinFrame(row.SpreadX, row.LastX);
        middleBegin = std::min(columns.Begin, width);
        middleEnd = std::clamp(columns.End, middleBegin, width);
    }

    const uint8_t* sources[kBlockPixels];
    for (int32_t blockBegin = 0, blockEnd; blockBegin < width; blockBegin = blockEnd) {
        blockEnd = std::min(width - blockBegin, kBlockPixels) + blockBegin;
        const int32_t a = std::clamp(middleBegin, blockBegin, blockEnd);
        const int32_t b = std::clamp(middleEnd, a, blockEnd);
        FindSources<Kind, DuplicateEdges, false>(row, blockBegin, a, sources);
        FindSources<Kind, DuplicateEdges, true>(row, a, b, sources + (a - blockBegin));
        FindSources<Kind, DuplicateEdges, false>(row, b, blockEnd, sources + (b - blockBegin));
        uint8_t* const out = outputRow + bytes * blockBegin;
        for (int32_t i = 0; i < blockEnd - blockBegin; ++i)
            StoredPixel<Kind>::Load(sources[i]).Store(out + bytes * i);
    }
}

} // namespace

void ScatterRow(const DitherRender& render, int32_t y, uint32_t start) {
    frame::WithPixelKind(render.InputImage->Kind, [&]<ImageKind Kind>() {
        if (render.CopiesInput())
            CopyRow<Kind>(render, y);
        else if (render.DuplicateEdges)
            ScatterPixels<Kind, true>(render, y, start);
        else
            ScatterPixels<Kind, false>(render, y, start);
    });
}

void DitherRow(const DitherRender& render, int32_t y, const std::atomic<int>& abortFlag) {
    if (abortFlag) return;
    // Drawn even when the row is a copy: every render takes the same count of values from the
    // process's one generator.
    const uint32_t start = uint32_t(crt::rand()) & kRandomIndexMask;
    ScatterRow(render, y, start);
}

} // namespace vorlings::dither
