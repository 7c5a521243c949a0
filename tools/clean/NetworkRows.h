// SPDX-License-Identifier: Apache-2.0
// Clean's rows for windows of at most 5 x 5 pixels, by selection networks: the value the
// histogram walk finds, without a histogram.
#pragma once

#include "CleanJob.h"
#include "frame/Chunks.h"

namespace vorlings::clean {

/// Whether the job's window is one the networks serve: HalfWidth and HalfHeight 1 or 2.
bool NetworkServes(const CleanJob& job);

/// Filters rows [rows.Begin, rows.End) of the job's input into its output; only for a job that
/// NetworkServes, on a machine with AVX2. Windows that lie wholly inside the picture run on the
/// vector unit; the clipped windows at the borders, whose counts differ, are sorted one by one.
void NetworkRows(const CleanJob& job, frame::ChunkRange rows);

} // namespace vorlings::clean
