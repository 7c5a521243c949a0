// SPDX-License-Identifier: Apache-2.0
// Pass 1: every light pixel of the work image spreads its halo, streaks and glow into the
// accumulation planes. A light pixel anywhere can reach any row, so every chunk scans the
// whole work image and adds only into its own plane rows: no element is written by two
// chunks, and every element receives its contributions in one fixed order (light pixels by
// row, then column; for each the halo, the streaks, the glow), whatever the chunk count.
#pragma once

#include "FlareJob.h"
#include "frame/Chunks.h"

#include <atomic>

namespace vorlings::flare {

/// The accumulation planes in the job's layout (channel c of (column, row) at
/// kPlaneStride x (row x Width + column) + c), and the rows that one chunk may add into.
struct PlaneRows {
    float* Planes;
    int32_t Width;
    int32_t Height;
    frame::ChunkRange Rows;
};

/// Adds every light pixel's halo, streaks and glow into plane rows [rows.Begin, rows.End).
/// Checks `abortFlag` before each row of the work image.
void ScatterChunk(const FlareJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag);

/// One half-streak from the light (x, y) of 14-bit colour (red, green, blue): an antialiased
/// line in direction `rotation` degrees plus the draw's angle (plus half a turn for side 1),
/// (factor + 1) x `length` pixels long, coloured by the streak profile and fading out over its
/// last 15 per cent. A step whose cell lies in the frame adds the cell if its row is one of
/// the chunk's, and its neighbour across the line if the neighbour's row is.
void DrawStreak(const PlaneRows& planes, int32_t x, int32_t y, const FlareKernel& profile,
                const StreakDraw& draw, int side, int32_t red, int32_t green, int32_t blue,
                float rotation, int32_t length, float aspect);

/// Adds `count` kernel cells (red, green, blue, 0), scaled by the light's channels, into
/// `count` pixels of a plane row: plane value += light channel x cell value, value by value.
void AddKernelRow(float* planes, const float* cells, float lightRed, float lightGreen,
                  float lightBlue, int32_t count, RowAdder adder);

} // namespace vorlings::flare
