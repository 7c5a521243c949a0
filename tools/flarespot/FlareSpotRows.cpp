// SPDX-License-Identifier: Apache-2.0
#include "FlareSpotRows.h"

#include "SpotDrawing.h"
#include "frame/PixelRows.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace vorlings::flarespot {

using frame::kWordsPerPixel;

void FlareSpotRows(const FlareSpotJob& job, frame::ChunkRange rows,
                   const std::atomic<int>& abortFlag) {
    if (rows.Empty() || abortFlag) return;
    // The chunk's rows start dark: only the words the spots reach get cleared, as they do.
    for (int32_t y = rows.Begin; y < rows.End; ++y) job.Planes->Lit[y] = {0, 0};
    RenderSpots(job, rows.Begin, rows.End, abortFlag);
    CompositeBand(job, rows.Begin, rows.End, abortFlag);
}

void RenderSpots(const FlareSpotJob& job, int32_t y0, int32_t y1,
                 const std::atomic<int>& abortFlag) {
    const LensTable& lens = *job.Lens;
    // The spot lives on this chunk's stack: tracing and drawing allocate nothing.
    SpotRecord spot;
    for (int32_t i = 0; i < lens.Count; ++i) {
        if (abortFlag) return;
        if (TraceSpot(lens, i, *job.Params, spot))
            DrawSpot(*job.Planes, spot, i, *job.Params, y0, y1, lens.Count - 1, abortFlag,
                     job.Vector);
    }
}

namespace {

/// Where no light falls the output is the input on the 14-bit scale: its two low bits cleared.
/// A pixel's four words are cleared together as one 64-bit word.
void PassDark(const uint16_t* in, int32_t count, uint16_t* out) {
    constexpr uint64_t kKeep = 0xFFFCFFFCFFFCFFFCull;
    for (int32_t x = 0; x < count; ++x) {
        uint64_t pixel;
        std::memcpy(&pixel, in + x * kWordsPerPixel, sizeof pixel);
        pixel &= kKeep;
        std::memcpy(out + x * kWordsPerPixel, &pixel, sizeof pixel);
    }
}

/// PassDark eight pixels to a register, as far as whole groups go; returns the pixels done.
__attribute__((target("avx2"))) int32_t PassDarkAvx2(const uint16_t* in, int32_t count,
                                                     uint16_t* out) {
    const __m256i keep = _mm256_set1_epi16(int16_t(0xFFFC));
    int32_t x = 0;
    for (; x + 8 <= count; x += 8) {
        const auto* from = reinterpret_cast<const __m256i*>(in + x * kWordsPerPixel);
        auto* to = reinterpret_cast<__m256i*>(out + x * kWordsPerPixel);
        _mm256_storeu_si256(to, _mm256_and_si256(_mm256_loadu_si256(from), keep));
        _mm256_storeu_si256(to + 1, _mm256_and_si256(_mm256_loadu_si256(from + 1), keep));
    }
    return x;
}

void PassDark(const uint16_t* in, int32_t count, uint16_t* out, bool vector) {
    const int32_t done = vector ? PassDarkAvx2(in, count, out) : 0;
    PassDark(in + done * kWordsPerPixel, count - done, out + done * kWordsPerPixel);
}

uint16_t Word14(int64_t v) {
    return uint16_t(std::clamp<int64_t>(v, 0, kFull14) * 4);
}

/// Adds the light of `count` pixels of the planes' rows to the input's words.
void AddLight(const uint16_t* in, const int32_t* red, const int32_t* green, const int32_t* blue,
              int32_t count, uint16_t* out) {
    for (int32_t x = 0; x < count; ++x, in += kWordsPerPixel, out += kWordsPerPixel) {
        // Each plane value sums four sub-samples.
        const int32_t r = red[x] / 4, g = green[x] / 4, b = blue[x] / 4;
        // The light adds to alpha too, weighted by its brightness.
        const int64_t alphaLight = (77 * int64_t(r) + 128 * int64_t(g) + 51 * int64_t(b)) >> 8;
        out[0] = Word14(int64_t(in[0] >> 2) + b);
        out[1] = Word14(int64_t(in[1] >> 2) + g);
        out[2] = Word14(int64_t(in[2] >> 2) + r);
        out[3] = Word14(int64_t(in[3] >> 2) + alphaLight);
    }
}

} // namespace

void CompositeBand(const FlareSpotJob& job, int32_t y0, int32_t y1,
                   const std::atomic<int>& abortFlag) {
    const LightPlanes& planes = *job.Planes;
    const int32_t width = planes.Width;
    const frame::RowAccess input(*job.InputImage);
    const frame::RowAccess output(*job.OutputImage);
    std::vector<uint16_t> scratch(input.InPlace() ? 0 : size_t(width) * kWordsPerPixel);
    std::vector<uint16_t> rowOut(output.InPlace() ? 0 : size_t(width) * kWordsPerPixel);

    for (int32_t y = y0; y < y1; ++y) {
        if (abortFlag) return;
        const uint16_t* in = input.Read(y, 0, width, scratch.data());
        // A 16-bit output is written where it lies.
        uint16_t* out = output.InPlace()
                            ? reinterpret_cast<uint16_t*>(job.OutputImage->PixelAddress(0, y))
                            : rowOut.data();
        const LitSpan lit = planes.Lit[y];
        const int32_t first = std::clamp(lit.First, 0, width);
        const int32_t end = std::clamp(lit.End, first, width);
        const size_t at = size_t(y) * size_t(width) + size_t(first);
        PassDark(in, first, out, job.Vector);
        AddLight(in + first * kWordsPerPixel, planes.Red + at, planes.Green + at, planes.Blue + at,
                 end - first, out + first * kWordsPerPixel);
        PassDark(in + end * kWordsPerPixel, width - end, out + end * kWordsPerPixel, job.Vector);
        if (!output.InPlace()) output.Write(y, 0, width, rowOut.data());
    }
}

} // namespace vorlings::flarespot
