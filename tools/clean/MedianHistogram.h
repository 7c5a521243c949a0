// SPDX-License-Identifier: Apache-2.0
// Histogram of one channel for a sliding median. Values count in fine bins (value >> 2,
// 16384 of them, the 14-bit working value) and, above those, in middle bins (value >> 6,
// 16 fine bins each) and coarse bins (value >> 9, 8 middle bins each).
#pragma once

#include <cstdint>
#include <cstring>

namespace vorlings::clean {

inline constexpr int kFineBins = 16384;
inline constexpr int kMiddleBins = 1024;
inline constexpr int kCoarseBins = 128;

/// Among the N sub-bins of a bin known to hold the median, the index of the one that does;
/// `below` (the values below the first sub-bin) grows by the counts of those before it. The
/// counts are all read, without branching on them: cheaper than the mispredicted jumps of a
/// walk that stops early.
template <int N, class Counter>
inline int32_t PickSubBin(const Counter* counts, int32_t half, int32_t& below) {
    const int32_t need = half - below;
    int32_t running = 0, index = 0, before = 0;
    for (int i = 0; i < N; ++i) {
        running += counts[i];
        const int32_t under = running <= need;
        index += under;
        before += under * int32_t(counts[i]);
    }
    below += before;
    return index;
}

/// `Counter` is uint16_t for windows below 65536 pixels and uint32_t otherwise, so that no
/// bin can wrap.
///
/// Finding the median walks down the levels: the coarse bin that holds it, then the middle
/// bin inside that, then the fine bin. The coarse level remembers where the last median was
/// found, with the number of values below that bin: neighbouring windows share all but two
/// columns, so the next median is usually in the same coarse bin or the next one. The 8
/// middle and 16 fine bins under it are scanned in full without branching on the counts,
/// which costs less than the mispredicted jumps of a walk that stops early. The bin found is
/// the one a walk up from bin 0 would find.
template <class Counter>
struct MedianHistogram {
    Counter Fine[kFineBins];
    Counter Middle[kMiddleBins];
    Counter Coarse[kCoarseBins];
    int32_t CoarseBin;   // where the last median was found
    int32_t CoarseBelow; // values in the coarse bins below CoarseBin

    void Clear() {
        std::memset(Fine, 0, sizeof Fine);
        std::memset(Middle, 0, sizeof Middle);
        std::memset(Coarse, 0, sizeof Coarse);
        CoarseBin = CoarseBelow = 0;
    }

    void Add(uint32_t value) {
        const int32_t coarse = int32_t(value >> 9);
        ++Fine[value >> 2];
        ++Middle[value >> 6];
        ++Coarse[coarse];
        CoarseBelow += coarse < CoarseBin;
    }

    void Remove(uint32_t value) {
        const int32_t coarse = int32_t(value >> 9);
        --Fine[value >> 2];
        --Middle[value >> 6];
        --Coarse[coarse];
        CoarseBelow -= coarse < CoarseBin;
    }

    /// The first fine bin m at which the count of values in bins 0..m exceeds `half`
    /// (the window count / 2); `half` must be below the number of values held.
    int32_t MedianBin(int32_t half) {
        while (CoarseBelow + int32_t(Coarse[CoarseBin]) <= half) CoarseBelow += Coarse[CoarseBin++];
        while (CoarseBelow > half) CoarseBelow -= Coarse[--CoarseBin];
        int32_t below = CoarseBelow;
        const int32_t middle = CoarseBin * 8 + PickSubBin<8>(Middle + CoarseBin * 8, half, below);
        return middle * 16 + PickSubBin<16>(Fine + middle * 16, half, below);
    }
};

} // namespace vorlings::clean
