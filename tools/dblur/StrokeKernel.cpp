// SPDX-License-Identifier: Apache-2.0
#include "StrokeKernel.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vorlings::dblur {

namespace {

// 3.141592654 / 180: degrees to radians as the tool has always turned them.
constexpr double kRadiansPerDegree = 0.017453292522222223;
// Strokes shorter than this share of M are held at it, so that the stroke is never empty.
constexpr double kShortestRelativeLength = 0.0001;
// Cells covered by this much of a pixel or less take no part.
constexpr double kLeastCoverage = 0.001;
// Below this total the weights are left as they are.
constexpr double kLeastTotal = 0.00001;

struct Vertex {
    float X;
    float Y;
};

// A convex polygon clipped against four sides gains at most one vertex per side.
constexpr int kMostVertices = 8;

struct Polygon {
    Vertex V[kMostVertices];
    int Count = 0;
};

// One side of a cell: a point is inside when Sigma x coordinate - Limit <= 0 (a point on the
// side is inside). Sigma is -1 for the left and bottom sides, +1 for the right and top ones.
struct Side {
    bool Rows; // the side bounds rows (y) rather than columns (x)
    float Sigma;
    float Limit;

    float Distance(const Vertex& v) const { return Sigma * (Rows ? v.Y : v.X) - Limit; }
};

// Sutherland-Hodgman against one side, walking the edges from the last vertex round to it.
// A side that no vertex lies strictly outside leaves the polygon as it is, and is skipped.
void ClipAgainst(Polygon& polygon, const Side& side) {
    bool anyOutside = false;
    for (int k = 0; k < polygon.Count; ++k) anyOutside |= side.Distance(polygon.V[k]) > 0.0f;
    if (!anyOutside) return;

    Polygon clipped;
    Vertex prev = polygon.V[polygon.Count - 1];
    float dPrev = side.Distance(prev);
    for (int k = 0; k < polygon.Count; ++k) {
        const Vertex cur = polygon.V[k];
        const float dCur = side.Distance(cur);
        if ((dPrev <= 0.0f) != (dCur <= 0.0f)) {
            const float gap = dPrev - dCur;
            clipped.V[clipped.Count++] = {prev.X + (cur.X - prev.X) * dPrev / gap,
                                          prev.Y + (cur.Y - prev.Y) * dPrev / gap};
        }
        if (dCur <= 0.0f) clipped.V[clipped.Count++] = cur;
        prev = cur;
        dPrev = dCur;
    }
    polygon = clipped;
}

// The shoelace area, summed edge by edge from the last vertex round to it.
float Area(const Polygon& polygon) {
    float sum = 0.0f;
    Vertex prev = polygon.V[polygon.Count - 1];
    for (int k = 0; k < polygon.Count; ++k) {
        const Vertex cur = polygon.V[k];
        sum += (cur.Y + prev.Y) * (prev.X - cur.X);
        prev = cur;
    }
    return std::fabs(sum) / 2.0f;
}

int16_t SaturateOffset(int64_t offset) {
    return int16_t(std::clamp<int64_t>(offset, std::numeric_limits<int16_t>::min(),
                                       std::numeric_limits<int16_t>::max()));
}

} // namespace

float KernelAspect(double pixelAspect) {
    const float aspect = float(pixelAspect);
    if (!std::isfinite(aspect) || !(aspect > 0.0f)) return 1.0f;
    return std::clamp(aspect, 0.001f, 1000.0f);
}

