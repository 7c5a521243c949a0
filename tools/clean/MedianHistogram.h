// Two-level histogram of one channel for a sliding median: 16384 fine bins (value >> 2)
// under 128 coarse bins (value >> 9, 128 fine bins each).
#pragma once

#include <cstdint>
#include <cstring>

inline constexpr int kFineBins = 16384;
inline constexpr int kCoarseBins = 128;
inline constexpr int kFinePerCoarse = kFineBins / kCoarseBins;

/// `Counter` is uint16_t for windows below 65536 pixels and uint32_t otherwise, so that no
/// bin can wrap. Besides the counts, the histogram keeps where the last median was found
/// (a coarse bin and a fine bin, each with the number of values below it): neighbouring
/// windows share all but two columns, so the next median is usually a few bins away.
/// The bin found is the same one a walk up from the lowest bin would find.
template <class Counter>
struct MedianHistogram {
    Counter Fine[kFineBins];
    Counter Coarse[kCoarseBins];
    int32_t CoarseBin;
    int32_t CoarseBelow; // values in coarse bins below CoarseBin
    int32_t FineBin;
    int32_t FineBelow; // values in fine bins below FineBin

    void Clear() {
        std::memset(Fine, 0, sizeof Fine);
        std::memset(Coarse, 0, sizeof Coarse);
        CoarseBin = CoarseBelow = FineBin = FineBelow = 0;
    }

    void Add(uint32_t value) {
        const int32_t fine = int32_t(value >> 2), coarse = int32_t(value >> 9);
        ++Fine[fine];
        ++Coarse[coarse];
        CoarseBelow += coarse < CoarseBin;
        FineBelow += fine < FineBin;
    }

    void Remove(uint32_t value) {
        const int32_t fine = int32_t(value >> 2), coarse = int32_t(value >> 9);
        --Fine[fine];
        --Coarse[coarse];
        CoarseBelow -= coarse < CoarseBin;
        FineBelow -= fine < FineBin;
    }

    /// The first fine bin m at which the count of values in bins 0..m exceeds `half`
    /// (the window count / 2); `half` must be below the number of values held.
    int32_t MedianBin(int32_t half) {
        while (CoarseBelow + int32_t(Coarse[CoarseBin]) <= half) CoarseBelow += Coarse[CoarseBin++];
        while (CoarseBelow > half) CoarseBelow -= Coarse[--CoarseBin];
        // The median lies in CoarseBin; restart the fine walk at its first bin unless the
        // last one ended inside it.
        if (FineBin / kFinePerCoarse != CoarseBin) {
            FineBin = CoarseBin * kFinePerCoarse;
            FineBelow = CoarseBelow;
        }
        while (FineBelow + int32_t(Fine[FineBin]) <= half) FineBelow += Fine[FineBin++];
        while (FineBelow > half) FineBelow -= Fine[--FineBin];
        return FineBin;
    }
};

/// The median bin of `values` the slow, obviously right way: count, then walk up.
/// For reference checks of the sliding histogram.
inline int32_t MedianBinOf(const uint32_t* values, int32_t count) {
    static thread_local uint32_t bins[kFineBins];
    std::memset(bins, 0, sizeof bins);
    for (int32_t i = 0; i < count; ++i) ++bins[values[i] >> 2];
    int32_t total = 0;
    for (int32_t m = 0; m < kFineBins; ++m) {
        total += int32_t(bins[m]);
        if (total > count / 2) return m;
    }
    return kFineBins - 1;
}
