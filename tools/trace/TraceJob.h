// SPDX-License-Identifier: Apache-2.0
// What every chunk of a Trace render reads.
#pragma once

#include "ContourRow.h"
#include "frame/Chunks.h"
#include "host/Image.h"

#include <cstdint>

namespace vorlings::trace {

struct TraceJob {
    const Image* InputImage;
    Image* OutputImage;
    int32_t Width;
    int32_t Height;
    int32_t Color;           ///< 0 RGB: each channel its own lines; 1 MONO: white lines
    int32_t OverImage;       ///< 1: lines over the input; 0: lines on transparent black
    int32_t Level;           ///< L: a channel word lies above the level when word > L
    int32_t ContourAlpha;    ///< 1: alpha traces the input's alpha; 0: alpha marks every line
    frame::ChunkSplit Split; ///< by rows
    bool Vector;             ///< rows are traced on the vector unit

    /// The choices of this render as the row kernel takes them.
    ContourStyle Style() const { return {Level, Color == 1, ContourAlpha == 1, OverImage == 1}; }
};

/// The job of one render: L = trunc("Level" x 65535.0), any 32-bit value (a level beyond the
/// 16-bit range simply lights nothing); the check boxes and the combo box truncated and held to
/// 0..1, so that any value of 1 or more means on (MONO), and anything below 1 off (RGB); the
/// chunk split.
TraceJob MakeTraceJob(double level, double overImage, double color, double contourAlpha,
                      const Image& input, Image& output, bool vector = VectorUnitAvailable());

} // namespace vorlings::trace
