// SPDX-License-Identifier: Apache-2.0
// Clean's rows for large windows, from column histograms that slide down the picture: the
// value the histogram walk finds, at a cost per pixel that barely grows with the window.
#pragma once

#include "CleanJob.h"
#include "frame/Chunks.h"

namespace vorlings::clean {

/// Whether the column histograms serve the job's window: one wider and higher than 5 x 5
/// pixels, with columns (as clipped to the picture) below 32768 pixels high.
bool ColumnsServe(const CleanJob& job);

/// Filters rows [rows.Begin, rows.End) of the job's input into its output; only for a job that
/// ColumnsServe. The chunk's column histograms start from its first row's window, so the words
/// do not depend on how the rows are split.
void ColumnRows(const CleanJob& job, frame::ChunkRange rows);

} // namespace vorlings::clean
