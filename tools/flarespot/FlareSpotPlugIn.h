// SPDX-License-Identifier: Apache-2.0
// FlareSpot: the ghost spots of a lens flare. A bundle of parallel rays, whose cross-section
// is the light source's polygon, is traced through a model of one of four lenses; each
// surface leaves one coloured, softly shaded spot, and the spots line up between a source
// and a destination point. The spots' light is added to the input.
#pragma once

#include "FlareSpotJob.h"
#include "LensModel.h"
#include "frame/JobSlot.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

#include <span>

namespace vorlings::flarespot {

class FlareSpotPlugIn final : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x80010071;

    FlareSpotPlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~FlareSpotPlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    void Process(Request* request) override;
    void ProcessChunk(Request* request, int chunk) override;

    /// The four lenses, built and normalised once with the tool and only read afterwards.
    const LensTables& Lenses() const { return lenses_; }

    // Links, in declaration order.
    Input* Source; // page "Position"
    Input* Destination;
    Input* SourceRadius; // page "Light"
    Input* SourceSides;
    Input* Brightness;
    Input* MinimumScale; // page "Spots"
    Input* MaximumScale;
    Input* MaximumSaturation;
    Input* Defocus;
    Input* LensType;
    Input* EdgeBoost;
    Input* ColourOverride; // page "Color"
    Input* StartColour[3]; // red, green, blue
    Input* EndColour[3];
    Input* In;
    Output* Out;

private:
    FlareSpotControls ReadControls();

    LensTables lenses_;
    frame::JobSlot<FlareSpotJob> job_;
};

/// The tile bitmap (tile.bmp beside this file).
extern const std::span<const uint8_t> kTile;

inline constexpr frame::ToolInfo FlareSpotInfo{
    "FlareSpotPlugIn",
    FlareSpotPlugIn::ClassID,
    "FlareSpot",
    "FSp",
    "For lens flare spot simulation",
    "TharnVorlings.chm::/html/flarespot.htm",
    104,
    &frame::MakeTool<FlareSpotPlugIn>,
    &kTile,
};

} // namespace vorlings::flarespot
