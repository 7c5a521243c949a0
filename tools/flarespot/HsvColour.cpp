// SPDX-License-Identifier: Apache-2.0
#include "HsvColour.h"

#include <algorithm>

namespace vorlings::flarespot {

namespace {
constexpr int32_t kScale = 16383;
} // namespace

Hsv14 RgbToHsv14(int32_t r, int32_t g, int32_t b) {
    const int32_t max = std::max({r, g, b});
    const int32_t min = std::min({r, g, b});
    if (max == 0) return {0, 0, max};
    const int32_t delta = max - min;
    const int32_t saturation = delta * kScale / max;
    if (saturation == 0) return {0, 0, max};
    const int32_t rc = (max - r) * kScale / delta;
    const int32_t gc = (max - g) * kScale / delta;
    const int32_t bc = (max - b) * kScale / delta;
    // Sector offsets are multiples of 16384 while each sector spans 16383: the hue ends at
    // 16383, never a full turn.
    int32_t h;
    if (r == max)
        h = bc - gc;
    else if (g == max)
        h = rc - bc + 32768;
    else
        h = gc - rc + 65536;
    if (h < 0) h += 98304;
    return {h / 6, saturation, max};
}

Rgb14 HsvToRgb14(int32_t h, int32_t s, int32_t v) {
    constexpr int32_t kSquare = kScale * kScale; // 268402689
    const int32_t sector = 6 * h / kScale;
    const int32_t f = 6 * h - kScale * sector;
    const int32_t p = (kScale - s) * v / kScale;
    // The scale of q and t is one float, and their products are float: part of the colours.
    const float k = float(double(v) / double(kSquare));
    const int32_t q = int32_t(float(kSquare - s * f) * k);
    const int32_t t = int32_t(float(kSquare - s * (kScale - f)) * k);
    switch (sector) {
    case 1:
        return {q, v, p};
    case 2:
        return {p, v, t};
    case 3:
        return {p, q, v};
    case 4:
        return {t, p, v};
    case 5:
        return {v, p, q};
    default: // sector 0, and hue 16383 (sector 6, where f is 0) as hue 0
        return {v, t, p};
    }
}

} // namespace vorlings::flarespot
