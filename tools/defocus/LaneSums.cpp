// SPDX-License-Identifier: Apache-2.0
#include "LaneSums.h"

#include "LaneSums.simd.h"
#include "frame/CpuFeatures.h"

namespace vorlings::defocus {

bool VectorUnitAvailable() {
    return frame::MachineFeatures().Avx2;
}

void QuarterWords(const uint16_t* words, int32_t count, uint16_t* to, bool vector) {
    int32_t k = 0;
    if (vector && VectorUnitAvailable()) k = QuarterWordsVector(words, count, to);
    for (; k < count; ++k) to[k] = uint16_t(words[k] >> 2);
}

void SumLanes(const LineKernel& kernel, const uint16_t* in, ptrdiff_t inStride, uint16_t* out,
              ptrdiff_t outStride, int32_t lanes, int32_t rows, bool vector) {
    if (vector && VectorUnitAvailable()) {
        SumLanesVector(kernel, in, inStride, out, outStride, lanes, rows);
        return;
    }
    const uint32_t* weights = kernel.Weights.data();
    const size_t count = kernel.Weights.size();
    for (int32_t r = 0; r < rows; ++r) {
        const uint16_t* row = in + r * inStride;
        for (int32_t k = 0; k < lanes; ++k) {
            uint64_t sum = 0;
            for (size_t i = 0; i < count; ++i)
                sum += uint64_t(weights[i]) * row[ptrdiff_t(i) * kernel.TapStride + k];
            out[r * outStride + k] = uint16_t(uint32_t(sum >> kernel.Shift) * 4);
        }
    }
}

} // namespace vorlings::defocus
