// SPDX-License-Identifier: Apache-2.0
// Flare: the light a bright source scatters in an eye or a lens. Every light pixel of a
// thresholded light map (or one point source) spreads a coloured diffraction halo with dark
// fringes, diffraction streaks and a diffuse glow into three float planes, with reflection
// ghosts mirrored through the frame centre; the planes pass through a contrast curve and are
// added onto the background, or onto the light map when no background is connected.
#pragma once

#include "FlareJob.h"
#include "frame/ToolEntry.h"
#include "frame/ToolPattern.h"
#include "host/Operator.h"

#include <memory>
#include <span>

namespace vorlings::flare {

class FlarePlugIn final : public ThreadedOperator {
public:
    static constexpr uint32_t ClassID = 0x80010070;

    FlarePlugIn(Registry* entry, CArchive* archive, const TagItem* tags);
    ~FlarePlugIn() override = default;
    uint32_t Save(CArchive* archive, const TagItem* tags) override;
    void Process(Request* request) override;
    void ProcessChunk(Request* request, int chunk) override;

    /// The long-lived job record (null when it could not be allocated): for tests, which
    /// look at its planes' inputs and its caches.
    const FlareJob* Job() const { return job_.get(); }
    /// How many times the contrast curve was built in the life of this tool.
    int ContrastBuilds() const { return contrastBuilds_; }

    // Links, in declaration order.
    Input* PupilAperture;
    Input* DarkFringes;
    Input* HaloStrength;
    Input* FringeStrength;
    Input* StreakCount;
    Input* StreakLength;
    Input* StreakRotation;
    Input* StreakStrength;
    Input* Monochromatic;
    Input* GlowRadius;
    Input* GlowStrength;
    Input* Reflections;
    Input* Reflectivity;
    Input* ShiftScale;
    Input* OverlayContrast;
    Input* LowThreshold;
    Input* HighThreshold;
    Input* LightmapOnly;
    Input* RegionCentre;
    Input* RegionWidth;
    Input* RegionHeight;
    Input* BoundingRegion;
    Input* UsePoint;
    Input* PointCentre;
    Input* FlareRed;
    Input* FlareGreen;
    Input* FlareBlue;
    Input* Lightmap;
    Input* Background;
    Output* Out;

private:
    struct FreeJob {
        void operator()(FlareJob* job) const { std::free(job); }
    };

    FlareControls ReadControls();
    /// The setup and the two passes over images of one size; leaves the output as made when
    /// a table or plane cannot be had.
    void Render(Request* request, const Image& background, const Image& lightMap, Image& output,
                Image& work, const FlareControls& controls);

    std::unique_ptr<FlareJob, FreeJob> job_;
    bool streakTablePending_ = true;
    float contrastBuiltFor_ = -1.0f; ///< outside the control's range: the first render builds
    int contrastBuilds_ = 0;
    int pass_ = 0;
};

/// The tile bitmap (tile.bmp beside this file).
extern const std::span<const uint8_t> kTile;

inline constexpr frame::ToolInfo FlareInfo{
    "FlarePlugIn",
    FlarePlugIn::ClassID,
    "Flare",
    "Flr",
    "For light source flare simulation",
    "TharnVorlings.chm::/html/flare.htm",
    105,
    &frame::MakeTool<FlarePlugIn>,
    &kTile,
};

} // namespace vorlings::flare
