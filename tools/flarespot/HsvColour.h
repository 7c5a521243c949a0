// SPDX-License-Identifier: Apache-2.0
// Integer colour conversions on the 14-bit scale (0 to 16383) between red, green, blue and
// hue, saturation, value. A hue of 16384 would be one full turn. The arithmetic is integer
// with division truncating toward zero, except the two interpolated components of
// HsvToRgb14, which go through one single-precision factor, so their results are the tool's
// exact colours rather than the nearest ones.
#pragma once

#include <cstdint>

namespace vorlings::flarespot {

struct Hsv14 {
    int32_t Hue;
    int32_t Saturation;
    int32_t Value;
};

struct Rgb14 {
    int32_t Red;
    int32_t Green;
    int32_t Blue;
};

/// Hue, saturation and value of a colour whose components lie in 0..16383. Greys (and black)
/// have hue and saturation 0.
Hsv14 RgbToHsv14(int32_t r, int32_t g, int32_t b);

/// The colour of hue 0..16383, saturation 0..16383 and value 0..16383. A hue of 16383 (which
/// the sectors do not reach) continues the colour circle as hue 0.
Rgb14 HsvToRgb14(int32_t h, int32_t s, int32_t v);

} // namespace vorlings::flarespot
