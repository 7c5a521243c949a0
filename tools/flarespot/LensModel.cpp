// SPDX-License-Identifier: Apache-2.0
#include "LensModel.h"

#include <cmath>
#include <initializer_list>

namespace vorlings::flarespot {

namespace {

/// Radius, position and size factor of one surface as the lens is described.
struct SurfaceRow {
    float Radius, Position, SizeFactor;
};

void FillLens(LensTable& table, std::initializer_list<SurfaceRow> rows) {
    table.Count = 0;
    for (const SurfaceRow& row : rows)
        table.Surfaces[table.Count++] = {row.Radius, row.Position, 1.0f, row.SizeFactor};
    NormaliseLens(table);
}

} // namespace

void BuildLensTables(LensTables& tables) {
    // "Angulon 21mm"
    FillLens(tables[0], {{50, 15, 0.4f},
                         {8, 12, 1.2f},
                         {15, 7.5f, 0.8f},
                         {9, 6, 1.5f},
                         {-5, 2, 1.2f},
                         {0, 1, 0.7f},
                         {0, -1, 1.3f},
                         {11, -2, 0.4f},
                         {-11, -4.5f, 1.0f},
                         {-16, -7.5f, 1.0f},
                         {-9, -12, 1.0f},
                         {-70, -15, 0.5f}});
    // "Summicron 35mm"
    FillLens(tables[1], {{20, 10, 0.3f},
                         {32, 8, 0.6f},
                         {16, 7.5f, 0.4f},
                         {0, 5, 1.0f},
                         {10, 4, 0.7f},
                         {-10, -3, 1.0f},
                         {-32, -5, 0.8f},
                         {-14, -7, 1.0f},
                         {-60, -7, 1.2f},
                         {-25, -9, 1.0f}});
    // "Summilux 50mm"
    FillLens(tables[2], {{32, 17, 1.0f},
                         {66, 13.5f, 1.0f},
                         {17, 11.5f, 0.7f},
                         {27, 7, 1.0f},
                         {100, 6, 0.4f},
                         {13, 4, 1.0f},
                         {-13, -4, 0.6f},
                         {-65, -5, 1.0f},
                         {-20, -7, 1.0f},
                         {52, -8, 0.5f},
                         {-12, -12, 1.0f},
                         {-38, -13, 1.0f}});
    // "Tele-Elmar 135mm"
    FillLens(tables[3], {{22, 19, 1.0f},
                         {0, 15.5f, 1.0f},
                         {30, 14, 0.3f},
                         {16, 13, 1.0f},
                         {-37, 9, 1.0f},
                         {14, 2, 1.0f},
                         {14, -6, 1.0f},
                         {14, -7.5f, 0.4f}});
}

void NormaliseLens(LensTable& table) {
    if (table.Count < 1) return;
    const float a = table.Surfaces[0].Position;
    const float b = table.Surfaces[table.Count - 1].Position;
    const float scale = 2 / (a - b);
    const float mid = float((a + b) * 0.5);
    for (int i = 0; i < table.Count; ++i) {
        LensSurface& s = table.Surfaces[i];
        s.Position = (s.Position - mid) * scale;
        s.Radius = s.Radius * scale;
    }
}

const LensTable& SelectLens(const LensTables& tables, int32_t n) {
    return n >= 0 && n < kLensCount ? tables[size_t(n)] : tables[1];
}

bool IntersectSurface(const LensTable& table, int i, const Ray& ray, float hit[3]) {
    if (i < 0 || i >= table.Count) return false;
    const float* o = ray.Origin;
    const float* d = ray.Direction;
    const float radius = table.Surfaces[i].Radius;
    // The sphere's centre on the axis; for a plane, the plane itself.
    const float c = table.Surfaces[i].Position - radius;
    const float oz = o[2] - c;

    if (radius == 0) {
        if (std::fabs(d[2]) < 1e-5) return false;
        const float t = -oz / d[2];
        if (t < 0) return false;
        for (int k = 0; k < 3; ++k) hit[k] = o[k] + t * d[k];
        return true;
    }

    // The quadratic's leading coefficient is 1: the direction is a unit vector. The root is
    // taken in the form that does not cancel (q, then e / q).
    const float b = 2 * (oz * d[2] + o[1] * d[1] + o[0] * d[0]);
    const float e = o[0] * o[0] + o[1] * o[1] + oz * oz - radius * radius;
    const float disc = b * b - 4 * e;
    if (disc < 0) return false;
    const double root = std::sqrt(double(disc));
    const double q = -0.5 * (b + (b < 0 ? -root : root));
    const double t2 = e / q;
    if (q < 0 && t2 < 0) return false;
    double t;
    if (t2 < 0)
        t = q;
    else if (q < 0)
        t = t2;
    else
        t = q < t2 ? q : t2;
    for (int k = 0; k < 3; ++k) hit[k] = float(o[k] + t * d[k]);
    // Only the cap on the vertex's side of the centre is the surface; a NaN fails here too.
    return (hit[2] - c) / std::fabs(radius) * radius >= 0;
}

bool TraceSpot(const LensTable& table, int i, const SpotParams& params, SpotRecord& spot) {
    const int n = table.Count;
    if (i < 0 || i >= n) return false;
    const int sides = params.Sides < kMinSides   ? kMinSides
                      : params.Sides > kMaxSides ? kMaxSides
                                                 : params.Sides;

    // Every ray shares one direction; crossing the lens (2 units of z) moves it by (dx, dy),
    // from the source towards the destination.
    const float dx = params.DestinationX - params.SourceX;
    const float dy = params.DestinationY - params.SourceY;
    const float length = float(std::sqrt(double(dx * dx + dy * dy + 4)));
    Ray ray{{params.SourceX, params.SourceY, 1.0f}, {dx / length, dy / length, -2 / length}};

    // The scale starts at the maximum for the first surface and grows by the difference
    // between maximum and minimum for each further one.
    const float spread = n > 1 ? (params.MaximumScale - params.MinimumScale) * i / (n - 1) : 0.0f;
    const float scale = (params.MaximumScale + spread) * table.Surfaces[i].SizeFactor;
    const float rho = scale * params.SourceRadius;
    const float step = float(6.283185 / sides);

    float hit[3];
    for (int k = 0; k < sides; ++k) {
        const float theta = k * step;
        ray.Origin[0] = float(params.SourceX + rho * std::cos(double(theta)));
        ray.Origin[1] = float(params.SourceY + rho * std::sin(double(theta)));
        if (!IntersectSurface(table, i, ray, hit)) return false;
        spot.Vertices[k] = {hit[0], hit[1]};
    }
    spot.VertexCount = sides;
    spot.SubSampling = 2;
    spot.LightX = -ray.Direction[0];
    spot.LightY = -ray.Direction[1];

    ray.Origin[0] = params.SourceX;
    ray.Origin[1] = params.SourceY;
    if (IntersectSurface(table, i, ray, hit)) {
        spot.CentreX = hit[0];
        spot.CentreY = hit[1];
    } else {
        // The central ray misses where all the vertex rays met: the vertices' centroid stands
        // in for the centre.
        float sumX = 0, sumY = 0;
        for (int k = 0; k < sides; ++k) {
            sumX += spot.Vertices[k].X;
            sumY += spot.Vertices[k].Y;
        }
        spot.CentreX = sumX / sides;
        spot.CentreY = sumY / sides;
    }

    spot.SourceRadius = params.SourceRadius;
    float farthest = 0;
    for (int k = 0; k < sides; ++k) {
        const float ex = spot.Vertices[k].X - spot.CentreX;
        const float ey = spot.Vertices[k].Y - spot.CentreY;
        const float distance = std::sqrt(ex * ex + ey * ey);
        if (distance > farthest) farthest = distance;
    }
    spot.SpotRadius = farthest;
    return true;
}

} // namespace vorlings::flarespot