int32_t BuildStrokeKernel(const StrokeShape& shape, std::span<DBlurTap> taps) {
    const int64_t room = std::min<int64_t>(int64_t(shape.MaxSide) - 1, int64_t(taps.size()));
    if (room <= 0) return 0;

    float r = shape.RelativeLength;
    if (std::fabs(r) < kShortestRelativeLength) r = float(kShortestRelativeLength);
    // A negative length keeps its magnitude and turns the angle the other way round.
    float theta;
    if (r < 0.0f) {
        r = -r;
        theta = float(-double(shape.Angle) * kRadiansPerDegree);
    } else {
        theta = float(double(shape.Angle) * kRadiansPerDegree);
    }
    if (r > 1.0f) r = 1.0f;

    const float a = shape.Aspect;
    const float length = float(shape.MaxSide) * r;
    const float cosTheta = float(std::cos(double(theta)));
    const float sinTheta = float(std::sin(double(theta)));
    // Direction and half width across it, in (column, row) units: rows run downwards, and a
    // row is A times as tall as a column is wide.
    const Vertex u{cosTheta, -sinTheta / a};
    const Vertex h{-sinTheta / 2.0f, -cosTheta / (2.0f * a)};
    Vertex start{0.0f, 0.0f};
    if (shape.Centred) {
        const float half = length / 2.0f;
        start = {-half * u.X, -half * u.Y};
    }
    const Vertex along{length * u.X, length * u.Y};
    const Vertex q[4] = {{start.X + h.X, start.Y + h.Y},
                         {start.X + h.X + along.X, start.Y + h.Y + along.Y},
                         {start.X - h.X + along.X, start.Y - h.Y + along.Y},
                         {start.X - h.X, start.Y - h.Y}};
    // The pixel gathers from the stroke mirrored through itself.
    Polygon footprint;
    for (const Vertex& v : q) footprint.V[footprint.Count++] = {-v.X, -v.Y};

    float minX = footprint.V[0].X, maxX = minX, minY = footprint.V[0].Y, maxY = minY;
    for (const Vertex& v : footprint.V) {
        if (&v - footprint.V >= footprint.Count) break;
        // A length or angle that is not a number covers no cell.
        if (!std::isfinite(v.X) || !std::isfinite(v.Y)) return 0;
        minX = std::min(minX, v.X);
        maxX = std::max(maxX, v.X);
        minY = std::min(minY, v.Y);
        maxY = std::max(maxY, v.Y);
    }

    int32_t count = 0;
    float total = 0.0f;
    const int64_t firstColumn = int64_t(std::floor(minX)), lastColumn = int64_t(std::ceil(maxX));
    const int64_t firstRow = int64_t(std::floor(minY)), lastRow = int64_t(std::ceil(maxY));
    for (int64_t j = firstRow; j <= lastRow && count < room; ++j) {
        const float bottom = float(double(j) - 0.5), top = float(double(j) + 0.5);
        for (int64_t i = firstColumn; i <= lastColumn && count < room; ++i) {
            const float left = float(double(i) - 0.5), right = float(double(i) + 0.5);
            // Quick rejection: the footprint lies wholly on one side of the cell.
            bool allLeft = true, allRight = true, allBelow = true, allAbove = true;
            for (int k = 0; k < footprint.Count; ++k) {
                const Vertex& v = footprint.V[k];
                allLeft &= v.X < left;
                allRight &= v.X > right;
                allBelow &= v.Y < bottom;
                allAbove &= v.Y > top;
            }
            if (allLeft || allRight || allBelow || allAbove) continue;

            Polygon cell = footprint;
            const Side sides[4] = {{false, -1.0f, -left},
                                   {false, 1.0f, right},
                                   {true, -1.0f, -bottom},
                                   {true, 1.0f, top}};
            for (const Side& side : sides) {
                ClipAgainst(cell, side);
                if (cell.Count == 0) break;
            }
            if (cell.Count == 0) continue;

            const float coverage = Area(cell);
            if (coverage > kLeastCoverage) {
                taps[size_t(count++)] = {SaturateOffset(i), SaturateOffset(j), coverage};
                total += coverage;
            }
        }
    }

    if (total > kLeastTotal) {
        const float scale = 1.0f / total;
        for (int32_t k = 0; k < count; ++k) taps[size_t(k)].Weight *= scale;
    }
    return count;
}

std::vector<DBlurTap> BuildStrokeKernel(const StrokeShape& shape) {
    std::vector<DBlurTap> taps(size_t(std::max(shape.MaxSide, 0)));
    taps.resize(size_t(BuildStrokeKernel(shape, std::span<DBlurTap>(taps))));
    return taps;
}

} // namespace vorlings::dblur
