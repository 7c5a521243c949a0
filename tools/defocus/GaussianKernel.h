// SPDX-License-Identifier: Apache-2.0
// The integer Gaussian that Defocus blurs with: a short list of weights that sum to a power of
// two, so that normalising a weighted sum is a shift instead of a division.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace vorlings::defocus {

/// The reach n beyond which no kernel is built: its 2n + 1 weights count as memory that cannot
/// be had, so a render asking for one renders nothing, as for any failed allocation. At this
/// reach the kernel is already hundreds of times longer than any picture's line.
inline constexpr int32_t kMaxKernelReach = 1 << 20;

struct GaussianKernel {
    /// The non-zero middle of the Gaussian: symmetric, an odd count, centre at Count() / 2.
    std::vector<uint32_t> Weights;
    /// The weights sum to exactly 2^Shift.
    int32_t Shift = 0;

    int32_t Count() const { return int32_t(Weights.size()); }
    int32_t Centre() const { return Count() / 2; }
};

/// The kernel for a blur reaching `radius` pixels (a float, as the render stores it).
///
/// Raw weights floor(exp(-d^2 / q) x 16383) for d = -n..n, n = ceil(max(radius, 0.01)),
/// sigma = radius / 3 and q = 2 sigma^2 held as a float; the zero ones at the tails are left
/// out. They are then scaled by the float P / T (T their total, P the smallest power of two
/// above it, at most 2^30) and truncated, and the centre takes what truncation lost, so that
/// they sum to P exactly. Each step rounds where a 32-bit float store or a truncation says.
///
/// Null when the 2n + 1 weights cannot be allocated, or n exceeds kMaxKernelReach (also for
/// an infinite radius). A negative or NaN radius counts as 0.
std::optional<GaussianKernel> MakeGaussianKernel(float radius);

} // namespace vorlings::defocus
