// SPDX-License-Identifier: Apache-2.0
// MoBlur: velocity blur. The tool asks for two frames of its input, t and t + 1, finds where
// every pixel of frame t + 1 came from in frame t, and smears it along that path, its colour
// turning toward the colour it had there. Motion is looked for inside a rectangle around a
// centre; outside it the frame passes through unblurred.
#pragma once

#include "BlockMatch.h"
#include "SmearRows.h"
#include "frame/JobSlot.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

#include <span>

namespace vorlings::moblur {

class MoBlurPlugIn final : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x80010090;

    MoBlurPlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~MoBlurPlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    /// Asks for "First input" at frame t (the request's time, truncated) and at t + 1.
    void CheckRequest(Request* request) override;
    void Process(Request* request) override;
    void ProcessChunk(Request* request, int chunk) override;

    // Links, in declaration order.
    Input* NumberOfSteps;
    Input* StartWeight;
    Input* EndWeight;
    Input* LengthScale;
    Input* Threshold;
    Input* Center;
    Input* BoundsWidth;
    Input* BoundsHeight;
    Input* BoundingRegion;
    Input* First;
    Output* Out;

private:
    void Blur(Request* request, const Image& prev, const Image& next, Image& output);

    // The pass whose chunks are running (1: block matching, 2: smear), and its job.
    int pass_ = 0;
    frame::JobSlot<MotionJob> motionJob_;
    frame::JobSlot<SmearJob> smearJob_;
};

/// The tile bitmap (tile.bmp beside this file).
extern const std::span<const uint8_t> kTile;

inline constexpr frame::ToolInfo MoBlurInfo{
    "MoBlurPlugIn",
    MoBlurPlugIn::ClassID,
    "MoBlur",
    "MB",
    "For velocity blur effect",
    "TharnVorlings.chm::/html/moblur.htm",
    103,
    &frame::MakeTool<MoBlurPlugIn>,
    &kTile,
    true,
};

} // namespace vorlings::moblur
