// SPDX-License-Identifier: Apache-2.0
#include "FlareSetup.h"

#include "frame/CpuFeatures.h"
#include "frame/Numeric.h"

namespace vorlings::flare {

bool BuildKernels(FlareJob& job, FlareTables& tables) {
    const float aspect = job.PixelAspect;
    float haloAngle = 0.0f;
    const int32_t haloSamples = HaloSamples(job.Aperture, &haloAngle);
    tables.Halo = BuildDiffractionProfile(job.Aperture, job.Aperture, 1, haloAngle, haloSamples,
                                          job.HaloStrength);
    if (!tables.Halo || !ProfileToKernel(*tables.Halo, aspect)) return false;
    AddDarkFringes(*tables.Halo, job.FringeCount, job.FringeStrength, aspect);

    // Pass 1 adds the halo a kernel row at a time in the planes' layout; the fourth value of
    // a cell is 0, so the planes' spare value only ever gets zeros added.
    const FlareKernel& halo = *tables.Halo;
    const uint64_t haloCells = uint64_t(halo.Side()) * uint64_t(halo.Side());
    tables.HaloCells = AllocateZeroed<float>(kPlaneStride * haloCells);
    if (!tables.HaloCells) return false;
    for (uint64_t c = 0; c < haloCells; ++c) {
        float* cell = tables.HaloCells.get() + kPlaneStride * c;
        cell[0] = halo.Data[c].Red;
        cell[1] = halo.Data[c].Green;
        cell[2] = halo.Data[c].Blue;
    }
    job.HaloCells = tables.HaloCells.get();

    const int32_t streakSamples = frame::TruncToInt32(2 * job.StreakLength);
    tables.Streak =
        BuildDiffractionProfile(1.0f, 1.2f, 2, 0.07f, streakSamples, job.StreakStrength);
    if (!tables.Streak) return false;
    WhitenStreakCore(*tables.Streak, job.MonochromaticShare, job.StreakStrength);

    tables.Glow = BuildGlowKernel(job.GlowRadius, job.GlowStrength, aspect);
    if (!tables.Glow) return false;
    const uint64_t glowCells = uint64_t(tables.Glow->Side()) * uint64_t(tables.Glow->Side());
    tables.GlowCells = AllocateZeroed<float>(kPlaneStride * glowCells);
    if (!tables.GlowCells) return false;
    for (uint64_t c = 0; c < glowCells; ++c) {
        float* cell = tables.GlowCells.get() + kPlaneStride * c;
        cell[0] = cell[1] = cell[2] = tables.Glow->Weights[c];
    }
    job.GlowCells = tables.GlowCells.get();

    job.Halo = &*tables.Halo;
    job.Streak = &*tables.Streak;
    job.Glow = &*tables.Glow;
    return true;
}

bool AllocatePlanes(FlareJob& job, FlareTables& tables) {
    const uint64_t pixels = uint64_t(job.Width) * uint64_t(job.Height);
    tables.Planes = AllocateZeroed<float>(kPlaneStride * pixels);
    if (!tables.Planes) return false;
    job.Planes = tables.Planes.get();
    return true;
}

RowAdder MachineRowAdder() {
    const frame::CpuFeatures& cpu = frame::MachineFeatures();
    return cpu.Avx512 ? RowAdder::Avx512 : cpu.Avx2 ? RowAdder::Avx2 : RowAdder::Plain;
}

void ForgetRender(FlareJob& job) {
    job.Planes = nullptr;
    job.WorkImage = nullptr;
    job.SourceImage = nullptr;
    job.OutputImage = nullptr;
    job.Halo = job.Streak = nullptr;
    job.Glow = nullptr;
    job.HaloCells = job.GlowCells = nullptr;
}

} // namespace vorlings::flare
