// SPDX-License-Identifier: Apache-2.0
#include "Showcase.h"

namespace vorlings {

const std::vector<ToolShowcase>& Showcases() {
    static const std::vector<ToolShowcase> rows{
        // A 7 x 7 window on the 960-pixel demo picture clears specks of up to 3 x 3.
        {"CleanPlugIn", {"Filter Size=0.004"}},
        // Streaks toward the middle, up to about 50 pixels long at the corners of the 960-pixel
        // demo picture, around a clear circle 77 pixels across; 16 samples keep them smooth.
        {"CrashZoomPlugIn", {"Speed=0.1", "Clear Area Radius=0.08", "Oversampling=16 samples"}},
        // A 29-pixel streak rising at 30 degrees: the lights trail, edges smear along it.
        {"DBlurPlugIn", {"Length=0.03", "Angle=30"}},
        // A Gaussian reaching 6 pixels (sigma about 2) on the 960-pixel demo picture: edges and
        // specks go soft, and the frame's borders keep their brightness.
        {"DefocusPlugIn", {"Radius=0.006", "Duplicate Edges=1"}},
        // Sources up to 9 pixels across on the 960-pixel demo picture: edges fray, the fine
        // rings and lines dissolve into grain, and the frame's borders stay filled.
        {"DitherPlugIn", {"Radius=0.01", "Duplicate Edges=1"}},
        // The flare itself rather than the light map, from the demo's lights on the left
        // two thirds (the zone plate's white rings stay out of the region): each spreads a
        // coloured halo with dark fringes, a glow and 12 streaks up to 15% of the width long,
        // and two ghosts lie on its line through the centre.
        {"FlarePlugIn",
         {"Lightmap Only=0", "Lightmap Low Threshold=99", "Map/Ovl/XY Center=0.33,0.5",
          "Width=0.64", "Number of Streaks=12", "Streak Length=0.08", "Number of Reflections=2",
          "Reflectivity=40"}},
        // Point mode: one warm light in the sky, its halo, textured glow and 16 long streaks
        // laid over the picture at full strength, without reading the light map at all.
        {"FlarePlugIn",
         {"Lightmap Only=0", "Use Point Flare=1", "Point/XY Center=0.55,0.2", "Flare Blue=0.6",
          "Number of Streaks=16", "Streak Length=0.2", "Halo Effect Strength=1000",
          "Streak Effect Strength=1000", "Glow Effect Strength=3000", "Diffuse Glow Radius=8"}},
        // Ghost spots of the bright light low on the right of the demo picture, lined up towards
        // the upper left, one row per lens: each lens places and sizes its spots its own way.
        // Edge Boost adds the bright ridge on the side of each spot that faces the light.
        {"FlareSpotPlugIn",
         {"XY Source=0.84,0.78", "XY Destination=0.3,0.3", "Lens Type=Angulon 21mm",
          "Edge Boost=1"}},
        {"FlareSpotPlugIn",
         {"XY Source=0.84,0.78", "XY Destination=0.3,0.3", "Lens Type=Summicron 35mm",
          "Edge Boost=1"}},
        {"FlareSpotPlugIn",
         {"XY Source=0.84,0.78", "XY Destination=0.3,0.3", "Lens Type=Summilux 50mm",
          "Edge Boost=1"}},
        {"FlareSpotPlugIn",
         {"XY Source=0.84,0.78", "XY Destination=0.3,0.3", "Lens Type=Tele-Elmar 135mm",
          "Edge Boost=1"}},
        // The demo's disc and lights move 8 pixels to the right between frames: smeared twice
        // that far in 20 steps, their trails lean toward where they came from.
        {"MoBlurPlugIn", {"Number of Steps=20", "Length Scale=2", "End Weight=4"}},
        // A kernel of radius 3 (7 x 7 taps) on the 960-pixel demo picture, edges pushed away
        // from their surroundings by 1.5 times their difference: crisp detail with a visible
        // halo, and the frame's border raised, as the tool does.
        {"SharpenPlugIn", {"Radius=0.0035", "Power=1.5"}},
        // Lines on black where each channel crosses 35%: the sky's gradients give long single
        // contours in their channel's colour, the hard shapes and specks white outlines.
        {"TracePlugIn", {"Level=0.35"}},
    };
    return rows;
}

const ToolShowcase* ShowcaseFor(std::string_view className) {
    for (const ToolShowcase& row : Showcases())
        if (className == row.ClassName) return &row;
    return nullptr;
}

std::vector<const ToolShowcase*> ShowcasesFor(std::string_view className) {
    std::vector<const ToolShowcase*> rows;
    for (const ToolShowcase& row : Showcases())
        if (className == row.ClassName) rows.push_back(&row);
    return rows;
}

} // namespace vorlings
