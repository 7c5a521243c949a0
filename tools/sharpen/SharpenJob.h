// SPDX-License-Identifier: Apache-2.0
// What every chunk of a Sharpen render reads.
#pragma once

#include "SharpenKernel.h"
#include "frame/Chunks.h"
#include "host/Image.h"

#include <cstdint>

namespace vorlings::sharpen {

struct SharpenJob {
    const Image* InputImage;
    Image* OutputImage;
    int32_t Width;
    int32_t Height;
    KernelWeights Kernel; ///< KernelSize x KernelSize, row by row; null when not allocated
    int32_t KernelSize;   ///< 2R + 1
    float Power;
    int32_t KernelSum;
    frame::ChunkSplit Split; ///< by rows

    int32_t Radius() const { return KernelSize / 2; }
};

/// The job of one render from "Radius" and "Power" as the tool keeps them (single precision):
/// the kernel radius for the input's width, the kernel and its sum, the chunk split. A "Power"
/// that is not a number counts as 0. When the kernel cannot be allocated the job has none
/// (Kernel is null) and the render computes nothing.
SharpenJob MakeSharpenJob(float radius, float power, const Image& input, Image& output);

} // namespace vorlings::sharpen
