// SPDX-License-Identifier: Apache-2.0
#include "SpectralConverter.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace vorlings::flare {

namespace {

/// The CIE 1931 2-degree standard observer: x-bar, y-bar, z-bar from 380 to 780 nm in 5 nm
/// steps, to four decimals as published.
constexpr int kTableRecords = 81;
constexpr int kTableFirst = 380;
constexpr int kTableLast = 780;
constexpr int kTableStep = 5;
constexpr double kColourMatching[kTableRecords][3] = {
    {0.0014, 0.0000, 0.0065}, {0.0022, 0.0001, 0.0105}, {0.0042, 0.0001, 0.0201},
    {0.0076, 0.0002, 0.0362}, {0.0143, 0.0004, 0.0679}, {0.0232, 0.0006, 0.1102},
    {0.0435, 0.0012, 0.2074}, {0.0776, 0.0022, 0.3713}, {0.1344, 0.0040, 0.6456},
    {0.2148, 0.0073, 1.0391}, {0.2839, 0.0116, 1.3856}, {0.3285, 0.0168, 1.6230},
    {0.3483, 0.0230, 1.7471}, {0.3481, 0.0298, 1.7826}, {0.3362, 0.0380, 1.7721},
    {0.3187, 0.0480, 1.7441}, {0.2908, 0.0600, 1.6692}, {0.2511, 0.0739, 1.5281},
    {0.1954, 0.0910, 1.2876}, {0.1421, 0.1126, 1.0419}, {0.0956, 0.1390, 0.8130},
    {0.0580, 0.1693, 0.6162}, {0.0320, 0.2080, 0.4652}, {0.0147, 0.2586, 0.3533},
    {0.0049, 0.3230, 0.2720}, {0.0024, 0.4073, 0.2123}, {0.0093, 0.5030, 0.1582},
    {0.0291, 0.6082, 0.1117}, {0.0633, 0.7100, 0.0782}, {0.1096, 0.7932, 0.0573},
    {0.1655, 0.8620, 0.0422}, {0.2257, 0.9149, 0.0298}, {0.2904, 0.9540, 0.0203},
    {0.3597, 0.9803, 0.0134}, {0.4334, 0.9950, 0.0087}, {0.5121, 1.0000, 0.0057},
    {0.5945, 0.9950, 0.0039}, {0.6784, 0.9786, 0.0027}, {0.7621, 0.9520, 0.0021},
    {0.8425, 0.9154, 0.0018}, {0.9163, 0.8700, 0.0017}, {0.9786, 0.8163, 0.0014},
    {1.0263, 0.7570, 0.0011}, {1.0567, 0.6949, 0.0010}, {1.0622, 0.6310, 0.0008},
    {1.0456, 0.5668, 0.0006}, {1.0026, 0.5030, 0.0003}, {0.9384, 0.4412, 0.0002},
    {0.8544, 0.3810, 0.0002}, {0.7514, 0.3210, 0.0001}, {0.6424, 0.2650, 0.0000},
    {0.5419, 0.2170, 0.0000}, {0.4479, 0.1750, 0.0000}, {0.3608, 0.1382, 0.0000},
    {0.2835, 0.1070, 0.0000}, {0.2187, 0.0816, 0.0000}, {0.1649, 0.0610, 0.0000},
    {0.1212, 0.0446, 0.0000}, {0.0874, 0.0320, 0.0000}, {0.0636, 0.0232, 0.0000},
    {0.0468, 0.0170, 0.0000}, {0.0329, 0.0119, 0.0000}, {0.0227, 0.0082, 0.0000},
    {0.0158, 0.0057, 0.0000}, {0.0114, 0.0041, 0.0000}, {0.0081, 0.0029, 0.0000},
    {0.0058, 0.0021, 0.0000}, {0.0041, 0.0015, 0.0000}, {0.0029, 0.0010, 0.0000},
    {0.0020, 0.0007, 0.0000}, {0.0014, 0.0005, 0.0000}, {0.0010, 0.0004, 0.0000},
    {0.0007, 0.0002, 0.0000}, {0.0005, 0.0002, 0.0000}, {0.0003, 0.0001, 0.0000},
    {0.0002, 0.0001, 0.0000}, {0.0002, 0.0001, 0.0000}, {0.0001, 0.0000, 0.0000},
    {0.0001, 0.0000, 0.0000}, {0.0000, 0.0000, 0.0000}, {0.0000, 0.0000, 0.0000},
};

/// Solves a x = b for a 3 x 3 system by Gaussian elimination with partial pivoting (the
/// largest magnitude in the column; on a tie the upper row stays). False when a pivot is 0.
bool Solve3(Matrix3 a, std::array<double, 3> b, std::array<double, 3>& x) {
    for (int col = 0; col < 3; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 3; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (a[pivot][col] == 0.0) return false;
        std::swap(a[pivot], a[col]);
        std::swap(b[pivot], b[col]);
        for (int r = col + 1; r < 3; ++r) {
            const double factor = a[r][col] / a[col][col];
            for (int c = col; c < 3; ++c) a[r][c] -= factor * a[col][c];
            b[r] -= factor * b[col];
        }
    }
    for (int r = 2; r >= 0; --r) {
        double sum = b[r];
        for (int c = r + 1; c < 3; ++c) sum -= a[r][c] * x[c];
        x[r] = sum / a[r][r];
    }
    return true;
}

/// The inverse of `a` by Gauss-Jordan elimination with partial pivoting. False when a pivot
/// is 0.
bool Invert3(Matrix3 a, Matrix3& inverse) {
    Matrix3 inv{};
    for (int i = 0; i < 3; ++i) inv[i][i] = 1.0;
    for (int col = 0; col < 3; ++col) {
        int pivot = col;
        for (int r = col + 1; r < 3; ++r)
            if (std::fabs(a[r][col]) > std::fabs(a[pivot][col])) pivot = r;
        if (a[pivot][col] == 0.0) return false;
        std::swap(a[pivot], a[col]);
        std::swap(inv[pivot], inv[col]);
        const double p = a[col][col];
        for (int c = 0; c < 3; ++c) {
            a[col][c] /= p;
            inv[col][c] /= p;
        }
        for (int r = 0; r < 3; ++r) {
            if (r == col) continue;
            const double factor = a[r][col];
            for (int c = 0; c < 3; ++c) {
                a[r][c] -= factor * a[col][c];
                inv[r][c] -= factor * inv[col][c];
            }
        }
    }
    inverse = inv;
    return true;
}

/// Fills `out` (one value per nanometre from `lowest`) with column `channel` of the table:
/// zero outside 380..780 nm, linear between neighbouring records, adding a fifth of the
/// difference per nanometre.
void ExpandColumn(int channel, int32_t lowest, std::vector<double>& out) {
    for (size_t k = 0; k < out.size(); ++k) out[k] = 0.0;
    for (int record = 0; record < kTableRecords; ++record) {
        const int first = kTableFirst + record * kTableStep;
        if (record == kTableRecords - 1) {
            const int64_t at = int64_t(kTableLast) - lowest;
            if (at >= 0 && at < int64_t(out.size()))
                out[size_t(at)] = kColourMatching[record][channel];
            break;
        }
        double value = kColourMatching[record][channel];
        const double fifth =
            (kColourMatching[record + 1][channel] - kColourMatching[record][channel]) / kTableStep;
        for (int j = 0; j < kTableStep; ++j, value += fifth) {
            const int64_t at = int64_t(first) + j - lowest;
            if (at >= 0 && at < int64_t(out.size())) out[size_t(at)] = value;
        }
    }
}

double WeightedSum(std::span<const double> spectrum, const std::vector<double>& weights) {
    // The products are summed in increasing wavelength.
    double sum = 0.0;
    const size_t count = std::min(spectrum.size(), weights.size());
    for (size_t k = 0; k < count; ++k) sum += spectrum[k] * weights[k];
    return sum;
}

} // namespace

