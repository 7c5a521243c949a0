// SPDX-License-Identifier: Apache-2.0
#include "SharpenKernel.h"

#include <cfloat>
#include <cmath>

namespace vorlings::sharpen {

float SinglePrecision(double value) {
    if (value > double(FLT_MAX)) return FLT_MAX;
    if (value < -double(FLT_MAX)) return -FLT_MAX;
    return float(value);
}

int32_t KernelRadius(int32_t width, float radius) {
    double t = double(width) * double(radius);
    if (!(t > 1.0)) t = 1.0;
    if (t > 5.0) t = 5.0;
    return int32_t(t);
}

int32_t KernelWeight(int32_t radius, int32_t i, int32_t j) {
    const int32_t di = i - radius, dj = j - radius;
    const double d = std::sqrt(double(di * di + dj * dj));
    const double u = 2.5 * d / double(radius);
    return int32_t(std::floor(256.0 * std::exp(-0.347 * (u * u))));
}

KernelWeights MakeSharpenKernel(int32_t radius) {
    const int32_t size = 2 * radius + 1;
    KernelWeights weights(
        static_cast<int32_t*>(std::malloc(sizeof(int32_t) * size_t(size * size))));
    if (!weights) return weights;
    for (int32_t i = 0; i < size; ++i)
        for (int32_t j = 0; j < size; ++j)
            weights[size_t(i * size + j)] = KernelWeight(radius, i, j);
    return weights;
}

uint16_t SharpenedWord(int32_t centre, int32_t sum, int32_t kernelSum, float power) {
    const int32_t b = sum / kernelSum;
    const double v = double(centre - b) * double(power) + double(centre) + 0.5;
    // Truncation toward zero leaves everything below 1 at 0 or under, which holds at 0.
    if (!(v >= 1.0)) return 0;
    if (v >= 65535.0) return 65535;
    return uint16_t(v);
}

} // namespace vorlings::sharpen
