// SPDX-License-Identifier: Apache-2.0
// Defocus: blurs the frame with a separable integer Gaussian whose reach is "Radius" x the
// frame width, in two passes over an intermediate image: along the rows, then along the
// columns.
#pragma once

#include "DefocusJob.h"
#include "frame/JobSlot.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

#include <span>

namespace vorlings::defocus {

class DefocusPlugIn : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x8001006C;

    DefocusPlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~DefocusPlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    void Process(Request* request) override;
    /// Runs the current pass's worker: pass 1 BlurRows, pass 2 BlurColumns, otherwise nothing.
    void ProcessChunk(Request* request, int chunk) override;

    // The tool's own operations, in their slot order after QuickProcessChunk.
    /// The frame's setup and its two passes, the row pass finished before the column pass.
    virtual void RenderPasses(Request* request);
    /// The column pass over chunk `chunk` of columns.
    virtual void BlurColumns(const DefocusJob& job, int chunk);
    /// The row pass over chunk `chunk` of rows.
    virtual void BlurRows(const DefocusJob& job, int chunk);

    // Links, in declaration order.
    Input* Radius;
    Input* DuplicateEdges;
    Input* In;
    Output* Out;

private:
    /// What the render in progress hands RenderPasses: its images and control values.
    struct FrameInputs {
        const Image* Input;
        Image* Output;
        Image* Intermediate;
        float Radius;
        int32_t DuplicateEdges;
    };

    frame::JobSlot<FrameInputs> frame_;
    frame::JobSlot<DefocusJob> job_;
    /// The pass the chunks run: 1 rows, 2 columns; kept between frames.
    int pass_ = 0;
};

/// The tile bitmap (tile.bmp beside this file).
extern const std::span<const uint8_t> kTile;

inline constexpr frame::ToolInfo DefocusInfo{
    "DefocusPlugIn",
    DefocusPlugIn::ClassID,
    "Defocus",
    "Dfc",
    "For performing defocussing effects",
    "TharnVorlings.chm::/html/defocus.htm",
    107,
    &frame::MakeTool<DefocusPlugIn>,
    &kTile,
};

} // namespace vorlings::defocus
