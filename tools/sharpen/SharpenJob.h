// SPDX-License-Identifier: Apache-2.0
// What every chunk of a Sharpen render reads.
#pragma once

#include "SharpenKernel.h"
#include "frame/Chunks.h"
#include "host/Image.h"

#include <cstdint>

namespace vorlings::sharpen {

/// Where the rows run: the plain loop, or the vector rows (SharpenRows.simd.h), which give the
/// same bits: AVX2 with FMA, or AVX-512 with its 16-bit multiply-adds into sums (VNNI).
enum class VectorUnit : uint8_t { None, Avx2, Avx512 };

/// The widest unit this machine runs.
VectorUnit MachineVectorUnit();

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
    VectorUnit Vector;       ///< where the rows run

    int32_t Radius() const { return KernelSize / 2; }
};

/// The job of one render from "Radius" and "Power" as the tool keeps them (single precision):
/// the kernel radius for the input's width, the kernel and its sum, the chunk split, and the
/// vector unit: `vector`, or the machine's when that is narrower. A "Power" that is not a number
/// counts as 0. When the kernel cannot be allocated the job has none (Kernel is null) and the
/// render computes nothing.
SharpenJob MakeSharpenJob(float radius, float power, const Image& input, Image& output,
                          VectorUnit vector = MachineVectorUnit());

} // namespace vorlings::sharpen
