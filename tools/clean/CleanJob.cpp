// SPDX-License-Identifier: Apache-2.0
#include "CleanJob.h"

#include "ColumnRows.h"
#include "NetworkRows.h"
#include "frame/CpuFeatures.h"
#include "frame/Numeric.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vorlings::clean {

namespace {

// 2 x half + 1, kept within 32 bits for absurd filter sizes.
int32_t WindowSpan(int32_t half) {
    return int32_t(std::min<int64_t>(2 * int64_t(half) + 1, INT32_MAX));
}

// Where the column histograms beat the walk. The walk's work per pixel grows with the window's
// height (a column in and a column out per step: about 630 instructions per pixel and channel
// at 7 x 7, 3500 at 101 x 101), theirs stays between about 450 and 800 whatever the window,
// but their column histograms (2 MB and more per strip and channel) miss the first-level
// cache about 15 times per pixel and channel where the walk misses 4. Measured on the test
// frame and on noise, one worker and two: at 9 x 9 the walk is as fast on the frame and faster
// on noise; at 21 x 21 the columns are 1.3 to 2.2 times as fast, at 101 x 101 3.3 to 4 times.
// Between 9 and 21 the measurements do not separate the two, so the walk keeps those windows.
// The image kind does not move the line: both paths read each row as words once (the columns
// once more for a strip's borders).
bool ColumnsFaster(const CleanJob& job) {
    return job.HalfHeight >= 10;
}

} // namespace

CleanPath PreferredCleanPath() {
    static const CleanPath path = [] {
        const char* forced = std::getenv("VORLINGS_CLEAN_PATH");
        if (!forced) return CleanPath::Fastest;
        if (std::strcmp(forced, "histogram") == 0) return CleanPath::Histogram;
        if (std::strcmp(forced, "network") == 0) return CleanPath::Network;
        if (std::strcmp(forced, "columns") == 0) return CleanPath::Columns;
        return CleanPath::Fastest;
    }();
    return path;
}

CleanJob MakeCleanJob(double filterSize, const Image& input, Image& output, CleanPath preferred,
                      bool vector) {
    const int32_t width = input.Width, height = input.Height;
    const int32_t halfWidth = std::max(0, frame::TruncToInt32(filterSize * width / input.XScale));
    const int32_t halfHeight = std::max(0, frame::TruncToInt32(halfWidth / input.PixelAspect));
    CleanJob job{&input,
                 &output,
                 WindowSpan(halfWidth),
                 WindowSpan(halfHeight),
                 width,
                 height,
                 halfWidth,
                 halfHeight,
                 frame::ChunkSplit::For(width, height),
                 CleanPath::Histogram,
                 vector && frame::MachineFeatures().Avx2,
                 vector && frame::MachineFeatures().Avx512Bw};
    const bool network = NetworkServes(job) && frame::MachineFeatures().Avx2;
    const bool columns = ColumnsServe(job);
    switch (preferred) {
    case CleanPath::Histogram:
        break;
    case CleanPath::Network:
        if (network) job.Path = CleanPath::Network;
        break;
    case CleanPath::Columns:
        if (columns) job.Path = CleanPath::Columns;
        break;
    case CleanPath::Fastest:
        if (network)
            job.Path = CleanPath::Network;
        else if (columns && ColumnsFaster(job))
            job.Path = CleanPath::Columns;
        break;
    }
    return job;
}

} // namespace vorlings::clean
