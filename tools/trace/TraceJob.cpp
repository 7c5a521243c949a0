// SPDX-License-Identifier: Apache-2.0
#include "TraceJob.h"

#include "frame/Numeric.h"

#include <algorithm>

namespace vorlings::trace {

namespace {

int32_t Switch(double value) {
    return std::clamp(frame::TruncToInt32(value), 0, 1);
}

} // namespace

TraceJob MakeTraceJob(double level, double overImage, double color, double contourAlpha,
                      const Image& input, Image& output, bool vector) {
    const int32_t width = input.Width, height = input.Height;
    return {&input,
            &output,
            width,
            height,
            Switch(color),
            Switch(overImage),
            frame::TruncToInt32(level * 65535.0),
            Switch(contourAlpha),
            frame::ChunkSplit::For(width, height),
            vector && VectorUnitAvailable()};
}

} // namespace vorlings::trace
