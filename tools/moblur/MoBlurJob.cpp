// SPDX-License-Identifier: Apache-2.0
#include "MoBlurJob.h"

#include "frame/Numeric.h"

namespace vorlings::moblur {

MoBlurSettings MakeMoBlurSettings(const MoBlurControls& controls, int32_t width, int32_t height) {
    const double halfWidth = double(float(controls.BoundsWidth)) * 0.5;
    const double halfHeight = double(float(controls.BoundsHeight)) * 0.5;
    MoBlurSettings settings;
    settings.Motion.Left = frame::TruncToInt32((controls.Center.X - halfWidth) * width);
    settings.Motion.Right = frame::TruncToInt32((controls.Center.X + halfWidth) * width);
    settings.Motion.Top = frame::TruncToInt32((controls.Center.Y - halfHeight) * height);
    settings.Motion.Bottom = frame::TruncToInt32((controls.Center.Y + halfHeight) * height);
    settings.Motion.SmoothingWidth = 2.5f;
    settings.Motion.StillDifference = 1;
    settings.Motion.Threshold = float(controls.Threshold);
    settings.Smear.Steps = frame::TruncToInt32(double(float(controls.Steps)));
    settings.Smear.StartWeight = float(controls.StartWeight);
    settings.Smear.EndWeight = float(controls.EndWeight);
    settings.Smear.LengthScale = float(controls.LengthScale);
    return settings;
}

} // namespace vorlings::moblur
