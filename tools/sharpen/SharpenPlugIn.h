// SPDX-License-Identifier: Apache-2.0
// Sharpen: an unsharp mask. Every channel of every pixel moves away from a weighted local
// average by "Power" times its distance from it; the average is taken with a small integer
// kernel shaped like a bell, whose reach is "Radius" x the frame width (1 to 5 pixels).
#pragma once

#include "SharpenJob.h"
#include "frame/JobSlot.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

#include <span>

namespace vorlings::sharpen {

class SharpenPlugIn : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x8001006B;

    SharpenPlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~SharpenPlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    void Process(Request* request) override;
    /// Runs SharpenChunk with the current job.
    void ProcessChunk(Request* request, int chunk) override;

    // The tool's own operations, in their slot order after QuickProcessChunk.
    /// Builds the kernel and the job from the frame's images and control values, and runs the
    /// chunks; without a kernel no chunk runs.
    virtual void RunChunks(Request* request);
    /// The worker for chunk `chunk` of rows.
    virtual void SharpenChunk(const SharpenJob& job, int chunk);

    // Links, in declaration order.
    Input* Radius;
    Input* Power;
    Input* In;
    Output* Out;

private:
    /// What the render in progress hands RunChunks: its images, and "Radius" and "Power" in
    /// single precision.
    struct FrameInputs {
        const Image* Input;
        Image* Output;
        float Radius;
        float Power;
    };

    frame::JobSlot<FrameInputs> frame_;
    frame::JobSlot<SharpenJob> job_;
};

/// The tile bitmap (tile.bmp beside this file).
extern const std::span<const uint8_t> kTile;

inline constexpr frame::ToolInfo SharpenInfo{
    "SharpenPlugIn",
    SharpenPlugIn::ClassID,
    "Sharpen",
    "Shp",
    "For performing sharpening effects",
    "TharnVorlings.chm::/html/sharpen.htm",
    102,
    &frame::MakeTool<SharpenPlugIn>,
    &kTile,
};

} // namespace vorlings::sharpen
