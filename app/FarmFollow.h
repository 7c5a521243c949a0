// SPDX-License-Identifier: Apache-2.0
// "farm --wait": follows a submitted job array to its end, showing how many of the frames
// asked for are finished, then checks that every output frame is there and reads as an image.
#pragma once

#include "FarmScript.h"
#include "Sequence.h"

#include <cstdint>
#include <string>
#include <vector>

/// What a job left behind: the frames whose output is missing or unreadable, and the tasks
/// that failed (their status says so, or they left none and frames of theirs are missing).
struct FarmOutcome {
    std::vector<int64_t> Missing;
    std::vector<size_t> FailedTasks;
};

/// Checks every output frame of `chunks` and the status of the tasks in `tasks`.
FarmOutcome CheckFarmOutputs(const FramePattern& output,
                             const std::vector<std::vector<int64_t>>& chunks,
                             const std::vector<size_t>& tasks, const FarmPlaces& places);

/// Follows job `jobId` until squeue says it is over, then checks its outputs. Returns exit
/// status 0 when every frame is there; otherwise throws a CommandError (exit 1) naming the
/// missing frames and the failed tasks' logs. An interrupt leaves the job running (exit 130).
int FollowFarmJob(const std::string& jobId, const FramePattern& output,
                  const std::vector<std::vector<int64_t>>& chunks, const std::vector<size_t>& tasks,
                  const FarmPlaces& places);
