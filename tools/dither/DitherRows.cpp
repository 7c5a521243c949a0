// SPDX-License-Identifier: Apache-2.0
#include "DitherRows.h"

#include "ScatterSource.h"
#include "StoredPixel.h"
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

template <ImageKind Kind, bool DuplicateEdges>
void ScatterPixels(const DitherRender& render, int32_t y, uint32_t start) {
    constexpr std::ptrdiff_t bytes = PixelBytesOf(Kind);
    const int32_t* const table = render.Table.get();
    const uint8_t* const* const inputRows = render.InputImage->RowTable;
    uint8_t* const outputRow = render.OutputImage->RowTable[y];
    const int32_t spreadX = render.SpreadX, spreadY = render.SpreadY;
    const int32_t halfX = spreadX / 2, halfY = spreadY / 2;
    const int32_t lastX = render.Width - 1, lastY = render.Height - 1;

    uint32_t k = start;
    for (int32_t x = 0; x < render.Width; ++x, k += 2) {
        const int32_t sx = ScatterSource(table[k & kRandomIndexMask], spreadX, x, halfX);
        const int32_t sy = ScatterSource(table[(k + 1) & kRandomIndexMask], spreadY, y, halfY);
        // The read is always inside the frame: at the clamped source, which is the source
        // itself unless the source lies beyond a border. Without the edge rule such a pixel is
        // then masked to transparent black, so no pixel costs a branch on where it fell.
        const int32_t cx = std::clamp(sx, 0, lastX), cy = std::clamp(sy, 0, lastY);
        auto pixel = StoredPixel<Kind>::Load(inputRows[cy] + bytes * cx);
        if constexpr (!DuplicateEdges) pixel = pixel.KeptIf(cx == sx && cy == sy);
        pixel.Store(outputRow + bytes * x);
    }
}

} // namespace

void ScatterRow(const DitherRender& render, int32_t y, uint32_t start) {
    WithPixelKind(render.InputImage->Kind, [&]<ImageKind Kind>() {
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
