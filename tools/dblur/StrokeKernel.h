// SPDX-License-Identifier: Apache-2.0
// DBlur's kernel: the taps of a straight stroke one pixel wide, weighted by the exact area with
// which the stroke covers each pixel cell.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace vorlings::dblur {

/// One tap of the kernel: the input pixel at (x + Column, y + Row) takes part in output pixel
/// (x, y) with share Weight. Two 16-bit offsets and a float keep a tap at 8 bytes.
struct DBlurTap {
    int16_t Column;
    int16_t Row;
    float Weight;
};

/// What a stroke is built from: the relative length r (the stroke in pixels divided by M),
/// the angle in degrees, M (the larger side of the picture, in pixels), whether the stroke is
/// centred on the pixel or starts at it, and the pixel aspect A (the image's PixelAspect, by which
/// every vertical extent is divided).
struct StrokeShape {
    float RelativeLength;
    float Angle;
    int32_t MaxSide;
    bool Centred;
    float Aspect;
};

/// The stroke's taps, row by row (row offset ascending) and left to right within a row, written
/// to the front of `taps`; returns how many. At most min(M - 1, taps.size()) are stored: when
/// the list is full, the cells later in the scan are dropped.
///
/// The stroke is a rectangle one pixel wide laid from the start point along the direction
/// (cos angle, -sin angle / A), in (column, row) units with rows counted downwards, so that
/// angles turn counter-clockwise on screen. A pixel gathers from the rectangle mirrored
/// through itself: a bright pixel spreads along the stroke's own direction. Each cell the
/// rectangle touches is clipped against it and weighted by the clipped area; cells covered by
/// 0.001 of a pixel or less are left out, and the weights are scaled to sum to 1. Every stored
/// intermediate value is a 32-bit float: the weights are part of the tool's exact result.
int32_t BuildStrokeKernel(const StrokeShape& shape, std::span<DBlurTap> taps);

/// The same, with a list of its own (room for M taps).
std::vector<DBlurTap> BuildStrokeKernel(const StrokeShape& shape);

/// The pixel aspect as the kernel uses it: the image's value as a float; values that are not
/// finite and positive count as square pixels, and the rest are held within 1/1000 to 1000, so
/// that a broken aspect cannot make the stroke's cell scan run without end.
float KernelAspect(double pixelAspect);

} // namespace vorlings::dblur