const Chromaticities kDefaultChromaticities = {{
    {0.67, 0.33, 0.0},
    {0.21, 0.71, 0.08},
    {0.14, 0.08, 0.78},
    {0.313, 0.329, 0.358},
}};

std::unique_ptr<SpectralConverter> CreateSpectralConverter(int32_t lowest, int32_t highest,
                                                           const Chromaticities* primaries) {
    if (highest < lowest) return nullptr;
    std::unique_ptr<SpectralConverter> converter(new (std::nothrow) SpectralConverter{});
    if (!converter) return nullptr;
    converter->Lowest = lowest;
    converter->Highest = highest;
    const Chromaticities& given = primaries ? *primaries : kDefaultChromaticities;
    for (int i = 0; i < 4; ++i)
        converter->Primaries[size_t(i)] = {given[size_t(i)].X, given[size_t(i)].Y,
                                           1.0 - given[size_t(i)].X - given[size_t(i)].Y};

    const Chromaticity& white = converter->Primaries[3];
    if (white.Y <= 0.0) return nullptr;
    Matrix3 p;
    for (int j = 0; j < 3; ++j) {
        p[0][size_t(j)] = converter->Primaries[size_t(j)].X;
        p[1][size_t(j)] = converter->Primaries[size_t(j)].Y;
        p[2][size_t(j)] = converter->Primaries[size_t(j)].Z;
    }
    std::array<double, 3> scale{};
    if (!Solve3(p, {white.X / white.Y, 1.0, white.Z / white.Y}, scale)) return nullptr;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j)
            converter->RgbToXyz[size_t(i)][size_t(j)] = p[size_t(i)][size_t(j)] * scale[size_t(j)];
    if (!Invert3(converter->RgbToXyz, converter->XyzToRgb)) return nullptr;

    try {
        const size_t samples = converter->Samples();
        converter->XBar.resize(samples);
        converter->YBar.resize(samples);
        converter->ZBar.resize(samples);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    ExpandColumn(0, lowest, converter->XBar);
    ExpandColumn(1, lowest, converter->YBar);
    ExpandColumn(2, lowest, converter->ZBar);
    double ySum = 0.0;
    for (double v : converter->YBar) ySum += v;
    converter->Normaliser = 1.0 / ySum;
    return converter;
}

Tristimulus SpectrumToXYZ(const SpectralConverter* converter, std::span<const double> spectrum) {
    if (!converter) return {0.0, 0.0, 0.0};
    return {WeightedSum(spectrum, converter->XBar) * converter->Normaliser,
            WeightedSum(spectrum, converter->YBar) * converter->Normaliser,
            WeightedSum(spectrum, converter->ZBar) * converter->Normaliser};
}

Tristimulus SpectrumToRGB(const SpectralConverter* converter, std::span<const double> spectrum) {
    if (!converter) return {0.0, 0.0, 0.0};
    const Tristimulus xyz = SpectrumToXYZ(converter, spectrum);
    const Matrix3& m = converter->XyzToRgb;
    return {m[0][0] * xyz.A + m[0][1] * xyz.B + m[0][2] * xyz.C,
            m[1][0] * xyz.A + m[1][1] * xyz.B + m[1][2] * xyz.C,
            m[2][0] * xyz.A + m[2][1] * xyz.B + m[2][2] * xyz.C};
}

} // namespace vorlings::flare
