// SPDX-License-Identifier: Apache-2.0
// From block displacements to a displacement for every pixel: blocks that disagree with all
// their neighbours are replaced by the neighbours' mean, the blocks are blended bilinearly
// over the cells between their centres, and pixels whose grey value did not change are still.
#pragma once

#include "MotionField.h"

#include <atomic>
#include <cstdint>

namespace vorlings::moblur {

/// How far a block stands out from its eight neighbours: the ratio of its squared length c to
/// their mean squared length m, whichever way round is above 1 (c / m when c > m > 0.001, else
/// m / c when c > 0.001, else 0).
float OutlierRatio(float centre, float neighbourMean);

/// Replaces each block centre at 24, 40, ... (with all eight neighbours at +-16 inside the
/// frame) whose OutlierRatio exceeds `threshold` by its neighbours' mean. Every decision reads
/// the field as the first pass left it, through the two temporary planes (width x height
/// floats each). Checks `abortFlag` before each row of blocks; returns false when it was set.
bool CleanBlockMotion(MotionField& field, float threshold, float* tempX, float* tempY,
                      const std::atomic<int>& abortFlag);

/// Gives every pixel of the cells between four block centres (bx, by), (bx + 16, by),
/// (bx, by + 16) and (bx + 16, by + 16), bx and by from 8 while below width - 16 and
/// height - 16, the bilinear blend of the four. The strips along the borders keep what they
/// hold.
void InterpolateMotion(MotionField& field);

/// Sets the displacement to zero wherever the smoothed grey bytes of the two frames differ by
/// less than `stillDifference`. Checks `abortFlag` before each row; returns false when set.
bool ZeroStillPixels(MotionField& field, const uint8_t* nextGrey, const uint8_t* prevGrey,
                     int32_t stillDifference, const std::atomic<int>& abortFlag);

} // namespace vorlings::moblur
