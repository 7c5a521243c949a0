// Clean's worker: the median filter over one chunk of rows.
#pragma once

#include "CleanJob.h"
#include "frame/Chunks.h"

#include <atomic>

/// Filters rows [rows.Begin, rows.End) of the job's input into its output. Returns at once,
/// writing nothing, when `abortFlag` is set as the chunk starts.
void CleanRows(const CleanJob& job, ChunkRange rows, const std::atomic<int>& abortFlag);
