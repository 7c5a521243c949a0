// SPDX-License-Identifier: Apache-2.0
// Trace: draws the contour lines where each channel of the image crosses a level, in the
// channels' own colours or in white, on black or over the image.
#pragma once

#include "TraceJob.h"
#include "frame/JobSlot.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

#include <span>

namespace vorlings::trace {

class TracePlugIn final : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x8001006F;

    TracePlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~TracePlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    void Process(Request* request) override;
    void ProcessChunk(Request* request, int chunk) override;

    // Links, in declaration order.
    Input* Level;
    Input* OverImage;
    Input* Color;
    Input* ContourAlpha;
    Input* In;
    Output* Out;

private:
    frame::JobSlot<TraceJob> job_;
};

/// The tile bitmap (tile.bmp beside this file).
extern const std::span<const uint8_t> kTile;

inline constexpr frame::ToolInfo TraceInfo{
    "TracePlugIn",
    TracePlugIn::ClassID,
    "Trace",
    "Tra",
    "For tracing image value contours",
    "TharnVorlings.chm::/html/trace.htm",
    101,
    &frame::MakeTool<TracePlugIn>,
    &kTile,
};

} // namespace vorlings::trace
