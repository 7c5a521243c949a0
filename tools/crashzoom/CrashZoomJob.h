// SPDX-License-Identifier: Apache-2.0
// What every chunk of a CrashZoom render reads.
#pragma once

#include "frame/Chunks.h"
#include "host/Image.h"
#include "host/Parameter.h"

#include <cstdint>

namespace vorlings::crashzoom {

/// Finest oversampling index: a grid 16 times finer than the pixels. The combo box offers
/// 0 to 3; any other value is held to 0..kFinestOversampling.
inline constexpr int32_t kFinestOversampling = 4;

struct CrashZoomJob {
    int32_t Width;
    int32_t Height;
    const Image* InputImage;
    Image* OutputImage;
    float CenterX;           ///< "XY Center" X x width, in pixels
    float CenterY;           ///< "XY Center" Y x height, in rows from the top
    float ClearRadius;       ///< "Clear Area Radius" x width x 0.5, in pixels
    float Speed;             ///< streak length per pixel of distance beyond the clear circle
    float PixelAspect;       ///< the input's; vertical distances are measured times this
    int32_t Oversampling;    ///< 0..4: the streak is walked on a grid 2^Oversampling times finer
    frame::ChunkSplit Split; ///< by rows

    /// A speed of 0 gives every pixel a streak of one sample, itself: the render is a copy.
    bool CopiesInput() const { return Speed == 0.0f; }
};

/// The job of one render from the control values, stored as 32-bit floats where the tool's
/// arithmetic keeps them, and the chunk split.
CrashZoomJob MakeCrashZoomJob(Point center, double clearAreaRadius, double speed,
                              double oversampling, const Image& input, Image& output);

} // namespace vorlings::crashzoom
