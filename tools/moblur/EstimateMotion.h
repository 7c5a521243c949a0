// SPDX-License-Identifier: Apache-2.0
// Motion between frame t and frame t + 1: grey pyramids, block matching on the worker threads,
// then the clean-up, the interpolation to every pixel and the still pixels on this thread.
#pragma once

#include "BlockMatch.h"
#include "MotionField.h"

#include "host/Image.h"

#include <atomic>
#include <functional>
#include <optional>

namespace vorlings::moblur {

/// What the estimation takes from the tool's controls, in pixels of frame t.
struct MotionSettings {
    int32_t Left = 0, Right = 0; ///< the bounding region, columns
    int32_t Top = 0, Bottom = 0; ///< and rows from the top
    float SmoothingWidth = 2.5f;
    int32_t StillDifference = 1;
    float Threshold = 2.0f;
    MatchUnit Unit = MachineMatchUnit(); ///< where blocks are matched
};

/// Runs MatchBlockRows over every chunk of the job (the tool: on its worker threads).
using MatchPass = std::function<void(const MotionJob&)>;

/// The displacement of every pixel of `next` (frame t + 1) toward `prev` (frame t), both read
/// as width x height, the blocks matched in the chunks of `split`; nothing when `abortFlag` is set
/// at any check or memory is short.
std::optional<MotionField> EstimateMotion(const Image& next, const Image& prev, int32_t width,
                                          int32_t height, const MotionSettings& settings,
                                          const frame::ChunkSplit& split,
                                          const std::atomic<int>& abortFlag,
                                          const MatchPass& matchPass);

} // namespace vorlings::moblur
