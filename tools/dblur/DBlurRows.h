// SPDX-License-Identifier: Apache-2.0
// DBlur's worker: the stroke filter over one chunk of rows.
#pragma once

#include "DBlurJob.h"
#include "frame/Chunks.h"

#include <atomic>

namespace vorlings::dblur {

/// Filters rows [rows.Begin, rows.End) of the job's input into its output with the job's taps,
/// through the job's row kernel. Taps that fall outside the picture read the nearest border
/// pixel. Before each row, returns if `abortFlag` is set.
void DBlurRows(const DBlurJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag);

} // namespace vorlings::dblur
