// SPDX-License-Identifier: Apache-2.0
// The diffuse glow: a textured cone whose total grows with its radius.
#include "FlareKernels.h"
#include "frame/Numeric.h"

#include <cmath>

namespace vorlings::flare {

std::optional<GlowKernel> BuildGlowKernel(float radius, float strength, float aspect) {
    if (radius < 0.01f) radius = 0.01f;
    GlowKernel glow;
    glow.Radius = frame::TruncToInt32(std::ceil(double(radius)));
    const int64_t side = 2 * int64_t(glow.Radius) + 1;
    if (glow.Radius < 0 || side * side > int64_t(kMaxElements)) return std::nullopt;
    glow.Weights = AllocateZeroed<float>(uint64_t(side * side));
    if (!glow.Weights) return std::nullopt;

    float* weights = glow.Weights.get();
    float sum = 0.0f;
    for (int64_t j = 0; j < side; ++j)
        for (int64_t i = 0; i < side; ++i) {
            const double d =
                std::sqrt(double(AspectDistanceSquared(i - glow.Radius, j - glow.Radius, aspect)));
            double cone = (radius - d) / radius;
            if (cone < 0.0) cone = 0.0;
            // One draw per cell, zero or not, so the texture's sequence does not depend on
            // the cone's shape.
            const float weight = float(RandomUnit() * cone);
            weights[j * side + i] = weight;
            sum += weight;
        }
    // A kernel whose every draw was 0 stays all zero.
    if (sum > 0.0f) {
        const float scale = radius * strength / sum;
        for (int64_t c = 0; c < side * side; ++c) weights[c] *= scale;
    }
    return glow;
}

} // namespace vorlings::flare
