// SPDX-License-Identifier: Apache-2.0
#include "DBlurJob.h"

#include "frame/CpuFeatures.h"
#include "frame/Numeric.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

namespace vorlings::dblur {

namespace {

// A control value stored as a float; values beyond the float range become infinite.
float StoredFloat(double v) {
    if (v > double(FLT_MAX)) return INFINITY;
    if (v < -double(FLT_MAX)) return -INFINITY;
    return float(v);
}

} // namespace

RowKernel MachineRowKernel() {
    const frame::CpuFeatures& cpu = frame::MachineFeatures();
    return cpu.Avx512 ? RowKernel::Avx512 : cpu.Avx2 ? RowKernel::Avx2 : RowKernel::Plain;
}

StrokeShape ShapeFor(double length, double angle, double centre, int32_t width, int32_t height,
                     double pixelAspect) {
    const int32_t maxSide = std::max(width, height);
    // The stroke is a fraction of the width; the kernel measures it against the larger side.
    const float relative = float(width) * StoredFloat(length) / float(maxSide);
    return {relative, StoredFloat(angle), maxSide, frame::TruncToInt32(centre) > 0.5,
            KernelAspect(pixelAspect)};
}

DBlurJob MakeDBlurJob(double length, double angle, double centre, const Image& input,
                      Image& output) {
    const int32_t width = input.Width, height = input.Height;
    const StrokeShape shape = ShapeFor(length, angle, centre, width, height, input.PixelAspect);
    const size_t room = size_t(shape.MaxSide);
    TapList taps(static_cast<DBlurTap*>(std::malloc(room * sizeof(DBlurTap))));
    const int32_t count = taps ? BuildStrokeKernel(shape, {taps.get(), room}) : 0;
    return {&input,
            &output,
            width,
            height,
            std::move(taps),
            count,
            frame::ChunkSplit::For(width, height),
            MachineRowKernel()};
}

} // namespace vorlings::dblur
