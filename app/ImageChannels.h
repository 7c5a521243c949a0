// SPDX-License-Identifier: Apache-2.0
// What reading and writing image files share: where a file's channels go among the Pixel
// words, and the image kind that holds samples of each depth.
#pragma once

#include "ImageIO.h"

#include <limits>
#include <string>
#include <type_traits>

namespace imageio {

// Pixel word of each file channel: R, G, B, A go to 2, 1, 0, 3.
inline constexpr int kWordOfRed = PIX_Red, kWordOfGreen = PIX_Green, kWordOfBlue = PIX_Blue,
                     kWordOfAlpha = PIX_Alpha;

/// Full scale of a sample type: the alpha of an opaque pixel.
template <class T>
constexpr T Opaque() {
    if constexpr (std::is_same_v<T, float>)
        return 1.0f;
    else
        return std::numeric_limits<T>::max();
}

/// The kind of image that holds samples of `depth`.
inline ImageKind KindFor(SampleDepth depth) {
    switch (depth) {
    case SampleDepth::Int8:
        return ImageKind::Int8;
    case SampleDepth::Int16:
        return ImageKind::Int16;
    case SampleDepth::Half:
    case SampleDepth::Float:
        return ImageKind::Float;
    }
    return ImageKind::Int16;
}

/// Reads every row of the image file at `path` and drops it: what a reader says of the first
/// row it cannot read, or "" when all of them read.
std::string ReadBackProblem(const std::string& path);

} // namespace imageio
