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

} // namespace vorlings
