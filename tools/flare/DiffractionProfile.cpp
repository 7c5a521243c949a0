// SPDX-License-Identifier: Apache-2.0
// The diffraction profiles of the halo and the streaks, and the random numbers all kernels
// draw from.
#include "FlareKernels.h"
#include "SpectralConverter.h"
#include "host/System.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vorlings::flare {

namespace {

constexpr int32_t kLowestWavelength = 400;
constexpr int32_t kHighestWavelength = 700;
constexpr int kSpectrumSamples = kHighestWavelength - kLowestWavelength + 1;

} // namespace

double RandomUnit() {
    const double unit = crt::rand() * 3.0517578125e-05;
    return unit > 0.999999 ? double(0.999999f) : unit;
}

double SlitIntensity(float wavelength, float angle, float width, float spacing, int32_t slits) {
    // The angle in radians is kept as a float, as the profile's angles are.
    const float radians = float(angle * 0.017453292222222222);
    const double waveNumber = 6.2831852 / (wavelength * 1e-9);
    const double sine = std::sin(double(radians));
    double beta = width * 0.001 * sine * waveNumber * 0.5;
    if (beta < 1e-35) beta = 1e-35;
    const double gamma = spacing * 0.001 * sine * waveNumber * 0.5;
    const double sineBeta = std::sin(beta);
    double intensity = sineBeta * sineBeta / (beta * beta);
    if (slits != 1) {
        const double sineN = std::sin(slits * gamma);
        const double sineGamma = std::sin(gamma);
        intensity = intensity * (sineN * sineN) / std::max(sineGamma * sineGamma, 1e-35);
    }
    return intensity;
}

std::optional<FlareKernel> BuildDiffractionProfile(float width, float spacing, int32_t slits,
                                                   float maxAngle, int32_t count, float strength) {
    FlareKernel profile;
    profile.SlitWidth = width;
    profile.SlitSpacing = spacing;
    profile.SlitCount = slits;
    profile.Kind = KernelKind::Profile;
    // No samples is a valid, empty profile.
    if (count <= 0) return profile;
    profile.Data = AllocateZeroed<KernelCell>(uint64_t(count));
    if (!profile.Data) return std::nullopt;
    profile.Count = count;
    const std::unique_ptr<SpectralConverter> converter =
        CreateSpectralConverter(kLowestWavelength, kHighestWavelength, nullptr);
    if (!converter) return std::nullopt;

    const float step = count >= 2 ? maxAngle / float(count - 1) : maxAngle;
    std::array<double, kSpectrumSamples> spectrum;
    float norm = 0.0f;
    for (int32_t i = 0; i < count; ++i) {
        // The centre sample sits just off axis, where every wavelength is near its peak.
        float angle = float(i) * step;
        if (angle < 1e-5f) angle = 1e-5f;
        for (int j = 0; j < kSpectrumSamples; ++j)
            spectrum[size_t(j)] =
                SlitIntensity(float(kLowestWavelength + j), angle, width, spacing, slits);
        const Tristimulus rgb = SpectrumToRGB(converter.get(), spectrum);
        if (i == 0) {
            // Sample 0's largest channel sets the scale of every sample.
            float largest = float(rgb.A);
            if (rgb.B > largest) largest = float(rgb.B);
            if (rgb.C > largest) largest = float(rgb.C);
            norm = float(1.0 / double(largest));
        }
        const auto scaled = [&](double channel) {
            float c = float(norm * channel);
            if (c > 1.0f) c = 1.0f;
            if (c < 0.0f) c = 0.0f;
            return c * strength;
        };
        KernelCell& cell = profile.Data[size_t(i)];
        cell.Red = scaled(rgb.A);
        cell.Green = scaled(rgb.B);
        cell.Blue = scaled(rgb.C);
    }
    return profile;
}

void WhitenStreakCore(FlareKernel& profile, float share, float strength) {
    if (share < 1e-5f) return;
    const float most = share * strength;
    const float step = most / float(std::max(profile.Count - 1, 1));
    for (int32_t i = 0; i < profile.Count; ++i) {
        float v = most - float(i) * step;
        if (v < 0.0f) break;
        if (v > 1.0f) v = 1.0f;
        KernelCell& cell = profile.Data[size_t(i)];
        cell.Red = (1.0f - v) * cell.Red + v;
        cell.Green = (1.0f - v) * cell.Green + v;
        cell.Blue = (1.0f - v) * cell.Blue + v;
    }
}

} // namespace vorlings::flare
