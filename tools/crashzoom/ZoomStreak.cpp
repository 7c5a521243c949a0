// SPDX-License-Identifier: Apache-2.0
#include "ZoomStreak.h"

#include "frame/Numeric.h"

#include <cmath>

namespace vorlings::crashzoom {

StreakLine ZoomStreak(const CrashZoomJob& job, int32_t x, int32_t y) {
    const int shift = job.Oversampling;
    const int64_t x0 = int64_t(x) << shift, y0 = int64_t(y) << shift;

    // Every step below is a 32-bit float store: the rounding is part of where streaks end.
    const float dx = float(x) - job.CenterX;
    const float dy = (float(y) - job.CenterY) * job.PixelAspect;
    const float distance = float(std::sqrt(double(dx * dx + dy * dy)));
    float beyond = distance - job.ClearRadius;
    if (beyond < 0.0001) beyond = 0.0f;
    const float streak = -(beyond * job.Speed);
    if (distance <= 0.0001) return {x0, y0, x0, y0};

    const float scale = float(1 << shift);
    const double across = std::ceil(double(scale * dx / distance * streak));
    // The vertical offset is found in aspect-corrected units and turned back into rows.
    const double down = std::ceil(double(scale * dy / distance * streak)) / double(job.PixelAspect);
    return {x0, y0, x0 + frame::TruncToInt32(across), y0 + frame::TruncToInt32(down)};
}

} // namespace vorlings::crashzoom
