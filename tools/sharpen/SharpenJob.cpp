// SPDX-License-Identifier: Apache-2.0
#include "SharpenJob.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vorlings::sharpen {

VectorUnit MachineVectorUnit() {
    static const VectorUnit unit = [] {
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
            __builtin_cpu_supports("avx512vl") && __builtin_cpu_supports("avx512vnni"))
            return VectorUnit::Avx512;
        if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma"))
            return VectorUnit::Avx2;
        return VectorUnit::None;
    }();
    return unit;
}

SharpenJob MakeSharpenJob(float radius, float power, const Image& input, Image& output,
                          VectorUnit vector) {
    const int32_t width = input.Width, height = input.Height;
    const int32_t r = KernelRadius(width, radius);
    KernelWeights kernel = MakeSharpenKernel(r);
    const int32_t size = 2 * r + 1;
    const int32_t sum =
        kernel ? std::accumulate(kernel.get(), kernel.get() + size * size, int32_t(0)) : 0;
    return {&input,
            &output,
            width,
            height,
            std::move(kernel),
            size,
            std::isnan(power) ? 0.0f : power,
            sum,
            frame::ChunkSplit::For(width, height),
            std::min(vector, MachineVectorUnit())};
}

} // namespace vorlings::sharpen
