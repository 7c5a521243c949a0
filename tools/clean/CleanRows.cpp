#include "CleanRows.h"

#include "MedianHistogram.h"

#include <cstring>

#include <algorithm>
#include <vector>

namespace {

// Channel readers: 16-bit images are read in place; other kinds through the image's routine.
struct Read16Inline {
    uint32_t operator()(const Image*, const uint8_t* address, int channel) const {
        uint16_t v;
        std::memcpy(&v, address + 2 * channel, 2);
        return v;
    }
};
struct ReadThroughImage {
    uint32_t operator()(const Image* image, const uint8_t* address, int channel) const {
        Pixel p;
        image->ReadPixel(image, address, &p);
        return p.Word[channel];
    }
};

template <class Counter, class Reader>
void FilterRows(const CleanJob& job, ChunkRange rows, MedianHistogram<Counter>& histogram,
                Pixel* rowOut, Reader read) {
    const Image* in = job.InputImage;
    Image* out = job.OutputImage;
    const int32_t width = job.Width, height = job.Height;
    // A window reaching past both edges holds the same pixels as one that just spans them.
    const int32_t halfWidth = std::min(job.HalfWidth, width);
    const int32_t halfHeight = std::min(job.HalfHeight, height);
    const std::ptrdiff_t step = in->PixelBytes;

    for (int32_t y = rows.Begin; y < rows.End; ++y) {
        const int32_t top = std::max(0, y - halfHeight);
        const int32_t bottom = std::min(height - 1, y + halfHeight);
        const int32_t columnPixels = bottom - top + 1;

        // One channel at a time: a single histogram stays in the first-level cache while the
        // window slides along the row.
        for (int c = 0; c < 4; ++c) {
            auto addColumn = [&](int32_t x) {
                for (int32_t r = top; r <= bottom; ++r)
                    histogram.Add(read(in, in->RowTable[r] + step * x, c));
            };
            auto removeColumn = [&](int32_t x) {
                for (int32_t r = top; r <= bottom; ++r)
                    histogram.Remove(read(in, in->RowTable[r] + step * x, c));
            };

            histogram.Clear();
            int32_t count = 0; // pixels in the window (may exceed 65535: 32-bit)
            const int32_t firstRight = std::min(halfWidth, width - 1);
            for (int32_t x = 0; x <= firstRight; ++x) addColumn(x);
            count += (firstRight + 1) * columnPixels;

            for (int32_t x = 0;;) {
                // The bin index is the 14-bit median; the output keeps it in the top 14 bits.
                rowOut[x].Word[c] = uint32_t(histogram.MedianBin(count / 2)) * 4;
                if (++x >= width) break;
                if (x - halfWidth - 1 >= 0) {
                    removeColumn(x - halfWidth - 1);
                    count -= columnPixels;
                }
                if (x + halfWidth < width) {
                    addColumn(x + halfWidth);
                    count += columnPixels;
                }
            }
        }

        uint8_t* target = out->RowTable[y];
        for (int32_t x = 0; x < width; ++x, target += out->PixelBytes)
            out->WritePixel(out, target, &rowOut[x]);
    }
}

template <class Counter>
void FilterRowsWith(const CleanJob& job, ChunkRange rows) {
    // The histogram lives on this worker's stack: private to the chunk, nothing to share.
    MedianHistogram<Counter> histogram;
    std::vector<Pixel> rowOut(size_t(job.Width));
    if (job.InputImage->Kind == ImageKind::Int16)
        FilterRows(job, rows, histogram, rowOut.data(), Read16Inline{});
    else
        FilterRows(job, rows, histogram, rowOut.data(), ReadThroughImage{});
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
