// SPDX-License-Identifier: Apache-2.0
#include "CrashZoomJob.h"

#include "frame/Numeric.h"

#include <algorithm>

namespace vorlings::crashzoom {

CrashZoomJob MakeCrashZoomJob(Point center, double clearAreaRadius, double speed,
                              double oversampling, const Image& input, Image& output) {
    const int32_t width = input.Width, height = input.Height;
    // The radius is held as a float and scaled by the width in float; the halving is exact.
    const float radius = float(clearAreaRadius);
    const float clearRadius = float(double(float(width) * radius) * 0.5);
    return {width,
            height,
            &input,
            &output,
            float(center.X * width),
            float(center.Y * height),
            clearRadius,
            float(speed),
            float(input.PixelAspect),
            std::clamp(frame::TruncToInt32(oversampling), 0, kFinestOversampling),
            frame::ChunkSplit::For(width, height)};
}

} // namespace vorlings::crashzoom
