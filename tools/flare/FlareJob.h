// SPDX-License-Identifier: Apache-2.0
// The record through which a Flare render hands its derived values, region, planes, kernels
// and two cached tables to every step and pass. One block owned by the tool object for its
// whole life: rewritten at every render, except the two caches, which survive.
#pragma once

#include "FlareKernels.h"
#include "frame/Chunks.h"
#include "host/Image.h"

#include <cstdint>

namespace vorlings::flare {

inline constexpr int32_t kLevels = 16384; ///< 14-bit working values 0..16383
inline constexpr int32_t kTopLevel = kLevels - 1;
inline constexpr int kStreakTableSize = 1000;
inline constexpr int kPlaneStride = 4; ///< floats per pixel of the accumulation planes

/// One random streak: its direction (radians) and its length factor (0..1).
struct StreakDraw {
    float Angle;
    float Factor;
};

/// How pass 1 adds the halo and glow rows: plain, or several columns at once.
enum class RowAdder : uint8_t { Plain, Avx2, Avx512 };

/// The controls of one render as the tool holds them: numbers as 32-bit floats, the
/// region's centre as doubles, the point's position as floats.
struct FlareControls {
    float Aperture = 4, DarkFringes = 100, HaloStrength = 100, FringeStrength = 50;
    float StreakCount = 10, StreakLength = 0.1f, StreakRotation = 0, StreakStrength = 100;
    float Monochromatic = 5;
    float GlowRadius = 1, GlowStrength = 100;
    float Reflections = 0, Reflectivity = 5, ShiftScale = 10;
    float Contrast = 1.35f, LowThreshold = 90, HighThreshold = 100, LightmapOnly = 1;
    double CentreX = 0.5, CentreY = 0.5;
    float RegionWidth = 0.95f, RegionHeight = 0.95f;
    int32_t UsePoint = 0;
    float PointX = 0.6f, PointY = 0.6f;
    float Red = 1, Green = 1, Blue = 1;
};

struct FlareJob {
    float Aperture;       ///< effective aperture D in mm
    float GlowRadius;     ///< pixels
    float StreakRotation; ///< degrees
    int32_t StreakCount;
    int32_t FringeCount;
    float StreakLength; ///< pixels
    float HaloStrength;
    float StreakStrength;
    float MonochromaticShare;
    float GlowStrength;
    float FringeStrength;
    int32_t ReflectionsPlusOne;
    float Reflectivity;
    float ReflectionShift;
    float OverlayContrast;
    int32_t LowThreshold; ///< 14-bit
    int32_t HighThreshold;
    int32_t Width;
    int32_t Height;
    int32_t X0, Y0, X1, Y1; ///< the region, both ends excluded
    int32_t LightmapOnly;
    /// The red, green and blue accumulation planes, interleaved with a fourth, unused value:
    /// the element of channel c (0 red, 1 green, 2 blue) at (column, row) lies at
    /// kPlaneStride x (row x Width + column) + c. A streak step's three additions then touch
    /// one cache line instead of three.
    float* Planes;
    Image* WorkImage;
    const Image* SourceImage; ///< the light map while it is prepared, the background in pass 2
    Image* OutputImage;
    int32_t ContrastTable[kLevels];
    const FlareKernel* Halo;
    const FlareKernel* Streak;
    const GlowKernel* Glow;
    StreakDraw RandomStreakTable[kStreakTableSize];
    int32_t PointRed, PointGreen, PointBlue; ///< 14-bit
    int32_t PointFlag;
    int32_t PointColumn, PointRow;

    // What the passes need beyond the values above.
    float PixelAspect;
    frame::ChunkSplit Split;
    /// The halo's and the glow's square kernels as cells of (red, green, blue, 0) in the
    /// planes' layout, so that a kernel row adds into a plane row several values at once.
    const float* HaloCells;
    const float* GlowCells;
    RowAdder Adder;
};

/// Fills the derived values and the normalised region of `job` from `controls` for a frame
/// `width` x `height`; pointers, tables and kernels are left alone.
void FillFlareJob(FlareJob& job, const FlareControls& controls, int32_t width, int32_t height);

/// The contrast curve for overlay contrast `contrast`: entry i is the level i raised to the
/// power 1 / contrast, on the 14-bit scale, rounded.
void BuildContrastTable(int32_t (&table)[kLevels], float contrast);

/// Draws the 1000 streak directions and length factors, direction first.
void DrawStreakTable(StreakDraw (&table)[kStreakTableSize]);

/// Samples of the halo profile for effective aperture `aperture` mm: one per 0.001 degree of
/// the first dark ring of 700 nm light. Also gives that angle in degrees.
int32_t HaloSamples(float aperture, float* angle);

} // namespace vorlings::flare
