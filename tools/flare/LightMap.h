// SPDX-License-Identifier: Apache-2.0
// Which pixels emit light, and how much: the light map written into the work image before
// the passes, with its reflection ghosts.
#pragma once

#include "FlareJob.h"

namespace vorlings::flare {

/// Writes the light map of `job` into its work image: in point mode one pixel of the point
/// colour, otherwise the source pixels inside the region whose mean level lies between the
/// thresholds (words 0..2 the colour, word 3 the mean); every other pixel black. Then adds
/// the reflection ghosts, using the output image as the snapshot of the map without them.
void PrepareLightMap(const FlareJob& job);

/// Adds the ghosts of every light pixel of `snapshot` into `work`: ghost k of m - 1 lies at
/// -(k / (m - 1)) x `shift` of the pixel's offset from the frame centre, with
/// `reflectivity` / (k + 1) of its level.
void AddReflections(const Image& snapshot, Image& work, int32_t ghostsPlusOne, float reflectivity,
                    float shift);

} // namespace vorlings::flare
