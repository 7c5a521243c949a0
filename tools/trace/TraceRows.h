// SPDX-License-Identifier: Apache-2.0
// Trace's worker: the contours of one chunk of rows.
#pragma once

#include "TraceJob.h"
#include "frame/Chunks.h"

#include <atomic>

namespace vorlings::trace {

/// Traces rows [rows.Begin, rows.End) of the job's input into its output. Checks `abortFlag`
/// before every row and returns at once when it is set.
void TraceRows(const TraceJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag);

} // namespace vorlings::trace
