#include "CleanRows.h"

#include "MedianHistogram.h"

#include <algorithm>

namespace {

// Pixel readers: 16-bit images are read inline; other kinds through the image's routine.
struct Read16Inline {
    void operator()(const Image*, const uint8_t* address, Pixel* p) const {
        ReadPixel16(address, p);
    }
};
struct ReadThroughImage {
    void operator()(const Image* image, const uint8_t* address, Pixel* p) const {
        image->ReadPixel(image, address, p);
    }
};

template <class Counter>
struct Window {
    MedianHistogram<Counter> Channel[4];
    int32_t Count; // pixels in the window (may exceed 65535: 32-bit)

    void Clear() {
        for (auto& h : Channel) h.Clear();
        Count = 0;
    }
};

template <class Counter, class Reader>
void FilterRows(const CleanJob& job, ChunkRange rows, Window<Counter>& window, Reader read) {
    const Image* in = job.InputImage;
    Image* out = job.OutputImage;
    const int32_t width = job.Width, height = job.Height;
    // A window reaching past both edges holds the same pixels as one that just spans them.
    const int32_t halfWidth = std::min(job.HalfWidth, width);
    const int32_t halfHeight = std::min(job.HalfHeight, height);
    const std::ptrdiff_t step = in->PixelBytes;
    Pixel p;

    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        const int32_t top = std::max(0, y - halfHeight);
        const int32_t bottom = std::min(height - 1, y + halfHeight);
        const int32_t columnPixels = bottom - top + 1;

        auto addColumn = [&](int32_t x) {
            for (int32_t r = top; r <= bottom; ++r) {
                read(in, in->RowTable[r] + step * x, &p);
                for (int c = 0; c < 4; ++c) window.Channel[c].Add(p.Word[c]);
            }
            window.Count += columnPixels;
        };
        auto removeColumn = [&](int32_t x) {
            for (int32_t r = top; r <= bottom; ++r) {
                read(in, in->RowTable[r] + step * x, &p);
                for (int c = 0; c < 4; ++c) window.Channel[c].Remove(p.Word[c]);
            }
            window.Count -= columnPixels;
        };

        window.Clear();
        for (int32_t x = 0; x <= std::min(halfWidth, width - 1); ++x) addColumn(x);

        uint8_t* target = out->RowTable[y];
        for (int32_t x = 0;;) {
            const int32_t half = window.Count / 2;
            Pixel median;
            // The bin index is the 14-bit median; the output keeps it in the top 14 bits.
            for (int c = 0; c < 4; ++c)
                median.Word[c] = uint32_t(window.Channel[c].MedianBin(half)) * 4;
            out->WritePixel(out, target, &median);
            target += out->PixelBytes;

            if (++x >= width) break;
            if (x - halfWidth - 1 >= 0) removeColumn(x - halfWidth - 1);
            if (x + halfWidth < width) addColumn(x + halfWidth);
        }
    }
}

template <class Counter>
void FilterRowsWith(const CleanJob& job, ChunkRange rows) {
    // One worker's histograms, 4 x 16512 counters, live on its own stack: nothing to
    // allocate, nothing shared.
    Window<Counter> window;
    if (job.InputImage->Kind == ImageKind::Int16)
        FilterRows(job, rows, window, Read16Inline{});
    else
        FilterRows(job, rows, window, ReadThroughImage{});
}

} // namespace

void CleanRows(const CleanJob& job, ChunkRange rows, const std::atomic<int>& abortFlag) {
    if (abortFlag) return;
    if (rows.Begin >= rows.End) return;
    // 16-bit bins serve every window whose full area stays below 65536 pixels.
    const int64_t area = int64_t(std::min(job.WindowWidth, 2 * job.Width + 1)) *
                         int64_t(std::min(job.WindowHeight, 2 * job.Height + 1));
    if (area < 65536)
        FilterRowsWith<uint16_t>(job, rows);
    else
        FilterRowsWith<uint32_t>(job, rows);
}
