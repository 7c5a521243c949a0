// SPDX-License-Identifier: Apache-2.0
#include "EstimateMotion.h"

#include "FieldCleanup.h"
#include "GreyPyramid.h"

namespace vorlings::moblur {

namespace {

// Grey level 0 of `frame`, smoothed, and the three halvings below it.
bool FillGreyPyramid(GreyPyramid& pyramid, const Image& frame, float smoothingWidth,
                     const std::atomic<int>& abortFlag) {
    const int32_t width = pyramid.Widths[0], height = pyramid.Heights[0];
    if (!MakeGreyPlane(frame, pyramid.Level(0), width, height, abortFlag)) return false;
    return SmoothGrey(pyramid.Level(0), width, height, smoothingWidth, abortFlag);
}

bool HalveGreyPyramid(GreyPyramid& pyramid, const std::atomic<int>& abortFlag) {
    for (int level = 1; level < kGreyLevels; ++level) {
        if (abortFlag) return false;
        HalveGrey(pyramid.Level(level - 1), pyramid.Widths[size_t(level - 1)],
                  pyramid.Heights[size_t(level - 1)], pyramid.Level(level));
    }
    return true;
}

} // namespace

std::optional<MotionField> EstimateMotion(const Image& next, const Image& prev, int32_t width,
                                          int32_t height, const MotionSettings& settings,
                                          const frame::ChunkSplit& split,
                                          const std::atomic<int>& abortFlag,
                                          const MatchPass& matchPass) {
    if (abortFlag) return std::nullopt;
    std::optional<MotionField> field = MakeMotionField(width, height);
    std::optional<GreyPyramid> nextGrey = AllocateGreyPyramid(width, height);
    std::optional<GreyPyramid> prevGrey = AllocateGreyPyramid(width, height);
    if (!field || !nextGrey || !prevGrey) return std::nullopt;

    if (!FillGreyPyramid(*nextGrey, next, settings.SmoothingWidth, abortFlag) ||
        !FillGreyPyramid(*prevGrey, prev, settings.SmoothingWidth, abortFlag) ||
        !HalveGreyPyramid(*nextGrey, abortFlag) || !HalveGreyPyramid(*prevGrey, abortFlag))
        return std::nullopt;

    const MotionJob job{
        MakeBlockGrid(settings.Left, settings.Right, settings.Top, settings.Bottom, width, height),
        width,
        height,
        &*nextGrey,
        &*prevGrey,
        &*field,
        split,
        settings.Unit};
    matchPass(job);
    if (abortFlag) return std::nullopt;

    {
        CBuffer<float> tempX = Allocate<float>(PlaneSize(width, height));
        CBuffer<float> tempY = Allocate<float>(PlaneSize(width, height));
        if (!tempX || !tempY) return std::nullopt;
        if (!CleanBlockMotion(*field, settings.Threshold, tempX.get(), tempY.get(), abortFlag))
            return std::nullopt;
    }
    InterpolateMotion(*field);
    if (!ZeroStillPixels(*field, nextGrey->Level(0), prevGrey->Level(0), settings.StillDifference,
                         abortFlag))
        return std::nullopt;
    if (abortFlag) return std::nullopt;
    return field;
}

} // namespace vorlings::moblur
