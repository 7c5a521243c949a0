// SPDX-License-Identifier: Apache-2.0
#include "ContourRow.h"

#include "ContourRow.simd.h"
#include "frame/CpuFeatures.h"

#include <algorithm>
#include <cstddef>

namespace vorlings::trace {

namespace {

constexpr int kWords = 4;

// Pixels [from, width) of the row, one channel word at a time as the rule reads.
void PlainPixels(const uint16_t* row, const uint16_t* neighbourRow, int32_t from, int32_t width,
                 const ContourStyle& style, uint16_t* out) {
    const int32_t level = style.Level;
    for (int32_t x = from; x < width; ++x) {
        const size_t here = size_t(x) * kWords, next = size_t(Neighbour(x, width)) * kWords;
        int32_t e[kWords];
        for (int k = 0; k < kWords; ++k) {
            const int32_t a = row[here + k], b = row[next + k];
            const int32_t c = neighbourRow[here + k], d = neighbourRow[next + k];
            e[k] = kCrossing[(a > level) * 8 + (b > level) * 4 + (c > level) * 1 + (d > level) * 2];
        }
        if (style.Mono && (e[0] != 0 || e[1] != 0 || e[2] != 0)) e[0] = e[1] = e[2] = 65535;
        if (!style.ContourAlpha) e[3] = std::max({e[0], e[1], e[2]});
        for (int k = 0; k < kWords; ++k)
            out[here + k] = uint16_t(style.OverImage && e[k] == 0 ? row[here + k] : e[k]);
    }
}

} // namespace

bool VectorUnitAvailable() {
    return frame::MachineFeatures().Avx2;
}

void ContourRow(const uint16_t* row, const uint16_t* neighbourRow, int32_t width,
                const ContourStyle& style, uint16_t* out, bool vector) {
    int32_t done = 0;
    if (vector && VectorUnitAvailable())
        done = simd::ContourPixels(row, neighbourRow, width, style, out);
    PlainPixels(row, neighbourRow, done, width, style, out);
}

} // namespace vorlings::trace
