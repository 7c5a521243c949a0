// SPDX-License-Identifier: Apache-2.0
// DBlur: directional blur. Every output pixel is a weighted mean of the input along a straight
// stroke of a given length and angle, starting at the pixel or centred on it, with weights from
// the exact area the stroke covers in each pixel cell.
#pragma once

#include "DBlurJob.h"
#include "frame/JobSlot.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

#include <span>

namespace vorlings::dblur {

/// Two attributes the "Angle" dial hands the host with fixed values (3600 and 450).
inline constexpr uint32_t kAngleDialTagA = 0x10040005;
inline constexpr uint32_t kAngleDialTagB = 0x10050000;

class DBlurPlugIn final : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x8001006D;

    DBlurPlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~DBlurPlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    void Process(Request* request) override;
    void ProcessChunk(Request* request, int chunk) override;

    // Links, in declaration order.
    Input* Length;
    Input* Angle;
    Input* Centre;
    Input* In;
    Output* Out;

private:
    frame::JobSlot<DBlurJob> job_;
};

/// The tile bitmap (tile.bmp beside this file).
extern const std::span<const uint8_t> kTile;

inline constexpr frame::ToolInfo DBlurInfo{
    "DBlurPlugIn",
    DBlurPlugIn::ClassID,
    "DBlur",
    "DBl",
    "For performing directional blurring",
    "TharnVorlings.chm::/html/dblur.htm",
    108,
    &frame::MakeTool<DBlurPlugIn>,
    &kTile,
};

} // namespace vorlings::dblur
