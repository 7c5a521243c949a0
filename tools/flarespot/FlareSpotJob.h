// SPDX-License-Identifier: Apache-2.0
// What every chunk of a FlareSpot render reads, and how the controls become spot parameters.
#pragma once

#include "LensModel.h"
#include "SpotRecords.h"
#include "frame/Chunks.h"
#include "host/Image.h"
#include "host/Parameter.h"

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace vorlings::flarespot {

/// The control values of one render, each number rounded to single precision as the tool
/// keeps them; the points stay doubles (fractions of the width and height, Y from the top).
struct FlareSpotControls {
    Point Source{0.1, 0.1};
    Point Destination{0.9, 0.9};
    float SourceRadius = 0.2f;
    float SourceSides = 5;
    float Brightness = 100;
    float MinimumScale = 20;
    float MaximumScale = 600;
    float MaximumSaturation = 50;
    float Defocus = 100;
    float LensType = 0;
    float EdgeBoost = 0;
    float ColourOverride = 0;
    float StartColour[3] = {1, 1, 1}; ///< red, green, blue, 0 to 1
    float EndColour[3] = {1, 1, 1};
};

/// The spot parameters of `controls` (sizes, counts and switches in the tool's units, the
/// two colours as hues).
SpotParams MakeSpotParams(const FlareSpotControls& controls);

/// The hue (0 to 16383) of a colour whose components run from 0 to 1; components outside
/// that range are held at its ends. Greys, the default white included, have hue 0.
int32_t ColourHue(const float (&rgb)[3]);

/// The "Lens Type" value as the index SelectLens takes.
int32_t LensIndex(float lensType);

/// The three light planes of a render and their rows' lit spans, from the C allocator; empty
/// when any allocation failed. Chunks empty their own rows' spans before drawing.
class PlaneStore {
public:
    PlaneStore(int32_t width, int32_t height);
    bool Allocated() const { return red_ && green_ && blue_ && lit_; }
    LightPlanes Planes() const;

private:
    struct Free {
        void operator()(int32_t* p) const { std::free(p); }
    };
    struct FreeSpans {
        void operator()(LitSpan* p) const { std::free(p); }
    };
    int32_t width_, height_;
    std::unique_ptr<int32_t, Free> red_, green_, blue_;
    std::unique_ptr<LitSpan, FreeSpans> lit_;
};

struct FlareSpotJob {
    const Image* InputImage;
    Image* OutputImage;
    const LensTable* Lens;
    const SpotParams* Params;
    const LightPlanes* Planes;
    frame::ChunkSplit Split; ///< by rows
    bool Vector;             ///< spans are shaded on the vector unit
};

} // namespace vorlings::flarespot
