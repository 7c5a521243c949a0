// SPDX-License-Identifier: Apache-2.0
// Clean: replaces every pixel by the per-channel median of a window around it, removing
// specks smaller than the window.
#pragma once

#include "CleanJob.h"
#include "frame/JobSlot.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

#include <span>

namespace vorlings::clean {

class CleanPlugIn final : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x8001006A;

    CleanPlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~CleanPlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    void Process(Request* request) override;
    void ProcessChunk(Request* request, int chunk) override;

    // Links, in declaration order.
    Input* FilterSize;
    Input* In;
    Output* Out;

private:
    frame::JobSlot<CleanJob> job_;
};

/// The tile bitmap (tile.bmp beside this file).
extern const std::span<const uint8_t> kTile;

inline constexpr frame::ToolInfo CleanInfo{
    "CleanPlugIn",
    CleanPlugIn::ClassID,
    "Clean",
    "Cln",
    "For removing little bits of the image",
    "TharnVorlings.chm::/html/clean.htm",
    110,
    &frame::MakeTool<CleanPlugIn>,
    &kTile,
};

} // namespace vorlings::clean
