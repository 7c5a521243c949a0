// SPDX-License-Identifier: Apache-2.0
// The optical model behind the spots: four lenses as lists of spherical and flat surfaces on
// one axis, and the tracing of a bundle of parallel rays, whose cross-section is the light
// source's polygon, from the front of a lens to one of its surfaces. Where the bundle meets
// the surface gives a spot's polygon; where its central ray meets it, the spot's centre.
//
// Lens space: after normalisation the axis (z) runs from +1 at the first surface to -1 at the
// last; x and y are lens coordinates, in which the image spans -1 to +1. Rays enter at
// z = +1 and travel towards negative z.
#pragma once

#include "SpotRecords.h"

#include <array>

namespace vorlings::flarespot {

inline constexpr int kLensCount = 4;
using LensTables = std::array<LensTable, kLensCount>;

/// The lenses in "Lens Type" order, each normalised.
void BuildLensTables(LensTables& tables);

/// Moves and scales `table` in place so that its first surface lies at +1 and its last at -1;
/// curvature radii scale with the positions, so every surface keeps its shape.
void NormaliseLens(LensTable& table);

/// The table for "Lens Type" n (the control + 0.5, truncated): 0 to 3 pick the four lenses in
/// order, any other value the second.
const LensTable& SelectLens(const LensTables& tables, int32_t n);

struct Ray {
    float Origin[3];
    float Direction[3]; ///< a unit vector
};

/// Whether `ray` meets surface `i` of `table` on the surface's own cap (for a sphere, the side
/// of its centre on which the surface's vertex lies); the meeting point goes to `hit`.
bool IntersectSurface(const LensTable& table, int i, const Ray& ray, float hit[3]);

/// Traces the source polygon of `params` through `table` to surface `i` into `spot`, in lens
/// coordinates. False (the spot is not drawn) when a vertex ray misses the surface.
bool TraceSpot(const LensTable& table, int i, const SpotParams& params, SpotRecord& spot);

} // namespace vorlings::flarespot
