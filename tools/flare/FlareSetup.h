// SPDX-License-Identifier: Apache-2.0
// The per-render tables of a Flare render: the three kernels and the three accumulation
// planes, made before the passes and freed when the render ends.
#pragma once

#include "FlareJob.h"
#include "FlareKernels.h"

#include <optional>

namespace vorlings::flare {

/// Owns what one render allocates; the job only points into it.
struct FlareTables {
    std::optional<FlareKernel> Halo;
    std::optional<FlareKernel> Streak;
    std::optional<GlowKernel> Glow;
    CBlock<float> HaloCells; ///< the halo as (red, green, blue, 0) per cell
    CBlock<float> GlowCells; ///< the glow's weight as (w, w, w, 0) per cell
    CBlock<float> Planes;
};

/// Builds the halo (with its dark fringes), the whitened streak profile and the glow from the
/// job's values, and points the job at them. False when one cannot be made; those made so far
/// stay with `tables`.
bool BuildKernels(FlareJob& job, FlareTables& tables);

/// Allocates the zeroed planes (W x H pixels of kPlaneStride floats) and points the job at
/// them; false when they cannot be had.
bool AllocatePlanes(FlareJob& job, FlareTables& tables);

/// The row adder the machine offers.
RowAdder MachineRowAdder();

/// Clears the job's pointers to the render's tables and images, which leave with the render.
void ForgetRender(FlareJob& job);

} // namespace vorlings::flare
