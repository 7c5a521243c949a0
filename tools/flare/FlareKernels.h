// SPDX-License-Identifier: Apache-2.0
// The three kernels through which every light pixel spreads: the coloured diffraction halo
// with its dark fringes, the whitened streak profile and the textured glow. All are built on
// the render thread before the passes and only read during them.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

namespace vorlings::flare {

/// Frees a block of the C allocator.
struct FreeBlock {
    void operator()(void* block) const { std::free(block); }
};

/// A zero-filled block of the C allocator, as the render's tables are.
template <class T>
using CBlock = std::unique_ptr<T[], FreeBlock>;

/// Largest table or plane the tool asks for, in elements. A kernel or plane beyond it counts
/// as one that cannot be allocated, so that absurd control values end the render instead of
/// exhausting memory.
inline constexpr uint64_t kMaxElements = uint64_t(1) << 28;

/// `count` zeroed elements, or null when they cannot be had (or exceed kMaxElements).
template <class T>
CBlock<T> AllocateZeroed(uint64_t count) {
    if (count == 0 || count > kMaxElements) return nullptr;
    return CBlock<T>(static_cast<T*>(std::calloc(size_t(count), sizeof(T))));
}

/// Red, green, blue and a fourth value that only the halo uses, as its dark-fringe mask.
struct KernelCell {
    float Red;
    float Green;
    float Blue;
    float Mask;
};

enum class KernelKind : int32_t { Profile = 1, Square = 2 };

/// A radial profile of Count samples (sample i lies i pixels from the centre), or after
/// ProfileToKernel a square of (2 Count + 1)^2 cells, row after row.
struct FlareKernel {
    int32_t Count = 0;
    CBlock<KernelCell> Data;
    float SlitWidth = 0;
    float SlitSpacing = 0;
    int32_t SlitCount = 0;
    KernelKind Kind = KernelKind::Profile;

    int32_t Side() const { return 2 * Count + 1; }
};

/// Radius and (2 Radius + 1)^2 single weights, row after row.
struct GlowKernel {
    int32_t Radius = 0;
    CBlock<float> Weights;

    int32_t Side() const { return 2 * Radius + 1; }
};

/// The host's 15-bit rand scaled to [0, 1); never 1.
double RandomUnit();

/// Fraunhofer intensity of `slits` slits `width` mm wide and `spacing` mm apart, at
/// `wavelength` nm and `angle` degrees, relative to the centre of one slit.
double SlitIntensity(float wavelength, float angle, float width, float spacing, int32_t slits);

/// The coloured profile of `count` samples over 0..maxAngle degrees: each sample's spectrum over
/// 400..700 nm converted to RGB, divided by the largest channel of sample 0, clamped to 0..1
/// and multiplied by `strength`. Empty (Count 0) for count 0 or less; none when memory is
/// short or the colour converter cannot be made.
std::optional<FlareKernel> BuildDiffractionProfile(float width, float spacing, int32_t slits,
                                                   float maxAngle, int32_t count, float strength);

/// Turns a profile into the square kernel that is symmetric about its centre, stretched
/// vertically by 1 / `aspect`. False (the profile kept) when it is already square or memory
/// is short.
bool ProfileToKernel(FlareKernel& kernel, float aspect);

/// Crosses a square kernel with `count` random dark radial fringes of darkness up to
/// `strength` (0..1).
void AddDarkFringes(FlareKernel& kernel, int32_t count, float strength, float aspect);

/// Blends the start of a profile toward white: `share` x `strength` at sample 0, fading
/// linearly to nothing at the last sample.
void WhitenStreakCore(FlareKernel& profile, float share, float strength);

/// A cone of radius `radius` pixels with a random texture, scaled to total radius x
/// `strength`; none when memory is short.
std::optional<GlowKernel> BuildGlowKernel(float radius, float strength, float aspect);

/// Distance of (dx, dy) from the centre with the vertical stretched by 1 / `aspect`, in the
/// float steps the kernels are measured with.
inline float AspectDistanceSquared(int64_t dx, int64_t dy, float aspect) {
    if (aspect < 1.0f) return float(dx * dx) / aspect / aspect + float(dy * dy);
    return float(dy * dy) * aspect * aspect + float(dx * dx);
}

} // namespace vorlings::flare
