// SPDX-License-Identifier: Apache-2.0
#include "flare/SpectralConverter.h"

#include <gtest/gtest.h>

#include <vector>

using namespace vorlings::flare;

namespace {

std::unique_ptr<SpectralConverter> Visible() {
    return CreateSpectralConverter(400, 700, nullptr);
}

} // namespace

TEST(FlareSpectralConverter, NormalisesByTheSumOfYBarOverItsRange) {
    const auto converter = Visible();
    ASSERT_TRUE(converter);
    double sum = 0.0;
    for (double v : converter->YBar) sum += v;
    EXPECT_NEAR(sum, 106.7955, 5e-5);
    EXPECT_DOUBLE_EQ(converter->Normaliser, 1.0 / sum);

    // A spectrum lit at 555 nm only sees y-bar's peak, 1.
    std::vector<double> line(converter->Samples(), 0.0);
    line[555 - 400] = 1.0;
    EXPECT_NEAR(SpectrumToXYZ(converter.get(), line).B, 1.0 / 106.7955, 1e-9);
}

TEST(FlareSpectralConverter, ConstantSpectrumGivesTheStandardTablesWhite) {
    const auto converter = Visible();
    ASSERT_TRUE(converter);
    const std::vector<double> flat(converter->Samples(), 1.0);
    const Tristimulus xyz = SpectrumToXYZ(converter.get(), flat);
    EXPECT_NEAR(xyz.A, 0.99809, 5e-6);
    EXPECT_NEAR(xyz.B, 1.0, 1e-12);
    EXPECT_NEAR(xyz.C, 0.99588, 5e-6);
    const Tristimulus rgb = SpectrumToRGB(converter.get(), flat);
    EXPECT_NEAR(rgb.A, 1.11928, 5e-6);
    EXPECT_NEAR(rgb.B, 0.95794, 5e-6);
    EXPECT_NEAR(rgb.C, 0.91235, 5e-6);
}

TEST(FlareSpectralConverter, MatricesOfTheDefaultPrimariesAreInverses) {
    const auto converter = Visible();
    ASSERT_TRUE(converter);
    const double toXyz[3][3] = {
        {0.58932, 0.17898, 0.18307}, {0.29026, 0.60513, 0.10461}, {0.0, 0.06818, 1.01996}};
    const double toRgb[3][3] = {
        {1.96696, -0.54833, -0.29680}, {-0.95452, 1.93796, -0.02744}, {0.06381, -0.12955, 0.98226}};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            EXPECT_NEAR(converter->RgbToXyz[i][j], toXyz[i][j], 5e-6) << i << ", " << j;
            EXPECT_NEAR(converter->XyzToRgb[i][j], toRgb[i][j], 5e-6) << i << ", " << j;
        }
    // The white point maps to RGB (1, 1, 1): the primaries' scales solve for it.
    const Chromaticity& white = kDefaultChromaticities[3];
    const double wx = white.X / white.Y, wz = (1.0 - white.X - white.Y) / white.Y;
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(converter->XyzToRgb[i][0] * wx + converter->XyzToRgb[i][1] +
                        converter->XyzToRgb[i][2] * wz,
                    1.0, 1e-12);
}

TEST(FlareSpectralConverter, RangesBeyondTheTableHoldZeros) {
    const auto converter = CreateSpectralConverter(370, 790, nullptr);
    ASSERT_TRUE(converter);
    for (int nm : {370, 379, 781, 790}) {
        const size_t k = size_t(nm - 370);
        EXPECT_EQ(converter->XBar[k], 0.0) << nm;
        EXPECT_EQ(converter->YBar[k], 0.0) << nm;
        EXPECT_EQ(converter->ZBar[k], 0.0) << nm;
    }
    // The table's own records come through unchanged, and between them the values are linear.
    EXPECT_EQ(converter->XBar[380 - 370], 0.0014);
    EXPECT_EQ(converter->ZBar[380 - 370], 0.0065);
    EXPECT_EQ(converter->YBar[555 - 370], 1.0);
    EXPECT_NEAR(converter->XBar[382 - 370], 0.0014 + (0.0022 - 0.0014) * 2 / 5, 1e-15);
}

TEST(FlareSpectralConverter, RefusesAWhitePointWithoutHeightAndASingularSet) {
    Chromaticities primaries = kDefaultChromaticities;
    primaries[3] = {0.313, 0.0, 0.0};
    EXPECT_EQ(CreateSpectralConverter(400, 700, &primaries), nullptr);
    // Two equal primaries leave no way to reach the white point.
    primaries = kDefaultChromaticities;
    primaries[1] = primaries[0];
    EXPECT_EQ(CreateSpectralConverter(400, 700, &primaries), nullptr);
    // Without a converter the conversions give black.
    const std::vector<double> flat(301, 1.0);
    EXPECT_EQ(SpectrumToXYZ(nullptr, flat).B, 0.0);
}
