// SPDX-License-Identifier: Apache-2.0
// The displacement of every pixel of frame t + 1: the content at (x, y) in frame t + 1 was at
// (x + X, y + Y) in frame t.
#pragma once

#include "CBuffer.h"

#include <cstdint>
#include <optional>

namespace vorlings::moblur {

struct MotionField {
    int32_t Width = 0;
    int32_t Height = 0;
    CBuffer<float> X; ///< width x height, row by row
    CBuffer<float> Y;

    size_t At(int32_t x, int32_t y) const { return size_t(y) * size_t(Width) + size_t(x); }
};

/// A field of zero displacements, or nothing when memory is short.
inline std::optional<MotionField> MakeMotionField(int32_t width, int32_t height) {
    MotionField field{width, height, AllocateZeroed<float>(PlaneSize(width, height)),
                      AllocateZeroed<float>(PlaneSize(width, height))};
    if (!field.X || !field.Y) return std::nullopt;
    return field;
}

} // namespace vorlings::moblur
