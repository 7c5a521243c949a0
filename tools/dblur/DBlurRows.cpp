// SPDX-License-Identifier: Apache-2.0
// The plain loop states DBlur's arithmetic pixel by pixel; the vector kernels
// (DBlurRows.simd.h) give the same bits faster and hand back the rare pixels they cannot vouch
// for, which the plain loop computes again.
#include "DBlurRows.h"

#include "DBlurRows.simd.h"
#include "TapSum.h"
#include "frame/PixelRows.h"

#include <algorithm>
#include <new>
#include <optional>
#include <vector>

namespace vorlings::dblur {

namespace {

using frame::kWordsPerPixel;

// One output pixel, the way the tool defines it: each tap's pixel read at the clamped
// position, its four words added to four float sums in the order of the list.
void PlainPixel(const DBlurJob& job, const frame::RowAccess& input, int32_t x, int32_t y,
                uint16_t* words) {
    float sum[kWordsPerPixel] = {};
    for (const DBlurTap& tap : job.TapSpan()) {
        const int32_t column = std::clamp(x + tap.Column, 0, job.Width - 1);
        const int32_t row = std::clamp(y + tap.Row, 0, job.Height - 1);
        uint16_t scratch[kWordsPerPixel];
        const uint16_t* pixel = input.Read(row, column, 1, scratch);
        for (int c = 0; c < kWordsPerPixel; ++c) sum[c] = AddTap(sum[c], pixel[c], tap.Weight);
    }
    for (int c = 0; c < kWordsPerPixel; ++c) words[c] = uint16_t(OutputWord(sum[c]));
}

void PlainRows(const DBlurJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    const frame::RowAccess input(*job.InputImage), output(*job.OutputImage);
    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        if (abortFlag) return;
        for (int32_t x = 0; x < job.Width; ++x) {
            uint16_t words[kWordsPerPixel];
            PlainPixel(job, input, x, y, words);
            output.Write(y, x, 1, words);
        }
    }
}

// A vector kernel's rows use more memory than this only for strokes far beyond the "Length"
// slider's range; those take the plain loop, which needs none.
constexpr size_t kMostRingBytes = size_t(256) << 20;

// The input rows the taps of a chunk reach, as floats padded on both sides with copies of the
// border pixel. A tap offset beyond the picture reads the same border pixel as one just inside
// it, so offsets are first held within +-(W - 1) columns and +-(H - 1) rows: the padding and
// the ring never exceed about three picture widths and one picture height. Each row is
// converted once per chunk, as the window reaching down from the output row first covers it.
class PaddedRows {
public:
    PaddedRows(const DBlurJob& job, std::span<const DBlurTap> taps)
        : job_(job), input_(*job.InputImage) {
        int32_t minColumn = 0, maxColumn = 0;
        minRow_ = maxRow_ = 0;
        columns_.reserve(taps.size());
        rows_.reserve(taps.size());
        for (const DBlurTap& tap : taps) {
            const int32_t column = std::clamp<int32_t>(tap.Column, 1 - job.Width, job.Width - 1);
            const int32_t row = std::clamp<int32_t>(tap.Row, 1 - job.Height, job.Height - 1);
            columns_.push_back(column);
            rows_.push_back(row);
            minColumn = std::min(minColumn, column);
            maxColumn = std::max(maxColumn, column);
            minRow_ = std::min(minRow_, row);
            maxRow_ = std::max(maxRow_, row);
        }
        padLeft_ = -minColumn;
        stride_ = size_t(padLeft_ + job.Width + maxColumn) * kWordsPerPixel;
        slots_ = std::min(maxRow_ - minRow_ + 1, job.Height);
        if (size_t(slots_) * stride_ * sizeof(float) > kMostRingBytes) return;
        ring_.resize(size_t(slots_) * stride_);
        if (!input_.InPlace()) words_.resize(size_t(job.Width) * kWordsPerPixel);
        ready_ = true;
    }

    bool Ready() const { return ready_; }

    /// Converts the rows that output row y reaches and points each tap at its row, moved by the
    /// tap's column offset. Output rows must come in ascending order.
    void ForRow(int32_t y, const float** tapRows) {
        const int32_t top = std::clamp(y + minRow_, 0, job_.Height - 1);
        const int32_t bottom = std::clamp(y + maxRow_, 0, job_.Height - 1);
        for (int32_t r = std::max(top, converted_ + 1); r <= bottom; ++r) Convert(r);
        converted_ = std::max(converted_, bottom);
        for (size_t k = 0; k < columns_.size(); ++k) {
            const int32_t r = std::clamp(y + rows_[k], 0, job_.Height - 1);
            tapRows[k] = Row(r) + ptrdiff_t(padLeft_ + columns_[k]) * kWordsPerPixel;
        }
    }

private:
    float* Row(int32_t r) { return ring_.data() + size_t(r % slots_) * stride_; }

