// SPDX-License-Identifier: Apache-2.0
#include "CpuFeatures.h"

namespace vorlings::frame {

const CpuFeatures& MachineFeatures() {
    static const CpuFeatures features = [] {
        CpuFeatures f;
#if defined(__x86_64__) && defined(__GNUC__)
        __builtin_cpu_init();
        f.Avx2 = __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
        f.Avx512 =
            f.Avx2 && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl");
        f.Avx512Bw = f.Avx512 && __builtin_cpu_supports("avx512bw");
        f.Avx512Vnni =
            f.Avx512 && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vnni");
#endif
        return f;
    }();
    return features;
}

} // namespace vorlings::frame
