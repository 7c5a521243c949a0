// SPDX-License-Identifier: Apache-2.0
// The halo's square kernel and its random dark fringes.
#include "FlareKernels.h"
#include "LineWalk.h"
#include "frame/Numeric.h"

#include <algorithm>
#include <cmath>

namespace vorlings::flare {

bool ProfileToKernel(FlareKernel& kernel, float aspect) {
    if (kernel.Kind != KernelKind::Profile) return false;
    const int32_t n = kernel.Count;
    const int64_t side = 2 * int64_t(n) + 1;
    if (n < 0 || uint64_t(side) * uint64_t(side) > kMaxElements) return false;
    CBlock<KernelCell> square = AllocateZeroed<KernelCell>(uint64_t(side * side));
    if (!square) return false;
    const KernelCell* profile = kernel.Data.get();
    for (int64_t j = 0; j < side; ++j)
        for (int64_t i = 0; i < side; ++i) {
            const double d = std::sqrt(double(AspectDistanceSquared(i - n, j - n, aspect)));
            const int32_t q = frame::TruncToInt32(d);
            // The kernel reaches no further than n - 1: the last sample has no partner.
            if (int64_t(q) + 1 >= n) continue;
            const float along = float(d - q);
            const KernelCell& a = profile[q];
            const KernelCell& b = profile[q + 1];
            KernelCell& cell = square[size_t(j * side + i)];
            cell.Red = a.Red + (b.Red - a.Red) * along;
            cell.Green = a.Green + (b.Green - a.Green) * along;
            cell.Blue = a.Blue + (b.Blue - a.Blue) * along;
        }
    kernel.Data = std::move(square);
    kernel.Kind = KernelKind::Square;
    return true;
}

void AddDarkFringes(FlareKernel& kernel, int32_t count, float strength, float aspect) {
    if (kernel.Kind != KernelKind::Square) return;
    strength = std::clamp(strength, 0.0f, 1.0f);
    const int32_t n = kernel.Count, side = kernel.Side();
    KernelCell* cells = kernel.Data.get();
    const size_t cellCount = size_t(side) * size_t(side);
    for (size_t c = 0; c < cellCount; ++c) cells[c].Mask = 0.0f;

    for (int32_t f = 0; f < count; ++f) {
        const float angle = float(RandomUnit() * 6.2831852);
        const float darkness = float(RandomUnit() * strength);
        const float inner = float(n - (RandomUnit() * 0.4 + 0.5) * n);
        const double cosine = std::cos(double(angle)), sine = std::sin(double(angle));
        int32_t x0, y0, x1, y1;
        if (aspect < 1.0f) {
            x0 = frame::TruncToInt32(inner * cosine / aspect + n);
            y0 = frame::TruncToInt32(inner * sine + n);
            x1 = frame::TruncToInt32(n * cosine / aspect + n);
            y1 = frame::TruncToInt32(n * sine + n);
        } else {
            x0 = frame::TruncToInt32(inner * cosine + n);
            y0 = frame::TruncToInt32(inner * sine * aspect + n);
            x1 = frame::TruncToInt32(n * cosine + n);
            y1 = frame::TruncToInt32(n * sine * aspect + n);
        }
        if (x0 == x1 && y0 == y1) continue;

        const LineWalk walk = LineWalk::Over(x1 - x0, y1 - y0);
        // The fringe fades in from its inner end and is at full darkness from its middle on.
        const float taperStep = 2.0f / float(walk.Major);
        const auto inside = [&](int32_t x, int32_t y) {
            return x >= 0 && x < side && y >= 0 && y < side;
        };
        walk.Walk(x0, y0, [&](int32_t i, int32_t x, int32_t y, float e, int32_t nx, int32_t ny) {
            if (!inside(x, y)) return;
            const float taper = std::min(1.0f, float(i) * taperStep);
            const float across = std::fabs(e);
            if (inside(x + nx, y + ny))
                cells[size_t(y + ny) * size_t(side) + size_t(x + nx)].Mask +=
                    across * taper * darkness;
            cells[size_t(y) * size_t(side) + size_t(x)].Mask += (1.0f - across) * taper * darkness;
        });
    }

    for (size_t c = 0; c < cellCount; ++c) {
        const float keep = std::clamp(1.0f - cells[c].Mask, 0.0f, 1.0f);
        cells[c].Red *= keep;
        cells[c].Green *= keep;
        cells[c].Blue *= keep;
    }
}

} // namespace vorlings::flare
