// SPDX-License-Identifier: Apache-2.0
#include "CrashZoomRows.h"

#include "PixelWords.h"
#include "ZoomStreak.h"
#include "frame/PixelRows.h"

#include <cstddef>

namespace vorlings::crashzoom {

namespace {

using frame::kWordsPerPixel;

/// The channel sums of a streak's samples. 64 bits where 32 would do for any streak shorter
/// than 32768 samples: a longer one over full-value channels would overflow 32 bits, and the
/// wider sum keeps its mean the plain mean.
template <ImageKind Kind>
struct SampleSums {
    uint8_t* const* Rows;
    std::ptrdiff_t Step;
    uint64_t Sum[kWordsPerPixel] = {};

    void operator()(int32_t column, int32_t row, uint64_t count) {
        uint32_t words[kWordsPerPixel];
        PixelWords<Kind>::Read(Rows[row] + Step * column, words);
        for (int c = 0; c < kWordsPerPixel; ++c) Sum[c] += count * words[c];
    }
};

template <ImageKind Kind>
void ZoomRows(const CrashZoomJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    const Image& input = *job.InputImage;
    const frame::RowAccess output(*job.OutputImage);
    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        if (abortFlag) return;
        for (int32_t x = 0; x < job.Width; ++x) {
            SampleSums<Kind> sums{input.RowTable, input.PixelBytes};
            const uint64_t samples =
                WalkStreak(ZoomStreak(job, x, y), job.Oversampling, job.Width, job.Height, sums);
            uint16_t mean[kWordsPerPixel];
            for (int c = 0; c < kWordsPerPixel; ++c)
                mean[c] = uint16_t(samples == 1 ? sums.Sum[c] : sums.Sum[c] / samples);
            output.Write(y, x, 1, mean);
        }
    }
}

} // namespace

void CrashZoomRows(const CrashZoomJob& job, frame::ChunkRange rows,
                   const std::atomic<int>& abortFlag) {
    WithPixelKind(job.InputImage->Kind,
                  [&]<ImageKind Kind>() { ZoomRows<Kind>(job, rows, abortFlag); });
}

} // namespace vorlings::crashzoom
