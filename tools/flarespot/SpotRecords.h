// SPDX-License-Identifier: Apache-2.0
// The records FlareSpot's setup fills and its tracing and spot pass read. Every record has a
// fixed capacity, so nothing is allocated while a chunk traces or draws.
#pragma once

#include <cstdint>

namespace vorlings::flarespot {

inline constexpr int kMaxSurfaces = 50;
inline constexpr int kMaxVertices = 90;
inline constexpr int kMinSides = 3;
inline constexpr int kMaxSides = 80;
/// The 14-bit working scale of channel values, saturations and hues.
inline constexpr int32_t kFull14 = 16383;

/// The spot parameters of one render, from the controls. Source and destination are in lens
/// coordinates: the image spans -1 to +1 on both axes whatever its shape (x = -1 the left edge
/// of column 0, y = -1 the top edge of row 0).
struct SpotParams {
    float SourceRadius;
    int32_t Sides; ///< 3..80
    float SourceX, SourceY;
    float DestinationX, DestinationY;
    float MinimumScale;
    float MaximumScale;
    float Brightness;
    float Defocus;
    float Saturation;
    int32_t StartHue; ///< 0..16383
    int32_t EndHue;
    int32_t EdgeBoost;      ///< 0 or 1
    int32_t ColourOverride; ///< nonzero: hues run from StartHue to EndHue
};

/// The pixels [First, End) of one row of the planes that the spots have reached.
struct LitSpan {
    int32_t First;
    int32_t End;
};

/// The light of the spots, summed over each pixel's 2 x 2 sub-samples on the 14-bit scale.
struct LightPlanes {
    int32_t Width;
    int32_t Height;
    int32_t* Red; ///< Width x Height, row by row
    int32_t* Green;
    int32_t* Blue;
    /// One span per row. Plane words outside a row's span count as zero and are neither
    /// cleared nor read: a chunk empties its rows' spans instead of clearing its band, and the
    /// drawing clears the words a span takes in as it widens.
    LitSpan* Lit;
};

/// One optical surface on the lens axis.
struct LensSurface {
    float Radius;   ///< 0: a plane; else a sphere whose centre is at Position - Radius
    float Position; ///< on the axis
    float Third;    ///< 1 in every row; read by nothing
    float SizeFactor;
};

struct LensTable {
    int32_t Count;
    LensSurface Surfaces[kMaxSurfaces];
};

struct SpotVertex {
    float X, Y;
};

/// A traced spot (kCapacity = kMaxVertices) or one triangle of its fan (kCapacity = 3).
/// Lens coordinates after tracing, sub-samples once drawing starts.
template <int kCapacity>
struct SpotShape {
    int32_t VertexCount;
    int32_t SubSampling; ///< always 2
    int32_t Red, Green, Blue;
    int32_t Largest; ///< the largest of the three amounts
    float CentreX, CentreY;
    float SourceRadius;   ///< R
    float SpotRadius;     ///< M: the farthest vertex from the centre
    float LightX, LightY; ///< the rays' direction, negated: towards the source
    float Defocus;
    int32_t EdgeBoost;
    float BandTop, BandBottom; ///< sub-sample rows of the chunk's band
    SpotVertex Vertices[kCapacity];
};

using SpotRecord = SpotShape<kMaxVertices>;
using FanTriangle = SpotShape<3>;

} // namespace vorlings::flarespot
