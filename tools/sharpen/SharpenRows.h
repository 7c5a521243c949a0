// SPDX-License-Identifier: Apache-2.0
// Sharpen's worker: the unsharp mask over one chunk of rows.
#pragma once

#include "SharpenJob.h"
#include "frame/Chunks.h"

#include <atomic>

namespace vorlings::sharpen {

/// Sharpens rows [rows.Begin, rows.End) of the job's input into its output, on the vector unit
/// when the job says so (with the same bits as the plain loop). Before each row, returns if
/// `abortFlag` is set.
void SharpenRows(const SharpenJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag);

} // namespace vorlings::sharpen
