// SPDX-License-Identifier: Apache-2.0
#include "defocus/GaussianKernel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace vorlings::defocus;

TEST(DefocusKernel, WorkedExamples) {
    const GaussianKernel three = *MakeGaussianKernel(3.0f);
    EXPECT_EQ(three.Weights, (std::vector<uint32_t>{288, 3539, 15862, 26158, 15862, 3539, 288}));
    EXPECT_EQ(three.Shift, 16);
    // R = 18.6: the raw weight 16171 beside the centre times the float scale 1.0313524 is
    // 16677.9997, which the float product rounds to 16678 before truncating; the centre takes
    // what the others lost.
    const GaussianKernel near = *MakeGaussianKernel(18.6f);
    ASSERT_EQ(near.Count(), 39);
    EXPECT_EQ(near.Shift, 18);
    EXPECT_EQ(near.Weights[18], 16678u);
    EXPECT_EQ(near.Weights[19], 16916u);
    for (float zero : {0.0f, -2.0f, 0.005f, std::numeric_limits<float>::quiet_NaN()}) {
        const GaussianKernel one = *MakeGaussianKernel(zero);
        EXPECT_EQ(one.Weights, std::vector<uint32_t>{16384}) << zero;
        EXPECT_EQ(one.Shift, 14) << zero;
    }
}

TEST(DefocusKernel, EveryKernelIsSymmetricAndSumsToItsPowerOfTwo) {
    for (float r : {0.4f, 0.7f, 1.5f, 2.0f, 3.84f, 6.4f, 19.2f, 33.3f, 96.0f, 150.0f, 4000.0f}) {
        const GaussianKernel k = *MakeGaussianKernel(r);
        ASSERT_EQ(k.Count() % 2, 1) << r;
        uint64_t sum = 0;
        for (int32_t i = 0; i < k.Count(); ++i) {
            sum += k.Weights[size_t(i)];
            EXPECT_EQ(k.Weights[size_t(i)], k.Weights[size_t(k.Count() - 1 - i)]) << r;
            EXPECT_GT(k.Weights[size_t(i)], 0u) << r;
            if (i > 0 && i <= k.Centre()) {
                EXPECT_GE(k.Weights[size_t(i)], k.Weights[size_t(i - 1)]);
            }
        }
        EXPECT_EQ(sum, uint64_t(1) << k.Shift) << r;
        // At these radii the tails out to d = ceil(R), 3 sigma or a little more, still weigh
        // exp(-d^2 / 2 sigma^2) x 16383 >= 1: none is left out.
        if (r >= 1.0f) {
            EXPECT_EQ(k.Count(), 2 * int32_t(std::ceil(r)) + 1) << r;
        }
    }
    // Past the reach that can be allocated, no kernel.
    EXPECT_FALSE(MakeGaussianKernel(2.0f * kMaxKernelReach));
    EXPECT_FALSE(MakeGaussianKernel(std::numeric_limits<float>::infinity()));
}
