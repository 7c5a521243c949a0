// SPDX-License-Identifier: Apache-2.0
// The antialiased line walk shared by the halo's dark fringes and the streaks: a Bresenham
// walk along the major axis whose second error term measures how far each cell's centre lies
// from the ideal line, so that the cell and its neighbour across the line share the weight.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace vorlings::flare {

struct LineWalk {
    int32_t StepX;  ///< -1 or 1
    int32_t StepY;  ///< -1 or 1
    bool Steep;     ///< |dy| > |dx|: the walk advances a row per step
    int32_t Major;  ///< the larger of |dx|, |dy|
    int32_t Minor;  ///< the smaller
    float InvTwice; ///< 1 / (2 x length), as a float

    /// A walk over (dx, dy), which must not be (0, 0).
    static LineWalk Over(int32_t dx, int32_t dy) {
        LineWalk w;
        w.StepX = dx < 0 ? -1 : 1;
        w.StepY = dy < 0 ? -1 : 1;
        const int32_t ax = std::abs(dx), ay = std::abs(dy);
        w.Steep = ay > ax;
        w.Major = w.Steep ? ay : ax;
        w.Minor = w.Steep ? ax : ay;
        w.InvTwice = float(1.0 / (2.0 * std::sqrt(double(dx) * dx + double(dy) * dy)));
        return w;
    }

    /// Visits the Major + 1 cells from (x, y): visit(i, column, row, e, nx, ny), where e is
    /// the signed distance of the cell's centre from the line in pixels and (nx, ny) the step
    /// to the neighbour across it (along the minor axis, forward when e >= 0).
    template <class Visit>
    void Walk(int32_t x, int32_t y, Visit&& visit) const {
        int64_t e1 = -int64_t(Major), e2 = 0;
        const int64_t twiceMinor = 2 * int64_t(Minor), twiceMajor = 2 * int64_t(Major);
        for (int32_t i = 0; i <= Major; ++i) {
            const float e = float(e2) * InvTwice;
            const int32_t side = e >= 0.0f ? 1 : -1;
            if (Steep)
                visit(i, x, y, e, side * StepX, 0);
            else
                visit(i, x, y, e, 0, side * StepY);
            e1 += twiceMinor;
            e2 += twiceMinor;
            if (e1 > 0) {
                if (Steep)
                    x += StepX;
                else
                    y += StepY;
                e1 -= twiceMajor;
                e2 -= twiceMajor;
            }
            if (Steep)
                y += StepY;
            else
                x += StepX;
        }
    }
};

} // namespace vorlings::flare
