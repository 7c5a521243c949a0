// SPDX-License-Identifier: Apache-2.0
#include "FlareJob.h"

#include "frame/Numeric.h"

#include <cmath>
#include <utility>

namespace vorlings::flare {

using frame::TruncToInt32;

void FillFlareJob(FlareJob& job, const FlareControls& c, int32_t width, int32_t height) {
    const int32_t w = width, h = height;
    // The float stores and the int-times-float products follow the values' own types; the
    // region's "Width" times W in float is what puts a 720-pixel frame's edge at 702.
    job.Aperture = float((720.0 / w) * c.Aperture);
    job.GlowRadius = float(w * c.GlowRadius * 0.01);
    job.StreakRotation = c.StreakRotation;
    job.StreakCount = TruncToInt32(c.StreakCount);
    job.FringeCount = TruncToInt32(c.DarkFringes);
    job.StreakLength = w * c.StreakLength;
    job.HaloStrength = float(c.HaloStrength * 0.01 * w * 0.001388888888888889);
    job.StreakStrength = float(c.StreakStrength * 0.01);
    job.MonochromaticShare = float(c.Monochromatic * 0.01);
    job.GlowStrength = float(c.GlowStrength * 0.01);
    job.FringeStrength = float(c.FringeStrength * 0.01);
    job.ReflectionsPlusOne = TruncToInt32(c.Reflections + 1.0);
    job.Reflectivity = float(c.Reflectivity * 0.01);
    job.ReflectionShift = float(c.ShiftScale * 0.1);
    job.OverlayContrast = c.Contrast;
    job.LowThreshold = TruncToInt32(c.LowThreshold * 163.83 + 0.5);
    job.HighThreshold = TruncToInt32(c.HighThreshold * 163.83 + 0.5);
    job.Width = w;
    job.Height = h;

    const int32_t cx = TruncToInt32(w * c.CentreX), cy = TruncToInt32(h * c.CentreY);
    job.X0 = TruncToInt32(cx - w * c.RegionWidth * 0.5);
    job.X1 = TruncToInt32(w * c.RegionWidth * 0.5 + cx);
    job.Y0 = TruncToInt32(cy - h * c.RegionHeight * 0.5);
    job.Y1 = TruncToInt32(h * c.RegionHeight * 0.5 + cy);
    if (job.X0 > job.X1) std::swap(job.X0, job.X1);
    if (job.Y0 > job.Y1) std::swap(job.Y0, job.Y1);

    job.LightmapOnly = TruncToInt32(c.LightmapOnly + 0.5);
    job.PointRed = TruncToInt32(c.Red * 16383);
    job.PointGreen = TruncToInt32(c.Green * 16383);
    job.PointBlue = TruncToInt32(c.Blue * 16383);
    job.PointFlag = c.UsePoint != 0 ? 1 : 0;
    job.PointColumn = TruncToInt32(w * c.PointX);
    job.PointRow = TruncToInt32(h * c.PointY);
}

void BuildContrastTable(int32_t (&table)[kLevels], float contrast) {
    const float step = float(1.0 / 16383.0);
    const float exponent = float(1.0 / contrast);
    for (int32_t i = 0; i < kLevels; ++i) {
        double v = std::pow(double(i * step), double(exponent)) * 16383.0 + 0.5;
        if (v > 16383) v = 16383;
        table[i] = TruncToInt32(v);
    }
}

void DrawStreakTable(StreakDraw (&table)[kStreakTableSize]) {
    for (StreakDraw& draw : table) {
        draw.Angle = float(RandomUnit() * 3.1415926);
        draw.Factor = float(RandomUnit());
    }
}

int32_t HaloSamples(float aperture, float* angle) {
    // 7e-7 m is 700 nm; the factor is 180 / 3.14159.
    const float theta = float(std::asin(7e-7 / (aperture * 0.001)) * 57.295827908797776);
    if (angle) *angle = theta;
    return 1 - TruncToInt32(theta * -999.9999389648438);
}

} // namespace vorlings::flare
