// SPDX-License-Identifier: Apache-2.0
// One channel's weighted sum over the taps of an output pixel, as DBlur defines it: the
// product of the channel word and the tap's weight is formed in extended precision and the
// sum is stored back as a 32-bit float after every tap, in the order of the tap list. The
// float store after every tap is what makes the result exact to the bit (and what keeps the
// sum sequential); the output word is the final sum plus one half, truncated.
#pragma once

#include <cstdint>

namespace vorlings::dblur {

/// The sum after one more tap: `sum` + `word` x `weight`, formed in the x87 extended format
/// (long double) and stored as a float.
inline float AddTap(float sum, uint32_t word, float weight) {
    return float(static_cast<long double>(sum) +
                 static_cast<long double>(word) * static_cast<long double>(weight));
}

/// The output word of a channel's final sum: sum + 0.5 truncated toward zero. The sum is never
/// negative; a normalised kernel whose rounded weights add up to a hair over 1 can lift a
/// white channel to 65535.5 or more, which is held at 65535 rather than wrapping to 0.
inline uint32_t OutputWord(float sum) {
    const double rounded = double(sum) + 0.5; // exact: the sum is a float below 2^24
    return rounded >= 65535.0 ? 65535u : uint32_t(rounded);
}

} // namespace vorlings::dblur
