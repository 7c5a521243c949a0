// SPDX-License-Identifier: Apache-2.0
// FlareSpot's worker: each chunk traces every spot of the lens for itself, draws the light
// that falls in its own band of rows into the planes, and lays its rows of the planes over
// the input.
#pragma once

#include "FlareSpotJob.h"

#include <atomic>

namespace vorlings::flarespot {

/// The chunk of rows [rows.Begin, rows.End): clears its rows of the planes, then RenderSpots
/// and CompositeBand.
void FlareSpotRows(const FlareSpotJob& job, frame::ChunkRange rows,
                   const std::atomic<int>& abortFlag);

/// Traces every surface of the job's lens and draws each spot that met its surface into rows
/// [y0, y1) of the planes. Stops before the next spot when `abortFlag` is set.
void RenderSpots(const FlareSpotJob& job, int32_t y0, int32_t y1,
                 const std::atomic<int>& abortFlag);

/// Adds the planes' light to the input over rows [y0, y1) and writes the output: each
/// channel on the 14-bit scale plus a quarter of its plane (the sum of four sub-samples),
/// alpha plus 77/256 red, 128/256 green and 51/256 blue of that light; clamped at 16383 and
/// written times 4. Checks `abortFlag` before every row.
void CompositeBand(const FlareSpotJob& job, int32_t y0, int32_t y1,
                   const std::atomic<int>& abortFlag);

} // namespace vorlings::flarespot
