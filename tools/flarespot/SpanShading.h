// SPDX-License-Identifier: Apache-2.0
// The light of one sample of a fan triangle, on one row of sub-samples. What depends only on
// the triangle and the row is worked out once per span (SpanShading); ShadeSample is the
// per-sample arithmetic, which the vector kernel (SpanShading.simd.h) repeats lane by lane,
// rounding at the same steps.
#pragma once

#include "SpotDrawing.h"
#include "SpotRecords.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vorlings::flarespot {

struct SpanShading {
    float CentreX;
    float Ey, EySquared;                    ///< the row's offset from the centre, and its square
    float Defocus, SourceRadius, FadeWidth; ///< FadeWidth = M - R
    float LightX, LightY;
    float Red, Green, Blue, Largest;           ///< the amounts
    bool Boost;                                ///< the outer edge gets its ridge
    float Qy;                                  ///< the row, for the distance to the edge
    float E2x, E2y, EdgeX, EdgeY, EdgeSquared; ///< the outer edge from vertex 2 by (EdgeX, EdgeY)
    int32_t Passes;
    int32_t* RedRow; ///< the plane rows of the span's pixels
    int32_t* GreenRow;
    int32_t* BlueRow;
};

/// Shades sample x of the span's row and adds its light to pixel x / 2.
inline void ShadeSample(const SpanShading& h, int32_t x) {
    const float ex = x - h.CentreX;
    const float r = std::sqrt(ex * ex + h.EySquared);
    float u = (r * h.Defocus - h.SourceRadius) / h.FadeWidth;

    // Whitening: the side of the spot that faces back towards the source goes white.
    float a = 0, s = 1;
    if (r > 0) {
        a = (ex / r) * h.LightX + (h.Ey / r) * h.LightY;
        if (a < 0) a = 0;
        s = 2 * a * a;
        if (s > 1) s = 1;
    }
    const float w = 1 - s;

    if (h.Boost) {
        // A ridge 20 sub-samples wide inside the outer edge, highest 10 from it.
        const float qx = float(x);
        float distance;
        if (h.EdgeSquared < 1e-5) {
            const float dx = qx - h.E2x, dy = h.Qy - h.E2y;
            distance = std::sqrt(dx * dx + dy * dy);
        } else {
            float along = ((qx - h.E2x) * h.EdgeX + (h.Qy - h.E2y) * h.EdgeY) / h.EdgeSquared;
            along = along < 0 ? 0 : (along > 1 ? 1 : along);
            const float dx = qx - (h.E2x + along * h.EdgeX);
            const float dy = h.Qy - (h.E2y + along * h.EdgeY);
            distance = std::sqrt(dx * dx + dy * dy);
        }
        float beta = (10 - std::fabs(distance - 10)) / 30;
        if (beta < 0) beta = 0;
        u = u - beta * a;
    }

    // Written so that a NaN (a spot whose radii coincide) counts as full light.
    u = u > 0 ? (u < 1 ? u : 1) : 0;
    const float f = 1 - u * u * (3 - 2 * u);
    if (f == 0) return;
    const int32_t px = x / 2;
    const int32_t addRed = h.Passes * int32_t((h.Red * w + h.Largest * s) * f);
    const int32_t addGreen = h.Passes * int32_t((h.Green * w + h.Largest * s) * f);
    const int32_t addBlue = h.Passes * int32_t((h.Blue * w + h.Largest * s) * f);
    h.RedRow[px] = std::min(h.RedRow[px] + addRed, kPlaneCeiling);
    h.GreenRow[px] = std::min(h.GreenRow[px] + addGreen, kPlaneCeiling);
    h.BlueRow[px] = std::min(h.BlueRow[px] + addBlue, kPlaneCeiling);
}

} // namespace vorlings::flarespot
