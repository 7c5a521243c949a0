// SPDX-License-Identifier: Apache-2.0
// Clean's worker: the median filter over one chunk of rows.
#pragma once

#include "CleanJob.h"
#include "frame/Chunks.h"

#include <atomic>

namespace vorlings::clean {

/// Filters rows [rows.Begin, rows.End) of the job's input into its output. Returns at once,
/// writing nothing, when `abortFlag` is set as the chunk starts.
void CleanRows(const CleanJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag);

} // namespace vorlings::clean
