// SPDX-License-Identifier: Apache-2.0
// Which frames a command renders, from its -f list, the input sequence found on disk, or a
// single still, checked against the output's name; shared by render and farm.
#pragma once

#include "InputSources.h"
#include "Sequence.h"

#include <cstdint>
#include <string>
#include <vector>

/// The frames to render; a still is the single frame 0.
struct FramePlan {
    std::vector<int64_t> Frames;
    bool Still = true;
};

/// The frames of `frames` (a "-f" list), else those of the first input sequence on disk,
/// else the still. Throws a CommandError: exit 2 for a bad list, an output sequence without
/// frames or several frames for a plain output name; exit 1 when no frame of the input
/// sequence is on disk.
FramePlan PlanFrames(const std::string& frames, const FramePattern& output,
                     const InputSources& inputs);
