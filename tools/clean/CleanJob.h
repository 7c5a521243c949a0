// SPDX-License-Identifier: Apache-2.0
// What every chunk of a Clean render reads.
#pragma once

#include "frame/Chunks.h"
#include "host/Image.h"

#include <cstdint>

namespace vorlings::clean {

/// How the medians are found. The histogram walk serves every window and is the reference;
/// selection networks serve windows of at most 5 x 5 on machines with AVX2, and column
/// histograms larger windows, with the same words. `Fastest` asks the chooser for the path
/// that serves the window fastest.
enum class CleanPath : uint8_t { Histogram, Network, Columns, Fastest };

/// The path renders prefer: the fastest, unless the environment variable VORLINGS_CLEAN_PATH
/// (read once per process) names one: "histogram" holds every render to the reference walk;
/// "network" or "columns" asks for that path wherever it serves the window (the walk
/// elsewhere), to measure one path against another.
CleanPath PreferredCleanPath();

struct CleanJob {
    const Image* InputImage;
    Image* OutputImage;
    int32_t WindowWidth;  ///< 2 x HalfWidth + 1
    int32_t WindowHeight; ///< 2 x HalfHeight + 1
    int32_t Width;
    int32_t Height;
    int32_t HalfWidth;
    int32_t HalfHeight;
    frame::ChunkSplit Split; ///< by rows
    CleanPath Path;          ///< never Fastest: the path chosen
    bool Vector;             ///< the column histograms' sums on AVX2
    bool Wide;               ///< the networks on AVX-512 (32 words a register) rather than AVX2

    /// A window one pixel wide or high leaves every pixel as it is: the render is a copy.
    bool CopiesInput() const { return HalfWidth == 0 || HalfHeight == 0; }
};

/// The job of one render: the half sizes in pixels from "Filter Size" (a fraction of the
/// width, divided by the input's XScale; the height divided by its PixelAspect, both truncated
/// and never negative), the chunk split, and the path: `preferred` where it serves the window
/// on this machine, else the histogram walk; for `Fastest`, the chooser's pick. `vector`
/// allows the AVX2 sums and the AVX-512 networks where the machine has them; without it the
/// sums are plain and the networks run on AVX2.
CleanJob MakeCleanJob(double filterSize, const Image& input, Image& output,
                      CleanPath preferred = PreferredCleanPath(), bool vector = true);

} // namespace vorlings::clean
