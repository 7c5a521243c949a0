// SPDX-License-Identifier: Apache-2.0
// Drawing one traced spot into the light planes: coloured, clipped to a chunk's band of rows,
// cut into a fan of triangles around its centroid, scan-converted at 2 x 2 sub-samples per
// pixel and shaded sample by sample. Sub-sample (xs, ys) belongs to pixel (xs / 2, ys / 2); a
// sample is covered when its centre (xs + 0.5, ys + 0.5) lies in a triangle, edges included.
//
// Rules that keep chunks apart: the clipping rectangle and the drawing bounds both stop at
// the band's rows, so a chunk adds light only into its own rows of the planes; the edge that
// a band's clipping cuts gets no edge boost, so a spot straddling two chunks shows no seam.
#pragma once

#include "SpotRecords.h"

#include <atomic>
#include <cstdint>

namespace vorlings::flarespot {

/// The rectangle a spot is clipped to, in sub-samples.
struct ClipRect {
    float Left, Right, Top, Bottom;
};

/// The sub-sample columns and rows a chunk may draw, both ends included.
struct DrawBounds {
    int32_t FirstColumn, LastColumn;
    int32_t FirstRow, LastRow;
    bool Vector = false; ///< spans are shaded on the vector unit (AVX2), to the same bits
};

/// Every sample of a fan triangle receives the triangle's light this many times.
inline constexpr int32_t kFanPasses = 3;

/// A plane value past which every output word it reaches is saturated; planes stop there so
/// that no amount of overlapping light can overflow them.
inline constexpr int32_t kPlaneCeiling = 1 << 30;
/// The largest colour amount of a spot, so that one sample's light stays below the ceiling.
inline constexpr int32_t kLargestAmount = 1 << 27;

/// Draws the traced spot `spot` (lens coordinates; converted in place) of surface `i` of
/// `last` + 1 into rows [y0, y1) of `planes`, on the vector unit when `vector`. Returns early,
/// leaving the spot unfinished, when `abortFlag` is set.
void DrawSpot(const LightPlanes& planes, SpotRecord& spot, int32_t i, const SpotParams& params,
              int32_t y0, int32_t y1, int32_t last, const std::atomic<int>& abortFlag,
              bool vector = false);

/// Whether this machine has the vector unit that spans can be shaded on.
bool VectorUnitAvailable();

/// Clips the polygon of `spot` to `rect` (Sutherland-Hodgman, against the sides it crosses in
/// the order left, right, top, bottom). False when nothing of it is left.
bool ClipToBand(SpotRecord& spot, const ClipRect& rect);

/// Adds the light of `triangle` `passes` times to every covered sample within `bounds`.
void ScanTriangle(const FanTriangle& triangle, const DrawBounds& bounds, const LightPlanes& planes,
                  int32_t passes);

/// Shades the samples of sub-sample row y from ceil(left - 0.5) to floor(right - 0.5), within
/// `bounds`, adding the light of `triangle` `passes` times.
void ShadeSpan(int32_t y, float left, float right, const DrawBounds& bounds,
               const FanTriangle& triangle, const LightPlanes& planes, int32_t passes);

} // namespace vorlings::flarespot
