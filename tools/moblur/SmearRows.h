// SPDX-License-Identifier: Apache-2.0
// The second pass of MoBlur: every pixel of frame t + 1 is smeared along its displacement in
// weighted steps, its colour blending toward the colour frame t had where it came from, into
// five accumulation planes. Every chunk walks the whole frame and adds only into its own rows,
// so no plane element is written by two chunks.
#pragma once

#include "FrameWords.h"
#include "MotionField.h"

#include "frame/Chunks.h"

#include <atomic>
#include <cstdint>

namespace vorlings::moblur {

/// Planes of the smear, each width x height floats, row by row: the colour words times their
/// weights (red from word 2, green 1, blue 0, alpha 3) and the weights.
struct SmearPlanes {
    float* Red;
    float* Green;
    float* Blue;
    float* Alpha;
    float* Weight;
};

/// What every chunk of the second pass reads.
struct SmearJob {
    const FrameWords* Next; ///< frame t + 1, smeared
    const FrameWords* Prev; ///< frame t, where the far ends take their colour
    int32_t Width;
    int32_t Height;
    int32_t Steps; ///< at least 2
    const MotionField* Field;
    float LengthScale;
    float StartWeight;
    float EndWeight;
    SmearPlanes Planes;
    frame::ChunkSplit Split; ///< by rows
};

/// `v` held to lo..hi; NaN goes to lo.
inline float HeldInside(float v, float lo, float hi) {
    if (!(v >= lo)) v = lo;
    if (v > hi) v = hi;
    return v;
}

/// Adds the smear of every pixel whose path reaches `rows` into those rows of the planes.
/// Checks `abortFlag` before each row of frame t + 1.
void SmearRows(const SmearJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag);

} // namespace vorlings::moblur
