// SPDX-License-Identifier: Apache-2.0
#include "DefocusJob.h"

#include "DefocusPasses.h"
#include "frame/PixelRows.h"

#include <algorithm>
#include <new>

namespace vorlings::defocus {

std::optional<DefocusJob> MakeDefocusJob(float radius, int32_t duplicateEdges, const Image& input,
                                         Image& intermediate, Image& output, bool vector) {
    const int32_t width = input.Width, height = input.Height;
    // R is a float product; a NaN radius counts as 0 like a negative one.
    float pixels = float(width) * radius;
    if (!(pixels >= 0.0f)) pixels = 0.0f;
    const int32_t duplicate = std::clamp(duplicateEdges, 0, 1);

    try {
        std::optional<GaussianKernel> kernel = MakeGaussianKernel(pixels);
        if (!kernel) return std::nullopt;
        LineKernel rowKernel = MakeLineKernel(*kernel, width, duplicate, frame::kWordsPerPixel);
        LineKernel columnKernel = MakeLineKernel(*kernel, height, duplicate, kStripWords);
        return DefocusJob{&input,
                          &output,
                          &intermediate,
                          width,
                          height,
                          std::move(*kernel),
                          duplicate,
                          pixels,
                          frame::ChunkSplit::For(width, height),
                          std::move(rowKernel),
                          std::move(columnKernel),
                          vector && VectorUnitAvailable()};
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

} // namespace vorlings::defocus
