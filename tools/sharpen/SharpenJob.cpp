// SPDX-License-Identifier: Apache-2.0
#include "SharpenJob.h"

#include "frame/CpuFeatures.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace vorlings::sharpen {

VectorUnit MachineVectorUnit() {
    const frame::CpuFeatures& cpu = frame::MachineFeatures();
    return cpu.Avx512Vnni ? VectorUnit::Avx512 : cpu.Avx2 ? VectorUnit::Avx2 : VectorUnit::None;
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
