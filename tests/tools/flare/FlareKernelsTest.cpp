// SPDX-License-Identifier: Apache-2.0
#include "flare/FlareKernels.h"
#include "flare/FlareJob.h"
#include "host/System.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace vorlings::flare;

TEST(FlareKernels, SlitIntensityAtTheWorkedAngles) {
    EXPECT_NEAR(SlitIntensity(550.0f, 0.01f, 4.0f, 4.0f, 1), 0.035252, 5e-7);
    // The first dark ring of 700 nm light for a 4 mm slit.
    EXPECT_LT(SlitIntensity(700.0f, 0.0100268f, 4.0f, 4.0f, 1), 1e-10);
    // Two slits add their amplitudes near the axis: four times one slit's intensity.
    EXPECT_NEAR(SlitIntensity(550.0f, 1e-5f, 1.0f, 1.2f, 2), 3.99999, 5e-6);
    // On the axis itself the single slit's limit is 1, not a division by zero.
    EXPECT_EQ(SlitIntensity(550.0f, 0.0f, 4.0f, 4.0f, 1), 1.0);
}

TEST(FlareKernels, HaloSamplesFollowTheApertureAndFrameWidth) {
    float angle = 0.0f;
    FlareControls controls;
    FlareJob job{};
    FillFlareJob(job, controls, 720, 576);
    EXPECT_EQ(job.Aperture, 4.0f);
    EXPECT_EQ(HaloSamples(job.Aperture, &angle), 11);
    EXPECT_NEAR(angle, 0.010027, 5e-7);

    FillFlareJob(job, controls, 1920, 1080);
    EXPECT_EQ(job.Aperture, 1.5f);
    EXPECT_EQ(HaloSamples(job.Aperture, &angle), 27);
    EXPECT_NEAR(angle, 0.026738, 5e-7);

    controls.Aperture = 0.2f;
    FillFlareJob(job, controls, 720, 576);
    EXPECT_EQ(HaloSamples(job.Aperture, nullptr), 201);
    FillFlareJob(job, controls, 1920, 1080);
    EXPECT_EQ(HaloSamples(job.Aperture, nullptr), 535);
}

TEST(FlareKernels, HaloCentreIsSlightlyReddishAndTheSquareEndsBeforeItsLastSample) {
    float angle = 0.0f;
    const int32_t samples = HaloSamples(4.0f, &angle);
    std::optional<FlareKernel> halo = BuildDiffractionProfile(4.0f, 4.0f, 1, angle, samples, 2.0f);
    ASSERT_TRUE(halo);
    ASSERT_EQ(halo->Count, 11);
    // Sample 0: the flat spectrum's colour, its largest channel (red) scaled to the strength.
    EXPECT_EQ(halo->Data[0].Red, 2.0f);
    EXPECT_NEAR(halo->Data[0].Green, 2.0 * 0.85585, 2e-5);
    EXPECT_NEAR(halo->Data[0].Blue, 2.0 * 0.81512, 2e-5);
    // Every channel stays within 0..strength, and the light falls off toward the first dark
    // ring of red light, at the last sample.
    for (int i = 1; i < 11; ++i)
        for (float c : {halo->Data[i].Red, halo->Data[i].Green, halo->Data[i].Blue}) {
            EXPECT_GE(c, 0.0f);
            EXPECT_LE(c, 2.0f);
        }
    EXPECT_LT(halo->Data[10].Red, 0.1f * halo->Data[0].Red);
    EXPECT_LT(halo->Data[5].Red, halo->Data[0].Red);

    const KernelCell centreSample = halo->Data[0];
    ASSERT_TRUE(ProfileToKernel(*halo, 1.0f));
    EXPECT_FALSE(ProfileToKernel(*halo, 1.0f)) << "a square kernel is not a profile";
    ASSERT_EQ(halo->Side(), 23);
    for (int j = 0; j < 23; ++j)
        for (int i = 0; i < 23; ++i) {
            const KernelCell& cell = halo->Data[size_t(j * 23 + i)];
            const double d = std::hypot(i - 11, j - 11);
            if (d >= 10.0) {
                EXPECT_EQ(cell.Red, 0.0f) << i << ", " << j;
                EXPECT_EQ(cell.Blue, 0.0f) << i << ", " << j;
            } else if (d < 8.0) {
                EXPECT_GT(cell.Green, 0.0f) << i << ", " << j;
            }
            // Symmetric about the centre.
            EXPECT_EQ(cell.Green, halo->Data[size_t((22 - j) * 23 + (22 - i))].Green);
            EXPECT_EQ(cell.Green, halo->Data[size_t(i * 23 + j)].Green);
        }
    EXPECT_EQ(halo->Data[11 * 23 + 11].Red, centreSample.Red);

    // No fringes leave the kernel as it is; fringes only ever darken it.
    std::vector<KernelCell> before(halo->Data.get(), halo->Data.get() + 23 * 23);
    AddDarkFringes(*halo, 0, 1.0f, 1.0f);
    for (size_t c = 0; c < before.size(); ++c) EXPECT_EQ(halo->Data[c].Red, before[c].Red);
    AddDarkFringes(*halo, 200, 1.0f, 1.0f);
    bool darker = false;
    for (size_t c = 0; c < before.size(); ++c) {
        EXPECT_LE(halo->Data[c].Red, before[c].Red);
        EXPECT_GE(halo->Data[c].Red, 0.0f);
        darker |= halo->Data[c].Red < before[c].Red;
    }
    EXPECT_TRUE(darker);
}

