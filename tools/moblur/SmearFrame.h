// SPDX-License-Identifier: Apache-2.0
// From a motion field to the blurred frame: the smear pass into five planes, a pyramid of the
// planes whose coarser averages fill the places the smear left thin, and the normalised output.
#pragma once

#include "MotionField.h"
#include "SmearRows.h"

#include "host/Image.h"

#include <atomic>
#include <functional>

namespace vorlings::moblur {

/// How the smear is weighted, from the tool's controls.
struct SmearSettings {
    int32_t Steps = 10; ///< below 2 acts as 2: a smear has at least its two ends
    float StartWeight = 1.0f;
    float EndWeight = 1.0f;
    float LengthScale = 1.0f;
};

/// Runs SmearRows over every chunk of the job (the tool: on its worker threads).
using SmearPass = std::function<void(const SmearJob&)>;

/// Mean of each 2 x 2 block of a width x height plane into `next` (width / 2 x height / 2).
void HalvePlane(const float* plane, int32_t width, int32_t height, float* next);

/// Smears `next` (frame t + 1) along `field` toward `prev` (frame t) and writes the normalised
/// result into `output`. Renders nothing when memory is short; stops when `abortFlag` is set
/// (checked before the pass, before each pyramid level and before each output row).
void SmearFrame(Image& output, const Image& next, const Image& prev, const MotionField& field,
                SmearSettings settings, const frame::ChunkSplit& split,
                const std::atomic<int>& abortFlag, const SmearPass& smearPass);

} // namespace vorlings::moblur
