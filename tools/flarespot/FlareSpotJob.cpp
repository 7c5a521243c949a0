// SPDX-License-Identifier: Apache-2.0
#include "FlareSpotJob.h"

#include "HsvColour.h"
#include "frame/Numeric.h"

#include <algorithm>

namespace vorlings::flarespot {

int32_t ColourHue(const float (&rgb)[3]) {
    int32_t c[3];
    for (int k = 0; k < 3; ++k)
        c[k] = std::clamp(frame::TruncToInt32(rgb[k] * 16383 + 0.5), 0, kFull14);
    return RgbToHsv14(c[0], c[1], c[2]).Hue;
}

int32_t LensIndex(float lensType) {
    return frame::TruncToInt32(lensType + 0.5);
}

SpotParams MakeSpotParams(const FlareSpotControls& c) {
    SpotParams p{};
    p.SourceRadius = float(c.SourceRadius * 0.1);
    p.Sides = std::clamp(frame::TruncToInt32(c.SourceSides + 0.5), kMinSides, kMaxSides);
    // Lens coordinates: the image spans -1 to +1 on both axes.
    p.SourceX = float(2 * c.Source.X - 1);
    p.SourceY = float(2 * c.Source.Y - 1);
    p.DestinationX = float(2 * c.Destination.X - 1);
    p.DestinationY = float(2 * c.Destination.Y - 1);
    p.MinimumScale = float(c.MinimumScale * 0.01);
    p.MaximumScale = float(c.MaximumScale * 0.01);
    p.Brightness = float(c.Brightness * 0.01);
    p.Defocus = float(c.Defocus * 0.01);
    p.Saturation = float(c.MaximumSaturation * 0.01);
    p.StartHue = ColourHue(c.StartColour);
    p.EndHue = ColourHue(c.EndColour);
    p.EdgeBoost = c.EdgeBoost > 0.5 ? 1 : 0;
    p.ColourOverride = frame::TruncToInt32(c.ColourOverride + 0.5);
    return p;
}

PlaneStore::PlaneStore(int32_t width, int32_t height) : width_(width), height_(height) {
    const size_t bytes = size_t(std::max(width, 0)) * size_t(std::max(height, 0)) * 4;
    if (bytes == 0) return;
    red_.reset(static_cast<int32_t*>(std::malloc(bytes)));
    green_.reset(static_cast<int32_t*>(std::malloc(bytes)));
    blue_.reset(static_cast<int32_t*>(std::malloc(bytes)));
    lit_.reset(static_cast<LitSpan*>(std::malloc(size_t(height) * sizeof(LitSpan))));
}

LightPlanes PlaneStore::Planes() const {
    return {width_, height_, red_.get(), green_.get(), blue_.get(), lit_.get()};
}

} // namespace vorlings::flarespot