TEST(FlareKernels, RandomUnitStaysBelowOne) {
    crt::srand(7);
    double lowest = 1.0, highest = 0.0;
    for (int i = 0; i < 200000; ++i) {
        const double u = RandomUnit();
        lowest = std::min(lowest, u);
        highest = std::max(highest, u);
    }
    EXPECT_EQ(lowest, 0.0);
    // rand() = 32767 is the largest draw.
    EXPECT_EQ(highest, 32767.0 / 32768.0);
}

TEST(FlareKernels, StreakCoreBlendsTowardWhiteAndFades) {
    std::optional<FlareKernel> streak = BuildDiffractionProfile(1.0f, 1.2f, 2, 0.07f, 41, 1.0f);
    ASSERT_TRUE(streak);
    const std::vector<KernelCell> plain(streak->Data.get(), streak->Data.get() + 41);
    WhitenStreakCore(*streak, 0.05f, 1.0f);
    EXPECT_NEAR(streak->Data[0].Green, 0.95f * plain[0].Green + 0.05f, 1e-7);
    EXPECT_NEAR(streak->Data[20].Blue, 0.975f * plain[20].Blue + 0.025f, 1e-7);
    EXPECT_NEAR(streak->Data[40].Red, plain[40].Red, 1e-8);
    // No share, no change; no samples is a valid, empty profile.
    WhitenStreakCore(*streak, 0.0f, 1.0f);
    EXPECT_NEAR(streak->Data[0].Green, 0.95f * plain[0].Green + 0.05f, 1e-7);
    std::optional<FlareKernel> empty = BuildDiffractionProfile(1.0f, 1.2f, 2, 0.07f, 0, 1.0f);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->Count, 0);
}

TEST(FlareKernels, GlowTotalsRadiusTimesStrength) {
    std::optional<GlowKernel> glow = BuildGlowKernel(6.5f, 1.5f, 1.0f);
    ASSERT_TRUE(glow);
    ASSERT_EQ(glow->Radius, 7);
    double total = 0.0;
    for (int c = 0; c < 15 * 15; ++c) {
        EXPECT_GE(glow->Weights[c], 0.0f);
        total += glow->Weights[c];
    }
    EXPECT_NEAR(total, 6.5 * 1.5, 1e-4);
    // Beyond the cone's radius nothing glows.
    EXPECT_EQ(glow->Weights[0], 0.0f);
    EXPECT_EQ(glow->Weights[7], 0.0f);

    // Radius 0 becomes 0.01: a 3 x 3 kernel of which only the centre can glow.
    crt::srand(3);
    glow = BuildGlowKernel(0.0f, 1.0f, 1.0f);
    ASSERT_TRUE(glow);
    ASSERT_EQ(glow->Radius, 1);
    for (int c = 0; c < 9; ++c) {
        if (c != 4) {
            EXPECT_EQ(glow->Weights[c], 0.0f) << c;
        }
    }
    EXPECT_NEAR(glow->Weights[4], 0.01f, 1e-8);
}
