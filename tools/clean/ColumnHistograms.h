// SPDX-License-Identifier: Apache-2.0
// The constant-time median of Perreault and Hebert on Clean's levels of bins. Every column of
// a strip keeps a histogram of its window rows (fine, middle and coarse bins, as the walk's,
// and above them 16 top bins, value >> 12, of 8 coarse bins each), which slides down one row
// at a time: one value in and one out per column and row. The window's histogram is kept
// whole only at the top level, where it gains one column's 16 bins and loses another's per
// step: one register. Its coarse, middle and fine levels are refined lazily: a segment (the 8
// coarse bins of a top bin, the 8 middle bins of a coarse bin, or the 16 fine bins of a middle
// bin) is brought up to date only when the median lands in it, from the columns that entered
// and left since it was last current, or summed afresh from the window's columns when that is
// cheaper. So the work per pixel barely depends on the window, and only the segments where
// the median lies are touched.
#pragma once

#include "HistogramSums.h"
#include "HistogramSums.simd.h"
#include "MedianHistogram.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace vorlings::clean {

/// The column histograms of one channel over a strip of columns, laid out by segment: the
/// segment of one bin (the 16 fine bins of a middle bin, the 8 middle bins of a coarse bin, the
/// 8 coarse bins of a top bin) lies for every column side by side, so that summing it over a
/// window's columns reads one run of memory, which the caches fetch ahead, rather than one
/// line from each column.
template <class Counter>
class ColumnHistograms {
public:
    explicit ColumnHistograms(int32_t columns)
        : columns_(size_t(columns)),
          counts_(columns_ * (kFineBins + kMiddleBins + kCoarseBins + kTopBins)) {
        middle_ = counts_.data() + columns_ * kFineBins;
        coarse_ = middle_ + columns_ * kMiddleBins;
        top_ = coarse_ + columns_ * kCoarseBins;
    }

    void Add(int32_t column, uint32_t value) {
        const size_t c = size_t(column);
        ++counts_[((value >> 6) * columns_ + c) * 16 + (value >> 2 & 15)];
        ++middle_[((value >> 9) * columns_ + c) * 8 + (value >> 6 & 7)];
        ++coarse_[((value >> 12) * columns_ + c) * 8 + (value >> 9 & 7)];
        ++top_[c * kTopBins + (value >> 12)];
    }
    void Remove(int32_t column, uint32_t value) {
        const size_t c = size_t(column);
        --counts_[((value >> 6) * columns_ + c) * 16 + (value >> 2 & 15)];
        --middle_[((value >> 9) * columns_ + c) * 8 + (value >> 6 & 7)];
        --coarse_[((value >> 12) * columns_ + c) * 8 + (value >> 9 & 7)];
        --top_[c * kTopBins + (value >> 12)];
    }

    /// The segment under bin `bin` of the level above, for `column`; the next column's
    /// follows it.
    const Counter* Fine(int32_t bin, int32_t column) const {
        return counts_.data() + (size_t(bin) * columns_ + size_t(column)) * 16;
    }
    const Counter* Middle(int32_t bin, int32_t column) const {
        return middle_ + (size_t(bin) * columns_ + size_t(column)) * 8;
    }
    const Counter* Coarse(int32_t bin, int32_t column) const {
        return coarse_ + (size_t(bin) * columns_ + size_t(column)) * 8;
    }
    /// The 16 top bins of `column`; the next column's follow them.
    const Counter* Top(int32_t column) const { return top_ + size_t(column) * kTopBins; }

private:
    size_t columns_;
    std::vector<Counter> counts_; // fine, then middle, coarse and top
    Counter* middle_;
    Counter* coarse_;
    Counter* top_;
};

/// The histogram of one window sliding along one row of a strip, over the strip's column
/// histograms. `Vector` picks the AVX2 sums. Column indices are the strip's (0 = its first
/// stored column); `Slide` takes -1 for a column outside the picture.
template <class Counter, bool Vector>
class WindowMedian {
public:
    /// For windows `halfWidth` columns either side, in a picture `width` wide, over strips of
    /// at most `stripWidth` output columns.
    WindowMedian(int32_t halfWidth, int32_t width, int32_t stripWidth)
        : halfWidth_(halfWidth), width_(width),
          rowSpan_(int64_t(stripWidth) + 2 * int64_t(halfWidth) + 5) {
        coarseAt_.fill(kNever);
        middleAt_.fill(kNever);
        fineAt_.fill(kNever);
    }

    /// Starts a row at output column `x` (picture columns), whose window's columns are the
    /// strip's [first, last]; the strip's column 0 is picture column `stripBase`. Positions
    /// count from each row's start and every row starts more than a strip and a window after
    /// the last, so segments refined on earlier rows (or channels, or strips) lie too far
    /// behind to step from and are summed afresh when next needed.
    void StartRow(const ColumnHistograms<Counter>& columns, int32_t stripBase, int32_t x,
                  int32_t first, int32_t last) {
        columns_ = &columns;
        stripBase_ = stripBase;
        rowStart_ += rowSpan_;
        rowX_ = x_ = x;
        if constexpr (Vector)
            simd::SumSegments<kTopBins>(top_.data(), columns.Top(first), kTopBins,
                                        last - first + 1);
        else
            SumSegments<kTopBins>(top_.data(), columns.Top(first), kTopBins, last - first + 1);
        topBin_ = topBelow_ = 0;
    }

