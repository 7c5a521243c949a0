// SPDX-License-Identifier: Apache-2.0
#include "GaussianKernel.h"

#include <cmath>
#include <new>

namespace vorlings::defocus {

std::optional<GaussianKernel> MakeGaussianKernel(float radius) {
    if (!(radius >= 0.0f)) radius = 0.0f;
    // Below a hundredth of a pixel the kernel is the centre weight alone either way.
    const float x = radius < 0.01 ? 0.01f : radius;
    if (!(x <= float(kMaxKernelReach))) return std::nullopt;
    const int32_t reach = int32_t(std::ceil(double(x)));

    GaussianKernel kernel;
    try {
        kernel.Weights.reserve(size_t(2) * size_t(reach) + 1);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }

    const double sigma = double(x) * 0.3333333333333333;
    const float q = float(sigma * sigma + sigma * sigma);
    uint64_t total = 0;
    for (int64_t d = -reach; d <= reach; ++d) {
        // -d^2 / q is a float quotient; exp works in double on it.
        const float exponent = float(-(d * d)) / q;
        const auto w = uint32_t(std::floor(std::exp(double(exponent)) * 16383.0));
        if (w == 0) continue;
        kernel.Weights.push_back(w);
        total += w;
    }

    int32_t shift = 1;
    while (shift < 30 && (uint64_t(1) << shift) <= total) ++shift;
    const uint32_t sum = uint32_t(1) << shift;

    // The scale and each scaled weight are float values, truncated toward zero.
    const float scale = float(sum) / float(total);
    uint32_t scaledTotal = 0;
    for (uint32_t& w : kernel.Weights) {
        w = uint32_t(float(w) * scale);
        scaledTotal += w;
    }
    kernel.Weights[size_t(kernel.Centre())] += sum - scaledTotal;
    kernel.Shift = shift;
    return kernel;
}

} // namespace vorlings::defocus
