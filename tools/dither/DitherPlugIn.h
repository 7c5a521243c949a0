// SPDX-License-Identifier: Apache-2.0
// Dither: breaks up the image by replacing every pixel with one taken from a random position
// near it, within "Radius" x the image width, horizontally, vertically or both.
#pragma once

#include "DitherRender.h"
#include "frame/JobSlot.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

#include <ctime>
#include <span>

namespace vorlings::dither {

class DitherPlugIn final : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x80010069;

    DitherPlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~DitherPlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    void Process(Request* request) override;
    /// Chunk c is row c.
    void ProcessChunk(Request* request, int chunk) override;

    // Links, in declaration order.
    Input* Radius;
    Input* DuplicateEdges;
    Input* Direction;
    Input* In;
    Output* Out;

private:
    frame::JobSlot<DitherRender> render_;
};

/// The clock whose seconds seed every render's random table: the C library's time. For tests:
/// SetSeedClock puts another in its place for the whole process (null puts time back), so that
/// renders can be repeated.
using SeedClock = std::time_t (*)();
void SetSeedClock(SeedClock clock);

/// The tile bitmap (tile.bmp beside this file).
extern const std::span<const uint8_t> kTile;

inline constexpr frame::ToolInfo DitherInfo{
    "DitherPlugIn",
    DitherPlugIn::ClassID,
    "Dither",
    "Dth",
    "Breaks up images by dithering",
    "TharnVorlings.chm::/html/dither.htm",
    106,
    &frame::MakeTool<DitherPlugIn>,
    &kTile,
};

} // namespace vorlings::dither