    void Convert(int32_t r) {
        const int32_t width = job_.Width;
        const uint16_t* words = input_.Read(r, 0, width, words_.data());
        float* row = Row(r);
        float* at = row;
        for (int32_t i = 0; i < padLeft_; ++i, at += kWordsPerPixel)
            for (int c = 0; c < kWordsPerPixel; ++c) at[c] = words[c];
        for (size_t i = 0; i < size_t(width) * kWordsPerPixel; ++i) at[i] = words[i];
        at += size_t(width) * kWordsPerPixel;
        const uint16_t* last = words + size_t(width - 1) * kWordsPerPixel;
        for (float* end = row + stride_; at < end; at += kWordsPerPixel)
            for (int c = 0; c < kWordsPerPixel; ++c) at[c] = last[c];
    }

    const DBlurJob& job_;
    frame::RowAccess input_;
    std::vector<int32_t> columns_, rows_;
    int32_t minRow_, maxRow_;
    int32_t padLeft_ = 0;
    size_t stride_ = 0;
    int32_t slots_ = 1;
    int32_t converted_ = -1;
    std::vector<float> ring_;
    std::vector<uint16_t> words_;
    bool ready_ = false;
};

// The taps a vector kernel checks (DBlurRows.simd.h): those whose weight is below 2^-13, or
// all of them if the channel sums could reach 2^17. A sum after k taps is at most 65535 times
// the weights' total, grown by a factor 1 + 2^-24 per float store: below (1 + k 2^-23) for
// fewer than 2^20 taps. For a normalised kernel (total about 1) that stays far below 2^17.
std::vector<int32_t> CheckedTaps(std::span<const DBlurTap> taps) {
    const float exactFloor = 1.0f / 8192.0f;
    double total = 0.0;
    for (const DBlurTap& tap : taps) total += tap.Weight;
    const double growth = 1.0 + double(taps.size() + 1) * 0x1p-22;
    const bool bounded = taps.size() < (size_t(1) << 20) && 65535.0 * total * growth < 0x1p17;
    std::vector<int32_t> checked;
    for (size_t k = 0; k < taps.size(); ++k)
        if (!bounded || taps[k].Weight < exactFloor) checked.push_back(int32_t(k));
    checked.push_back(int32_t(taps.size()));
    return checked;
}

// Returns false, having written nothing, when its buffers cannot be had.
bool VectorRows(const DBlurJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    const std::span<const DBlurTap> taps = job.TapSpan();
    const frame::RowAccess input(*job.InputImage), output(*job.OutputImage);
    std::vector<const float*> tapRows;
    std::vector<float> weights;
    std::vector<int32_t> checked;
    std::vector<uint16_t> rowOut;
    std::vector<int32_t> suspects;
    std::optional<PaddedRows> padded;
    try {
        padded.emplace(job, taps);
        if (!padded->Ready()) return false;
        tapRows.resize(taps.size());
        weights.reserve(taps.size());
        for (const DBlurTap& tap : taps) weights.push_back(tap.Weight);
        checked = CheckedTaps(taps);
        rowOut.resize(size_t(job.Width) * kWordsPerPixel);
        suspects.resize(size_t(job.Width) + 8);
    } catch (const std::bad_alloc&) {
        return false;
    }

    const simd::RowTaps rowTaps{tapRows.data(), weights.data(), checked.data(),
                                int32_t(taps.size())};
    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        if (abortFlag) return true;
        padded->ForRow(y, tapRows.data());
        const int32_t count =
            job.Kernel == RowKernel::Avx512
                ? simd::StrokeRowAvx512(rowTaps, job.Width, rowOut.data(), suspects.data())
                : simd::StrokeRowAvx2(rowTaps, job.Width, rowOut.data(), suspects.data());
        for (int32_t i = 0; i < count; ++i) {
            const int32_t x = suspects[size_t(i)];
            PlainPixel(job, input, x, y, rowOut.data() + size_t(x) * kWordsPerPixel);
        }
        output.Write(y, 0, job.Width, rowOut.data());
    }
    return true;
}

} // namespace

void DBlurRows(const DBlurJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    if (rows.Empty()) return;
    // The vector kernels fill whole registers: 4 pixels (512 bits) or 2 (256 bits).
    const int32_t narrowest = job.Kernel == RowKernel::Avx512 ? 4 : 2;
    if (job.Kernel != RowKernel::Plain && job.Width >= narrowest &&
        VectorRows(job, rows, abortFlag))
        return;
    PlainRows(job, rows, abortFlag);
}

} // namespace vorlings::dblur
