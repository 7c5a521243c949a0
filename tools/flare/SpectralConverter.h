// SPDX-License-Identifier: Apache-2.0
// Spectra sampled at every whole nanometre to CIE XYZ and to linear RGB. Flare colours its
// diffraction patterns with it; the module knows nothing of images or the host.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace vorlings::flare {

/// One chromaticity (x, y, z); z is always recomputed as 1 - x - y.
struct Chromaticity {
    double X, Y, Z;
};

/// Red, green and blue primaries, then the white point.
using Chromaticities = std::array<Chromaticity, 4>;

/// The primaries and white point used when none are given.
extern const Chromaticities kDefaultChromaticities;

struct Tristimulus {
    double A, B, C; ///< (X, Y, Z) or (R, G, B)
};

using Matrix3 = std::array<std::array<double, 3>, 3>;

/// Converts spectra over lo..hi nm. The colour matching values are expanded once to one value
/// per nanometre, so that each conversion is three dot products.
struct SpectralConverter {
    int32_t Lowest;
    int32_t Highest;
    Matrix3 XyzToRgb; ///< row i gives channel i from (X, Y, Z)
    Matrix3 RgbToXyz; ///< column j is primary j scaled to the white point
    Chromaticities Primaries;
    std::vector<double> XBar, YBar, ZBar; ///< lo, lo + 1, ..., hi nm
    double Normaliser;                    ///< 1 / (sum of YBar)

    size_t Samples() const { return size_t(Highest - Lowest + 1); }
};

/// A converter for lo..hi nm with `primaries` (null: the defaults), or null when the white
/// point's y is not above 0, a matrix is singular, or memory is short.
std::unique_ptr<SpectralConverter> CreateSpectralConverter(int32_t lowest, int32_t highest,
                                                           const Chromaticities* primaries);

/// (X, Y, Z) of `spectrum` (one value per nanometre from lo), normalised so that a constant 1
/// gives Y = 1; (0, 0, 0) without a converter.
Tristimulus SpectrumToXYZ(const SpectralConverter* converter, std::span<const double> spectrum);

/// Linear (R, G, B) of `spectrum`, neither clamped nor normalised.
Tristimulus SpectrumToRGB(const SpectralConverter* converter, std::span<const double> spectrum);

} // namespace vorlings::flare