    /// Moves the window one column right: strip column `added` enters, `removed` leaves.
    void Slide(int32_t added, int32_t removed) {
        ++x_;
        const Counter* in = added >= 0 ? columns_->Top(added) : kZeros.data();
        const Counter* out = removed >= 0 ? columns_->Top(removed) : kZeros.data();
        if constexpr (Vector)
            topBelow_ += simd::SlideTop(top_.data(), in, out, topBin_);
        else
            topBelow_ += SlideTop(top_.data(), in, out, topBin_);
    }

    /// The walk's median bin of the current window: the first fine bin at which the count of
    /// values in bins up to it exceeds `half`, which must be below the window's count.
    int32_t MedianBin(int32_t half) {
        while (topBelow_ + int32_t(top_[size_t(topBin_)]) <= half)
            topBelow_ += top_[size_t(topBin_++)];
        while (topBelow_ > half) topBelow_ -= top_[size_t(--topBin_)];
        int32_t below = topBelow_;
        Counter* coarse = coarse_.data() + topBin_ * 8;
        Refresh<8, &ColumnHistograms<Counter>::Coarse>(coarse, coarseAt_[size_t(topBin_)], topBin_);
        const int32_t coarseBin = topBin_ * 8 + Pick<8>(coarse, half, below);
        Counter* middle = middle_.data() + coarseBin * 8;
        Refresh<8, &ColumnHistograms<Counter>::Middle>(middle, middleAt_[size_t(coarseBin)],
                                                       coarseBin);
        const int32_t middleBin = coarseBin * 8 + Pick<8>(middle, half, below);
        Counter* fine = fine_.data() + middleBin * 16;
        Refresh<16, &ColumnHistograms<Counter>::Fine>(fine, fineAt_[size_t(middleBin)], middleBin);
        return middleBin * 16 + Pick<16>(fine, half, below);
    }

private:
    template <int N>
    static int32_t Pick(const Counter* counts, int32_t half, int32_t& below) {
        if constexpr (Vector && sizeof(Counter) == 2)
            return simd::PickSubBin<N>(counts, half, below);
        else
            return PickSubBin<N>(counts, half, below);
    }

    static constexpr int64_t kNever = std::numeric_limits<int64_t>::min() / 4;
    static constexpr std::array<Counter, kCoarseBins> kZeros{};

    /// Brings the N-bin segment under bin `bin` of the level above up to the current window.
    template <int N, const Counter* (ColumnHistograms<Counter>::*Level)(int32_t, int32_t) const>
    void Refresh(Counter* segment, int64_t& at, int32_t bin) {
        const int64_t now = rowStart_ + (x_ - rowX_);
        const int64_t behind = now - at;
        if (behind == 0) return;
        at = now;
        const int32_t first = std::max(0, x_ - halfWidth_) - stripBase_;
        const int32_t last = std::min(width_ - 1, x_ + halfWidth_) - stripBase_;
        if (behind * 2 > last - first + 1) {
            const Counter* start = (columns_->*Level)(bin, first);
            if constexpr (Vector)
                simd::SumSegments<N>(segment, start, N, last - first + 1);
            else
                SumSegments<N>(segment, start, N, last - first + 1);
            return;
        }
        for (int32_t q = x_ - int32_t(behind) + 1; q <= x_; ++q) {
            const int32_t out = q - halfWidth_ - 1, in = q + halfWidth_;
            const Counter* removed =
                out >= 0 ? (columns_->*Level)(bin, out - stripBase_) : kZeros.data();
            const Counter* added =
                in < width_ ? (columns_->*Level)(bin, in - stripBase_) : kZeros.data();
            if constexpr (Vector)
                simd::SlideSegment<N>(segment, added, removed);
            else
                SlideSegment<N>(segment, added, removed);
        }
    }

    const ColumnHistograms<Counter>* columns_ = nullptr;
    int32_t halfWidth_, width_;
    int64_t rowSpan_;
    int64_t rowStart_ = 0;
    int32_t stripBase_ = 0, rowX_ = 0, x_ = 0;
    int32_t topBin_ = 0, topBelow_ = 0;
    std::array<Counter, kTopBins> top_{};
    std::array<Counter, kCoarseBins> coarse_{};
    std::array<Counter, kMiddleBins> middle_{};
    std::array<Counter, kFineBins> fine_{};
    std::array<int64_t, kTopBins> coarseAt_;
    std::array<int64_t, kCoarseBins> middleAt_;
    std::array<int64_t, kMiddleBins> fineAt_;
};

} // namespace vorlings::clean
