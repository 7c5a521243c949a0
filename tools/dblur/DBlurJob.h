// SPDX-License-Identifier: Apache-2.0
// What every chunk of a DBlur render reads.
#pragma once

#include "StrokeKernel.h"
#include "frame/Chunks.h"
#include "host/Image.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

namespace vorlings::dblur {

/// The tap list of one frame: one block from the C allocator, freed when the render is done.
struct FreeTaps {
    void operator()(DBlurTap* taps) const { std::free(taps); }
};
using TapList = std::unique_ptr<DBlurTap[], FreeTaps>;

/// How the rows are filtered: the plain loop that states the arithmetic, or a vector kernel
/// that gives the same bits (DBlurRows.simd.h), chosen from the machine when the job is built.
enum class RowKernel : uint8_t { Plain, Avx2, Avx512 };

/// The widest kernel this machine runs.
RowKernel MachineRowKernel();

struct DBlurJob {
    const Image* InputImage;
    Image* OutputImage;
    int32_t Width;
    int32_t Height;
    TapList Taps;            ///< room for max(W, H) taps; null when it could not be allocated
    int32_t TapCount;        ///< taps filled, at most max(W, H) - 1
    frame::ChunkSplit Split; ///< by rows
    RowKernel Kernel;

    std::span<const DBlurTap> TapSpan() const { return {Taps.get(), size_t(TapCount)}; }
};

/// The job of one render: "Length" (a fraction of the width), "Angle" (degrees) and
/// "XY Center" (on at 1 or more) turned into the tap list of the input's size and pixel
/// aspect, and the chunk split. When the tap list cannot be allocated the job has no taps
/// (Taps is null) and the render computes nothing.
DBlurJob MakeDBlurJob(double length, double angle, double centre, const Image& input,
                      Image& output);

/// The kernel's shape for a picture of `width` x `height` with `pixelAspect`: the relative
/// length r = W x Length / max(W, H) in float arithmetic, the angle as a float, the centred
/// flag from "XY Center" truncated toward zero.
StrokeShape ShapeFor(double length, double angle, double centre, int32_t width, int32_t height,
                     double pixelAspect);

} // namespace vorlings::dblur
