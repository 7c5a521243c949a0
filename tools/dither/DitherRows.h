// SPDX-License-Identifier: Apache-2.0
// Dither's worker: one row of the output per chunk.
#pragma once

#include "DitherRender.h"

#include <atomic>
#include <cstdint>

namespace vorlings::dither {

/// Row `y` of the render: draws the row's start index in the random table from the host's rand
/// on the calling thread, then scatters the row (ScatterRow). Returns at once, drawing and
/// writing nothing, when `abortFlag` is set as the row starts.
void DitherRow(const DitherRender& render, int32_t y, const std::atomic<int>& abortFlag);

/// Row `y` of the output from the table entries from `start` on, two per pixel from left to
/// right (the first places the source along the row, the second along the column, each index
/// taken modulo the table size). A source beyond the frame gives transparent black, or with the
/// edge rule on the input pixel at the nearest border. The output is of the input's size and
/// kind; each pixel is the one the input's ReadPixel and the output's WritePixel would carry.
void ScatterRow(const DitherRender& render, int32_t y, uint32_t start);

} // namespace vorlings::dither
