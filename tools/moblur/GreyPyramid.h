// SPDX-License-Identifier: Apache-2.0
// The 8-bit grey pictures that motion is matched on: each frame reduced to one byte of
// luminance per pixel, smoothed with a small Gaussian so that block costs follow shapes rather
// than grain, and halved three times for the coarse-to-fine search.
#pragma once

#include "CBuffer.h"

#include "host/Image.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

namespace vorlings::moblur {

/// Levels of each grey pyramid: full size, then halves down to an eighth.
inline constexpr int kGreyLevels = 4;
/// Scale of each level against the full-size frame.
inline constexpr std::array<int32_t, kGreyLevels> kLevelScales{1, 2, 4, 8};

/// One frame's grey levels in one block: level 0 followed directly by levels 1, 2 and 3.
struct GreyPyramid {
    CBuffer<uint8_t> Bytes;
    std::array<int32_t, kGreyLevels> Widths{};
    std::array<int32_t, kGreyLevels> Heights{};
    std::array<size_t, kGreyLevels> Starts{};

    uint8_t* Level(int level) { return Bytes.get() + Starts[size_t(level)]; }
    const uint8_t* Level(int level) const { return Bytes.get() + Starts[size_t(level)]; }
};

/// A pyramid's block (1.4 x width x height bytes, which holds all four levels) with the size
/// and place of every level; nothing when memory is short.
std::optional<GreyPyramid> AllocateGreyPyramid(int32_t width, int32_t height);

/// The grey byte of a pixel: a 16-bit luminance (weights 128, 77 and 51 over 256 for green,
/// red and blue) brought to 0..255 by dividing by 257, truncated.
inline uint8_t GreyOf(uint32_t blue, uint32_t green, uint32_t red) {
    const uint32_t luminance = (128u * green + 77u * red + 51u * blue) >> 8;
    return uint8_t(int32_t(double(luminance) * 0.0038910505836575876));
}

/// Writes the grey bytes of the first width x height pixels of `frame` into `bytes`. Checks
/// `abortFlag` before each row and returns false when it was set.
bool MakeGreyPlane(const Image& frame, uint8_t* bytes, int32_t width, int32_t height,
                   const std::atomic<int>& abortFlag);

/// Gaussian taps for a smoothing width `s` (at least 0.01): radius ceil(s), sigma s / 3, taps
/// below 1e-5 left out, the rest normalised to sum 1.
struct SmoothingKernel {
    CBuffer<float> Taps; ///< empty when the kernel could not be made
    int32_t Count = 0;
};
SmoothingKernel MakeSmoothingKernel(float smoothingWidth);

/// Whether this machine smooths on AVX2.
bool MachineSmoothsOnVectors();

/// Smooths the grey plane in place, first along the rows into floats, then down the columns
/// back into bytes, with coordinates held to the plane at its borders. Returns false when the
/// kernel or the float plane cannot be made, or when `abortFlag` is set (checked before each
/// row of both passes); the plane is then partly smoothed.
/// With `vector`, the pixels away from the row ends are smoothed on AVX2, with the same bits.
bool SmoothGrey(uint8_t* bytes, int32_t width, int32_t height, float smoothingWidth,
                const std::atomic<int>& abortFlag, bool vector = MachineSmoothsOnVectors());

/// Halves a level into `next`: each byte the mean of its 2 x 2 block below, rounded down.
/// Returns the new width and height; writes nothing when the new height is below 1.
std::array<int32_t, 2> HalveGrey(const uint8_t* level, int32_t width, int32_t height,
                                 uint8_t* next);

} // namespace vorlings::moblur
