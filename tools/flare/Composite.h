// SPDX-License-Identifier: Apache-2.0
// Pass 2: the accumulated flare through the contrast curve, added onto the background; and
// the picture a render shows when its two inputs differ in size.
#pragma once

#include "FlareJob.h"
#include "frame/Chunks.h"

#include <atomic>

namespace vorlings::flare {

/// The 14-bit level of an accumulated plane value: rounded to nearest and limited to
/// 0..16383, whatever the value's size.
int32_t PlaneLevel(float value);

/// Writes output rows [rows.Begin, rows.End): each background word (14-bit) plus the flare
/// level through the contrast curve, alpha plus the flare's weighted level, each limited to
/// 16383. Checks `abortFlag` before each row.
void CompositeChunk(const FlareJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag);

/// A dark grey frame crossed by a 20-pixel-wide red band from the top-left corner to the
/// bottom-right one.
void DrawSizeMismatch(Image& output);

} // namespace vorlings::flare
