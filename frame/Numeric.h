// SPDX-License-Identifier: Apache-2.0
// Conversions shared by the tools' setup arithmetic.
#pragma once

#include <cmath>
#include <cstdint>
#include <limits>

namespace vorlings::frame {

/// Truncation toward zero into 32 bits, saturating where the value does not fit
/// (NaN gives 0), so that absurd control values cannot make the conversion undefined.
inline int32_t TruncToInt32(double v) {
    if (std::isnan(v)) return 0;
    if (v >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

} // namespace vorlings::frame
