// SPDX-License-Identifier: Apache-2.0
// CrashZoom: a convergence (zoom) blur. Every pixel beyond a clear circle around a centre
// becomes the mean of the input along a streak toward the centre, or away from it, whose
// length grows with the pixel's distance from the circle.
#pragma once

#include "CrashZoomJob.h"
#include "frame/JobSlot.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

#include <span>

namespace vorlings::crashzoom {

class CrashZoomPlugIn final : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x80010072;

    CrashZoomPlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~CrashZoomPlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    void Process(Request* request) override;
    void ProcessChunk(Request* request, int chunk) override;

    // Links, in declaration order.
    Input* Center;
    Input* ClearAreaRadius;
    Input* Speed;
    Input* Oversampling;
    Input* In;
    Output* Out;

private:
    frame::JobSlot<CrashZoomJob> job_;
};

/// The tile bitmap (tile.bmp beside this file).
extern const std::span<const uint8_t> kTile;

inline constexpr frame::ToolInfo CrashZoomInfo{
    "CrashZoomPlugIn",
    CrashZoomPlugIn::ClassID,
    "CrashZoom",
    "CZm",
    "For convergence blur effect",
    "TharnVorlings.chm::/html/crashzoom.htm",
    109,
    &frame::MakeTool<CrashZoomPlugIn>,
    &kTile,
};

} // namespace vorlings::crashzoom
