// SPDX-License-Identifier: Apache-2.0
#include "CrashZoomRows.h"

#include "PixelWords.h"
#include "StreakWalk.h"
#include "frame/PixelKind.h"
#include "frame/PixelRows.h"

#include <cstddef>
#include <cstring>

namespace vorlings::crashzoom {

namespace {

using frame::kWordsPerPixel;

/// The channel sums of a streak's samples. The sums are 64-bit where 32 would do for any streak
/// of up to 65537 samples: a longer one over full-value channels would overflow 32 bits, and
/// the wider sum keeps its mean the plain mean. Shorter streaks, nearly all of them, sum in 32
/// bits.
template <ImageKind Kind, class Sum>
struct SampleSums {
    uint8_t* const* Rows;
    Sum Total[kWordsPerPixel] = {};

    void operator()(std::ptrdiff_t column, std::ptrdiff_t row, uint64_t count) {
        uint32_t words[kWordsPerPixel];
        // The kind fixes the pixel's size, so the step is a constant the address folds in.
        PixelWords<Kind>::Read(Rows[row] + PixelBytesOf(Kind) * column, words);
        const Sum times = Sum(count);
        Total[0] += times * words[0];
        Total[1] += times * words[1];
        Total[2] += times * words[2];
        Total[3] += times * words[3];
    }
    Sum Channel(int c) const { return Total[c]; }
};

/// 16-bit pixels in 32-bit sums: a pixel is one 64-bit word, and blue and red (words 0 and 2),
/// green and alpha (1 and 3) each add into their own halves of one 64-bit sum. No half can
/// carry into the other while the streak has at most 65537 samples.
template <>
struct SampleSums<ImageKind::Int16, uint32_t> {
    static constexpr uint64_t kEvenWords = 0x0000FFFF0000FFFFull;
    uint8_t* const* Rows;
    uint64_t BlueRed = 0;
    uint64_t GreenAlpha = 0;

    void operator()(std::ptrdiff_t column, std::ptrdiff_t row, uint64_t count) {
        uint16_t words[kWordsPerPixel];
        std::memcpy(words, Rows[row] + PixelBytesOf(ImageKind::Int16) * column, sizeof words);
        // One 64-bit load on a little-endian machine.
        const uint64_t pixel = uint64_t(words[0]) | uint64_t(words[1]) << 16 |
                               uint64_t(words[2]) << 32 | uint64_t(words[3]) << 48;
        BlueRed += count * (pixel & kEvenWords);
        GreenAlpha += count * (pixel >> 16 & kEvenWords);
    }
    uint32_t Channel(int c) const {
        const uint64_t pair = c % 2 == 0 ? BlueRed : GreenAlpha;
        return uint32_t(c < 2 ? pair : pair >> 32);
    }
};

inline constexpr uint64_t kMostSamplesIn32Bits = 65537; // 65537 x 65535 < 2^32

/// Output pixel (x, y): the mean of its streak's samples, truncated.
template <ImageKind Kind, class Sum>
void ZoomPixel(const CrashZoomJob& job, const StreakLine& streak, uint64_t samples,
               uint16_t (&mean)[kWordsPerPixel]) {
    SampleSums<Kind, Sum> sums{job.InputImage->RowTable};
    WalkStreak(streak, job.Oversampling, job.Width, job.Height, sums);
    const Sum count = Sum(samples);
    // A pixel inside the clear circle is its one sample: no division.
    for (int c = 0; c < kWordsPerPixel; ++c)
        mean[c] = uint16_t(samples == 1 ? sums.Channel(c) : sums.Channel(c) / count);
}

template <ImageKind Kind>
void ZoomRows(const CrashZoomJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    const frame::RowAccess output(*job.OutputImage);
    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        if (abortFlag) return;
        for (int32_t x = 0; x < job.Width; ++x) {
            const StreakLine streak = ZoomStreak(job, x, y);
            const uint64_t samples = StreakSamples(streak);
            uint16_t mean[kWordsPerPixel];
            if (samples <= kMostSamplesIn32Bits)
                ZoomPixel<Kind, uint32_t>(job, streak, samples, mean);
            else
                ZoomPixel<Kind, uint64_t>(job, streak, samples, mean);
            output.Write(y, x, 1, mean);
        }
    }
}

} // namespace

void CrashZoomRows(const CrashZoomJob& job, frame::ChunkRange rows,
                   const std::atomic<int>& abortFlag) {
    frame::WithPixelKind(job.InputImage->Kind,
                         [&]<ImageKind Kind>() { ZoomRows<Kind>(job, rows, abortFlag); });
}

} // namespace vorlings::crashzoom
