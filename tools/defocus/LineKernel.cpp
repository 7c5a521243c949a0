// SPDX-License-Identifier: Apache-2.0
#include "LineKernel.h"

#include <algorithm>

namespace vorlings::defocus {

LineKernel MakeLineKernel(const GaussianKernel& kernel, int32_t lineLength, bool duplicateEdges,
                          ptrdiff_t tapStride) {
    LineKernel line;
    const int32_t centre = kernel.Centre();
    line.Reach = std::min(centre, std::max(lineLength, 1) - 1);
    line.Shift = kernel.Shift;
    line.DuplicateEdges = duplicateEdges;
    line.TapStride = tapStride;

    const auto first = kernel.Weights.begin() + (centre - line.Reach);
    const auto last = kernel.Weights.begin() + (centre + line.Reach + 1);
    line.Weights.assign(first, last);
    if (duplicateEdges) {
        // Taps beyond the kept ones land beyond the border at every position: they read the
        // border pixel, as the outermost kept tap does. With a reach of 0 both ends fold onto
        // the one tap.
        uint32_t before = 0, after = 0;
        for (auto w = kernel.Weights.begin(); w != first; ++w) before += *w;
        for (auto w = last; w != kernel.Weights.end(); ++w) after += *w;
        line.Weights.front() += before;
        line.Weights.back() += after;
    }
    return line;
}

} // namespace vorlings::defocus
