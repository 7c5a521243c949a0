// SPDX-License-Identifier: Apache-2.0
// The vector units of the machine a render runs on. A tool with a vector kernel beside its
// plain one looks here once, when its job is built, and keeps the choice in the job, so that a
// test can build the same job with either kernel and demand the same bits.
#pragma once

namespace vorlings::frame {

struct CpuFeatures {
    bool Avx2 = false;       ///< AVX2 with FMA
    bool Avx512 = false;     ///< AVX-512 F with VL
    bool Avx512Bw = false;   ///< AVX-512 F, VL and BW (byte and 16-bit lanes)
    bool Avx512Vnni = false; ///< AVX-512 F, VL and BW with the 16-bit multiply-adds into sums
};

/// Found once per process.
const CpuFeatures& MachineFeatures();

} // namespace vorlings::frame
