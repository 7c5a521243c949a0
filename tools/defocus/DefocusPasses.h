// SPDX-License-Identifier: Apache-2.0
// Defocus's two passes, one algorithm along two axes: the row pass filters the input along
// rows into the intermediate image, chunk by chunk of rows; the column pass filters the
// intermediate along columns into the output, chunk by chunk of columns.
#pragma once

#include "DefocusJob.h"
#include "frame/Chunks.h"
#include "frame/PixelRows.h"

#include <atomic>

namespace vorlings::defocus {

/// Columns the column pass takes at once: a strip whose rows, padded above and below, stay in
/// the cache while the taps walk down them.
inline constexpr int32_t kStripPixels = 32;
inline constexpr int32_t kStripWords = kStripPixels * frame::kWordsPerPixel;

/// Filters rows [rows.Begin, rows.End) of the input along the rows into the intermediate
/// image. Returns at once, writing nothing, when `abortFlag` is set as the chunk starts.
void RowPass(const DefocusJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag);

/// Filters columns [columns.Begin, columns.End) of the intermediate image along the columns
/// into the output. Returns at once, writing nothing, when `abortFlag` is set as the chunk
/// starts.
void ColumnPass(const DefocusJob& job, frame::ChunkRange columns,
                const std::atomic<int>& abortFlag);

} // namespace vorlings::defocus
