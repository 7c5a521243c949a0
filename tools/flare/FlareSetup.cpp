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

    // Pass 1 adds the halo a kernel row at a time, channel by channel.
    const FlareKernel& halo = *tables.Halo;
    const uint64_t cells = uint64_t(halo.Side()) * uint64_t(halo.Side());
    tables.HaloChannels = AllocateZeroed<float>(3 * cells);
    if (!tables.HaloChannels) return false;
    float* channels = tables.HaloChannels.get();
    for (uint64_t c = 0; c < cells; ++c) {
        channels[c] = halo.Data[c].Red;
        channels[cells + c] = halo.Data[c].Green;
        channels[2 * cells + c] = halo.Data[c].Blue;
    }
    job.HaloRed = channels;
    job.HaloGreen = channels + cells;
    job.HaloBlue = channels + 2 * cells;

    const int32_t streakSamples = frame::TruncToInt32(2 * job.StreakLength);
    tables.Streak =
        BuildDiffractionProfile(1.0f, 1.2f, 2, 0.07f, streakSamples, job.StreakStrength);
    if (!tables.Streak) return false;
    WhitenStreakCore(*tables.Streak, job.MonochromaticShare, job.StreakStrength);

    tables.Glow = BuildGlowKernel(job.GlowRadius, job.GlowStrength, aspect);
    if (!tables.Glow) return false;

    job.Halo = &*tables.Halo;
    job.Streak = &*tables.Streak;
    job.Glow = &*tables.Glow;
    return true;
}

bool AllocatePlanes(FlareJob& job, FlareTables& tables) {
    const uint64_t elements = uint64_t(job.Width) * uint64_t(job.Height);
    tables.Red = AllocateZeroed<float>(elements);
    tables.Green = AllocateZeroed<float>(elements);
    tables.Blue = AllocateZeroed<float>(elements);
    if (!tables.Red || !tables.Green || !tables.Blue) return false;
    job.RedPlane = tables.Red.get();
    job.GreenPlane = tables.Green.get();
    job.BluePlane = tables.Blue.get();
    return true;
}

RowAdder MachineRowAdder() {
    const frame::CpuFeatures& cpu = frame::MachineFeatures();
    return cpu.Avx512 ? RowAdder::Avx512 : cpu.Avx2 ? RowAdder::Avx2 : RowAdder::Plain;
}

void ForgetRender(FlareJob& job) {
    job.RedPlane = job.GreenPlane = job.BluePlane = nullptr;
    job.WorkImage = nullptr;
    job.SourceImage = nullptr;
    job.OutputImage = nullptr;
    job.Halo = job.Streak = nullptr;
    job.Glow = nullptr;
    job.HaloRed = job.HaloGreen = job.HaloBlue = nullptr;
}

} // namespace vorlings::flare
