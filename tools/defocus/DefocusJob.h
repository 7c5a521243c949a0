// SPDX-License-Identifier: Apache-2.0
// What every chunk of both Defocus passes reads.
#pragma once

#include "GaussianKernel.h"
#include "LaneSums.h"
#include "LineKernel.h"
#include "frame/Chunks.h"
#include "host/Image.h"

#include <cstdint>
#include <optional>

namespace vorlings::defocus {

struct DefocusJob {
    const Image* InputImage; ///< source of the row pass
    Image* OutputImage;      ///< target of the column pass
    /// Target of the row pass and source of the column pass, of the input's kind: the row
    /// pass's result is stored in the input's format before the column pass reads it.
    Image* IntermediateImage;
    int32_t Width;
    int32_t Height;
    GaussianKernel Kernel;   ///< its weights, count and shift
    int32_t DuplicateEdges;  ///< 1: taps beyond the border repeat it; 0: they count nothing
    float Radius;            ///< R, in pixels
    frame::ChunkSplit Split; ///< rows for the row pass, columns for the column pass
    LineKernel RowKernel;    ///< along rows, Width long
    LineKernel ColumnKernel; ///< along columns, Height long
    bool Vector;             ///< the sums run on the vector unit
};

/// The job of one render from "Radius" (a float fraction of the width) and "Duplicate Edges"
/// (truncated to an integer): R = Width x radius as a float, 0 when negative; the edge rule
/// on for any value of 1 or more; the kernel and its form along rows and along columns; the
/// chunk split. Null when the kernel cannot be built: then neither pass runs.
std::optional<DefocusJob> MakeDefocusJob(float radius, int32_t duplicateEdges, const Image& input,
                                         Image& intermediate, Image& output,
                                         bool vector = VectorUnitAvailable());

} // namespace vorlings::defocus
