// SPDX-License-Identifier: Apache-2.0
// MoBlur's control values turned into the quantities of one render, in pixels of frame t.
#pragma once

#include "EstimateMotion.h"
#include "SmearFrame.h"

#include "host/Parameter.h"

#include <cstdint>

namespace vorlings::moblur {

/// The control values of one render, as the request delivers them.
struct MoBlurControls {
    double Steps = 10.0;
    double StartWeight = 1.0;
    double EndWeight = 1.0;
    double LengthScale = 1.0;
    double Threshold = 2.0;
    Point Center{0.5, 0.5};
    double BoundsWidth = 0.95;
    double BoundsHeight = 0.95;
};

struct MoBlurSettings {
    MotionSettings Motion;
    SmearSettings Smear;
};

/// The controls are kept as 32-bit floats (the centre as doubles); the bounding region is the
/// rectangle of "Width" x "Height" around the centre, each side truncated to a pixel.
MoBlurSettings MakeMoBlurSettings(const MoBlurControls& controls, int32_t width, int32_t height);

} // namespace vorlings::moblur
