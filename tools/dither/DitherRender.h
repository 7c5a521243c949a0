// SPDX-License-Identifier: Apache-2.0
// What every row of a Dither render reads: the render's images, spreads, edge rule and
// direction, and its random table.
#pragma once

#include "host/Image.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

namespace vorlings::dither {

/// Entries of the random table, and the mask that keeps an index within it.
inline constexpr int32_t kRandomTableSize = 32768;
inline constexpr uint32_t kRandomIndexMask = 0x7FFF;

/// Gives a block back to the C allocator.
struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};

/// kRandomTableSize values of the host's rand (0 to 32767), made anew for every render.
using RandomTable = std::unique_ptr<int32_t[], FreeBlock>;

/// An unfilled table from the C allocator; null when memory is short.
RandomTable AllocateRandomTable();

/// Seeds the host's generator with `seed`, then fills `table` in index order with
/// kRandomTableSize successive values of rand.
void FillRandomTable(int32_t* table, unsigned seed);

/// The fields of one render, in the tool object only while its rows run.
struct DitherRender {
    const Image* InputImage;
    Image* OutputImage;
    int32_t Width;
    int32_t Height;
    int32_t Spread;         ///< trunc("Radius" x Width)
    int32_t SpreadX;        ///< trunc(Spread / XScale); 0 for "Vertical"
    int32_t SpreadY;        ///< trunc(Spread / PixelAspect); 0 for "Horizontal"
    int32_t DuplicateEdges; ///< 1: a source beyond the frame is clamped to its border; 0: none
    int32_t Direction;      ///< 0 "Both", 1 "Horizontal", 2 "Vertical"
    RandomTable Table;

    /// Spreads of 0 or 1 put every pixel's source on the pixel itself: each row is a copy.
    bool CopiesInput() const {
        return (SpreadX == 0 || SpreadX == 1) && (SpreadY == 0 || SpreadY == 1);
    }
};

/// The render's fields from the control values (each truncated toward zero; the edge rule on
/// for any value of 1 or more; a direction other than 1 or 2 scatters both ways) and the
/// input's size, XScale and PixelAspect, with a table filled after seeding the host's rand with
/// `seed`. Nothing when the table cannot be allocated: then no row renders.
std::optional<DitherRender> MakeDitherRender(double radius, double duplicateEdges, double direction,
                                             unsigned seed, const Image& input, Image& output);

} // namespace vorlings::dither
