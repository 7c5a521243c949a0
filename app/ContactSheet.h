// SPDX-License-Identifier: Apache-2.0
// A contact sheet: the demo's input and each tool's result side by side, labelled, in one
// 8-bit PNG.
#pragma once

#include "host/Image.h"

#include <string>
#include <vector>

struct SheetTile {
    std::string Label;
    const Image* Picture;
};

/// Writes the tiles in rows of up to three, each scaled to half size with its label below.
/// Labels need a font (DejaVu Sans); without one the sheet is written unlabelled and a
/// warning says so. Throws a CommandError naming the file when it cannot be written.
void WriteContactSheet(const std::vector<SheetTile>& tiles, const std::string& path);
