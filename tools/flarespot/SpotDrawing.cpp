// SPDX-License-Identifier: Apache-2.0
#include "SpotDrawing.h"

#include "HsvColour.h"
#include "SpanShading.h"
#include "SpanShading.simd.h"

#include "frame/CpuFeatures.h"

#include <algorithm>
#include <cmath>

namespace vorlings::flarespot {

namespace {

bool Finite(float v) {
    return std::isfinite(v);
}

/// A whole number of a scan computation as an int, bounded so that no conversion can be
/// undefined; callers clamp it to their bounds.
int32_t ScanInt(double v) {
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return int32_t(v);
}

/// Clips `count` vertices at `from` against one side into `to` (room for kMaxVertices).
/// e = sign x coordinate - limit; a vertex is inside when e <= 0.
int32_t ClipSide(const SpotVertex* from, int32_t count, bool onX, float sign, float limit,
                 SpotVertex* to) {
    const auto edgeValue = [&](const SpotVertex& v) { return sign * (onX ? v.X : v.Y) - limit; };
    int32_t out = 0;
    const SpotVertex* prev = &from[count - 1];
    float ePrev = edgeValue(*prev);
    for (int32_t k = 0; k < count; ++k) {
        const SpotVertex& cur = from[k];
        const float eCur = edgeValue(cur);
        const bool prevIn = ePrev <= 0, curIn = eCur <= 0;
        if (prevIn != curIn && out < kMaxVertices)
            to[out++] = {prev->X + (cur.X - prev->X) * ePrev / (ePrev - eCur),
                         prev->Y + (cur.Y - prev->Y) * ePrev / (ePrev - eCur)};
        if (curIn && out < kMaxVertices) to[out++] = cur;
        prev = &cur;
        ePrev = eCur;
    }
    return out;
}

/// Makes pixels [first, last] of plane row `row` part of its lit span, clearing the words the
/// span takes in.
void WidenLitSpan(const LightPlanes& planes, int32_t row, int32_t first, int32_t last) {
    LitSpan& span = planes.Lit[row];
    const size_t rowStart = size_t(row) * size_t(planes.Width);
    const auto clear = [&](int32_t from, int32_t to) {
        for (int32_t* plane : {planes.Red, planes.Green, planes.Blue})
            std::fill(plane + rowStart + size_t(from), plane + rowStart + size_t(to), 0);
    };
    if (span.First >= span.End) {
        clear(first, last + 1);
        span = {first, last + 1};
        return;
    }
    if (first < span.First) {
        clear(first, span.First);
        span.First = first;
    }
    if (last + 1 > span.End) {
        clear(span.End, last + 1);
        span.End = last + 1;
    }
}

/// One side of a triangle's outline as the scan walks down it.
struct Chain {
    int32_t Vertex; ///< where the current edge ends (the next edge starts)
    float X;        ///< x on the current scanline
    float Slope;
    int32_t End; ///< first scanline past the current edge
};

} // namespace

bool VectorUnitAvailable() {
    return frame::MachineFeatures().Avx2;
}

void DrawSpot(const LightPlanes& planes, SpotRecord& spot, int32_t i, const SpotParams& params,
              int32_t y0, int32_t y1, int32_t last, const std::atomic<int>& abortFlag,
              bool vector) {
    if (abortFlag) return;
    const int32_t w = planes.Width, h = planes.Height;
    spot.SubSampling = 2;

    // Lens coordinates to sub-samples: -1..+1 spans the 2W columns and the 2H rows.
    for (int32_t k = 0; k < spot.VertexCount; ++k) {
        spot.Vertices[k].X = (spot.Vertices[k].X + 1) * w;
        spot.Vertices[k].Y = (spot.Vertices[k].Y + 1) * h;
    }
    spot.CentreX = (spot.CentreX + 1) * w;
    spot.CentreY = (spot.CentreY + 1) * h;
    spot.SourceRadius = float(spot.SourceRadius * (w + h) * 0.5);
    spot.SpotRadius = float(spot.SpotRadius * (w + h) * 0.5);

    const ClipRect rect{0.0f, float(2 * w - 1), float(2 * y0), float(2 * y1)};
    const DrawBounds bounds{0, 2 * w - 1, 2 * y0, 2 * y1 - 1, vector};
    spot.BandTop = rect.Top;
    spot.BandBottom = rect.Bottom;

    // Hues run from the start to the end colour with "Color Override", else round the circle.
    int32_t hue;
    if (params.ColourOverride != 0)
        hue = last > 0 ? params.StartHue + (params.EndHue - params.StartHue) * i / last
                       : params.StartHue;
    else
        hue = int32_t((i % 10) * 2129.79 + i * 25.0) & kFull14;
    // Saturations beyond 0..1 are held there.
    const double saturation = params.Saturation * 16383.0;
    const int32_t s14 = saturation > 0 ? int32_t(std::min(saturation, double(kFull14))) : 0;
    const Rgb14 colour = HsvToRgb14(hue, s14, kFull14);

    // Larger spots are dimmer: the light spreads over the spot's radius M.
    const float ratio = spot.SourceRadius / spot.SpotRadius;
    const float k = 2 * params.Brightness * (ratio < 1 ? ratio : 1.0f);
    const auto amount = [&](int32_t c) {
        const float v = c * k;
        return v > 0 ? int32_t(std::min(v, float(kLargestAmount))) : 0;
    };
    spot.Red = amount(colour.Red);
    spot.Green = amount(colour.Green);
    spot.Blue = amount(colour.Blue);
    spot.Largest = std::max({spot.Red, spot.Green, spot.Blue});
    spot.Defocus = params.Defocus;
    spot.EdgeBoost = params.EdgeBoost;

    if (spot.VertexCount < 1 || !ClipToBand(spot, rect)) return;
    const int32_t n = spot.VertexCount;
    // A lens far outside its model (absurd control values) can give points with no place on
    // the image: such a spot is not drawn.
    bool finite = Finite(spot.CentreX) && Finite(spot.CentreY) && Finite(spot.SourceRadius) &&
                  Finite(spot.SpotRadius);
    for (int32_t j = 0; j < n; ++j)
        finite = finite && Finite(spot.Vertices[j].X) && Finite(spot.Vertices[j].Y);
    if (!finite) return;

    float sumX = 0, sumY = 0;
    for (int32_t j = 0; j < n; ++j) {
        sumX += spot.Vertices[j].X;
        sumY += spot.Vertices[j].Y;
    }
    const SpotVertex centroid{sumX / n, sumY / n};

    FanTriangle triangle;
    triangle.VertexCount = 3;
    triangle.SubSampling = spot.SubSampling;
    triangle.Red = spot.Red;
    triangle.Green = spot.Green;
    triangle.Blue = spot.Blue;
    triangle.Largest = spot.Largest;
    triangle.CentreX = spot.CentreX;
    triangle.CentreY = spot.CentreY;
    triangle.SourceRadius = spot.SourceRadius;
    triangle.SpotRadius = spot.SpotRadius;
    triangle.LightX = spot.LightX;
    triangle.LightY = spot.LightY;
    triangle.Defocus = spot.Defocus;
    triangle.EdgeBoost = spot.EdgeBoost;
    triangle.BandTop = spot.BandTop;
    triangle.BandBottom = spot.BandBottom;
    triangle.Vertices[0] = centroid;
    for (int32_t j = 0; j < n; ++j) {
        triangle.Vertices[1] = spot.Vertices[j];
        triangle.Vertices[2] = spot.Vertices[j + 1 < n ? j + 1 : 0];
        // Each sample of the fan receives its triangle's light three times over: one scan
        // adds it thrice, after one look at the abort flag.
        if (abortFlag) return;
        ScanTriangle(triangle, bounds, planes, kFanPasses);
    }
}

bool ClipToBand(SpotRecord& spot, const ClipRect& rect) {
    const int32_t n = spot.VertexCount;
    int32_t left = 0, right = 0, top = 0, bottom = 0;
    for (int32_t k = 0; k < n; ++k) {
        const SpotVertex& v = spot.Vertices[k];
        left += v.X < rect.Left;
        right += v.X > rect.Right;
        top += v.Y < rect.Top;
        bottom += v.Y > rect.Bottom;
    }
    if (left == 0 && right == 0 && top == 0 && bottom == 0) return true;
    if (left == n || right == n || top == n || bottom == n) {
        spot.VertexCount = 0;
        return false;
    }

    SpotVertex scratch[kMaxVertices];
    int32_t count = n;
    const auto clip = [&](int32_t outside, bool onX, float sign, float limit) {
        if (outside == 0 || count == 0) return;
        count = ClipSide(spot.Vertices, count, onX, sign, limit, scratch);
        std::copy(scratch, scratch + count, spot.Vertices);
    };
    clip(left, true, -1.0f, -rect.Left);
    clip(right, true, 1.0f, rect.Right);
    clip(top, false, -1.0f, -rect.Top);
    clip(bottom, false, 1.0f, rect.Bottom);
    spot.VertexCount = count;
    return count > 0;
}

void ScanTriangle(const FanTriangle& triangle, const DrawBounds& bounds, const LightPlanes& planes,
                  int32_t passes) {
    const int32_t n = triangle.VertexCount;
    const SpotVertex* v = triangle.Vertices;
    int32_t top = 0;
    for (int32_t k = 1; k < n; ++k)
        if (v[k].Y < v[top].Y) top = k;

    int32_t y = ScanInt(std::ceil(v[top].Y - 0.5));
    int32_t edgesLeft = n;
    Chain a{top, 0.0f, 0.0f, y}; // walks to the previous vertex
    Chain b{top, 0.0f, 0.0f, y}; // walks to the next
    const auto takeEdge = [&](Chain& chain, int32_t to) {
        const SpotVertex& from = v[chain.Vertex];
        float height = v[to].Y - from.Y;
        if (std::fabs(height) < 1e-5) height = 1;
        chain.Slope = (v[to].X - from.X) / height;
        chain.X = float((y + 0.5 - from.Y) * chain.Slope + from.X);
        chain.End = ScanInt(std::floor(v[to].Y + 0.5));
        chain.Vertex = to;
        --edgesLeft;
    };

    while (edgesLeft > 0) {
        while (a.End <= y && edgesLeft > 0) takeEdge(a, a.Vertex == 0 ? n - 1 : a.Vertex - 1);
        while (b.End <= y && edgesLeft > 0) takeEdge(b, b.Vertex + 1 == n ? 0 : b.Vertex + 1);
        for (; y < a.End && y < b.End; ++y) {
            if (y >= bounds.FirstRow && y <= bounds.LastRow)
                ShadeSpan(y, std::min(a.X, b.X), std::max(a.X, b.X), bounds, triangle, planes,
                          passes);
            a.X += a.Slope;
            b.X += b.Slope;
        }
    }
}

void ShadeSpan(int32_t y, float left, float right, const DrawBounds& bounds,
               const FanTriangle& triangle, const LightPlanes& planes, int32_t passes) {
    const double firstColumn = std::max(std::ceil(left - 0.5), double(bounds.FirstColumn));
    const double lastColumn = std::min(std::floor(right - 0.5), double(bounds.LastColumn));
    if (!(firstColumn <= lastColumn)) return;
    const int32_t first = int32_t(firstColumn), lastX = int32_t(lastColumn);
    WidenLitSpan(planes, y / 2, first / 2, lastX / 2);

    const size_t rowStart = size_t(y / 2) * size_t(planes.Width);
    const FanTriangle& t = triangle;
    // The boosted edge is the triangle's outer one, from vertex 2 (e2) to vertex 1 (e1); a
    // horizontal edge on the band's top or bottom is a cut between chunks, not an edge.
    const SpotVertex e1 = t.Vertices[1], e2 = t.Vertices[2];
    const bool bandCut = std::fabs(e1.Y - e2.Y) < 1e-4 && (std::fabs(e1.Y - t.BandTop) < 1e-4 ||
                                                           std::fabs(e1.Y - t.BandBottom) < 1e-4);
    const float ey = y - t.CentreY;
    const float edgeX = e1.X - e2.X, edgeY = e1.Y - e2.Y;
    const SpanShading shading{t.CentreX,
                              ey,
                              ey * ey,
                              t.Defocus,
                              t.SourceRadius,
                              t.SpotRadius - t.SourceRadius,
                              t.LightX,
                              t.LightY,
                              float(t.Red),
                              float(t.Green),
                              float(t.Blue),
                              float(t.Largest),
                              t.EdgeBoost != 0 && !bandCut,
                              float(y),
                              e2.X,
                              e2.Y,
                              edgeX,
                              edgeY,
                              edgeX * edgeX + edgeY * edgeY,
                              passes,
                              planes.Red + rowStart,
                              planes.Green + rowStart,
                              planes.Blue + rowStart};

    int32_t x = first;
    if (bounds.Vector) {
        // The vector unit takes whole pixels: an odd first sample goes alone.
        if (x % 2 != 0) ShadeSample(shading, x++);
        x = simd::ShadeSamples(shading, x, lastX);
    }
    for (; x <= lastX; ++x) ShadeSample(shading, x);
}

} // namespace vorlings::flarespot
