// SPDX-License-Identifier: Apache-2.0
// One row of contours, from the channel words of the row and of its neighbour row. A pixel is
// lit in a channel when the 2 x 2 block that it starts (the pixel, its neighbour column, and
// the same two in the neighbour row) holds words both above and not above the level.
//
// Rows come as 4 words a pixel (blue, green, red, alpha), however the image stores them, so
// the rule is written once over words and the image's kind is looked at once per chunk.
#pragma once

#include <cstdint>

namespace vorlings::trace {

/// The neighbour of index `i` among `count` columns of a row (or rows of a picture): the next
/// one, or the one before for the last. A picture one pixel wide or high has no other column or
/// row, so there the pixel is its own neighbour: a lone column is traced only along its length,
/// a lone row only across, and a single pixel never lights.
constexpr int32_t Neighbour(int32_t i, int32_t count) {
    return i + 1 < count ? i + 1 : i > 0 ? i - 1 : i;
}

/// The crossing table, indexed by the code of a 2 x 2 block: 8 when the pixel lies above the
/// level, 4 its neighbour column, 1 its neighbour row, 2 the diagonal one. Lit (65535) when
/// some but not all of the four lie above.
inline constexpr uint16_t kCrossing[16] = {0,     65535, 65535, 65535, 65535, 65535, 65535, 65535,
                                           65535, 65535, 65535, 65535, 65535, 65535, 65535, 0};

/// The choices of one render.
struct ContourStyle {
    int32_t Level;     ///< L: a word lies above the level when word > L (signed)
    bool Mono;         ///< a line in any colour channel is white in all three
    bool ContourAlpha; ///< alpha traces the input's alpha, instead of marking every line
    bool OverImage;    ///< words that are not lit keep the input's, instead of 0
};

/// Whether this machine runs the vector kernel (AVX2).
bool VectorUnitAvailable();

/// Traces `width` pixels into `out` (4 words a pixel): `row` holds the pixels, `neighbourRow`
/// the row they are compared with (the row itself for a picture one row high). With `vector`
/// (when VectorUnitAvailable()) most of the row runs on the vector unit, to the same words.
void ContourRow(const uint16_t* row, const uint16_t* neighbourRow, int32_t width,
                const ContourStyle& style, uint16_t* out, bool vector);

} // namespace vorlings::trace
