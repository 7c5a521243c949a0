// SPDX-License-Identifier: Apache-2.0
// CrashZoom's worker: the streak of every pixel of one chunk of rows.
#pragma once

#include "CrashZoomJob.h"
#include "frame/Chunks.h"

#include <atomic>

namespace vorlings::crashzoom {

/// Renders rows [rows.Begin, rows.End) of the job's output from its input. Checks `abortFlag`
/// before every row and returns at once when it is set.
void CrashZoomRows(const CrashZoomJob& job, frame::ChunkRange rows,
                   const std::atomic<int>& abortFlag);

} // namespace vorlings::crashzoom
