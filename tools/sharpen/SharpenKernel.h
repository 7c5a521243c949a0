// SPDX-License-Identifier: Apache-2.0
// The numbers of a Sharpen render: the kernel radius from "Radius", the bell-shaped integer
// kernel, and the rule that turns a pixel's weighted sum into its sharpened channel word.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace vorlings::sharpen {

/// The kernel radius R runs from 1 to 5: at most 11 x 11 taps.
inline constexpr int32_t kLeastKernelRadius = 1;
inline constexpr int32_t kMostKernelRadius = 5;

/// A control value as the tool keeps it, in single precision. Values beyond the float range
/// are held at the largest float of their sign rather than made infinite, so that an absurd
/// "Power" still leaves a flat area as it is ((C - b) x Power is 0 there, never 0 x infinity).
float SinglePrecision(double value);

/// R for a picture `width` pixels wide: t = width x radius in double precision, 1.0 when it is
/// not above 1.0 (a NaN included), 5.0 when it is above 5.0, truncated toward zero.
int32_t KernelRadius(int32_t width, float radius);

/// The weight of the tap at row i and column j (0 to 2R each) of the kernel of radius R:
/// floor(256 x e^(-0.347 u^2)) with u = 2.5 d / R, d the tap's distance from the centre.
/// The centre weighs 256 and a tap at distance R weighs 29, whatever R is; every weight is
/// positive.
int32_t KernelWeight(int32_t radius, int32_t i, int32_t j);

/// A kernel's weights: one block from the C allocator for one render.
struct FreeWeights {
    void operator()(int32_t* weights) const { std::free(weights); }
};
using KernelWeights = std::unique_ptr<int32_t[], FreeWeights>;

/// The (2R + 1) x (2R + 1) weights of the kernel of radius R (1 to 5), row by row; null when
/// the block cannot be allocated.
KernelWeights MakeSharpenKernel(int32_t radius);

/// One sharpened channel word: the centre word C, the weighted sum of the taps that lie inside
/// the picture, and the whole kernel's sum. b = sum / kernelSum (integer division), then
/// (C - b) x power + C + 0.5 in double precision, left to right, truncated toward zero and held
/// to 0..65535. Taps outside the picture add nothing but the sum is still divided by the whole
/// kernel's: near the borders b comes out low and the pixel is raised.
uint16_t SharpenedWord(int32_t centre, int32_t sum, int32_t kernelSum, float power);

} // namespace vorlings::sharpen
