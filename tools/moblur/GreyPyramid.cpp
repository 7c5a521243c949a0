// SPDX-License-Identifier: Apache-2.0
#include "GreyPyramid.h"

#include "GreyPyramid.simd.h"
#include "frame/CpuFeatures.h"
#include "frame/PixelRows.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace vorlings::moblur {

std::optional<GreyPyramid> AllocateGreyPyramid(int32_t width, int32_t height) {
    GreyPyramid pyramid;
    size_t start = 0;
    int32_t w = width, h = height;
    for (int level = 0; level < kGreyLevels; ++level) {
        pyramid.Widths[size_t(level)] = w;
        pyramid.Heights[size_t(level)] = h;
        pyramid.Starts[size_t(level)] = start;
        start += PlaneSize(w, h);
        w /= 2;
        h /= 2;
    }
    // The four levels take at most 85/64 of level 0, so 1.4 times it holds them all.
    const size_t bytes = std::max(start, size_t(1.4 * double(width) * double(height)));
    pyramid.Bytes = AllocateZeroed<uint8_t>(bytes);
    if (!pyramid.Bytes) return std::nullopt;
    return pyramid;
}

bool MakeGreyPlane(const Image& frame, uint8_t* bytes, int32_t width, int32_t height,
                   const std::atomic<int>& abortFlag) {
    const frame::RowAccess rows(frame);
    std::vector<uint16_t> scratch(rows.InPlace() ? 0 : size_t(width) * frame::kWordsPerPixel);
    for (int32_t y = 0; y < height; ++y) {
        if (abortFlag) return false;
        const uint16_t* words = rows.Read(y, 0, width, scratch.data());
        uint8_t* out = bytes + size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x, words += frame::kWordsPerPixel)
            out[x] = GreyOf(words[0], words[1], words[2]);
    }
    return true;
}

SmoothingKernel MakeSmoothingKernel(float smoothingWidth) {
    const float s = smoothingWidth < 0.01f ? 0.01f : smoothingWidth;
    // Widths beyond any sensible blur would only make a kernel too long to hold.
    if (!(s <= 1.0e6f)) return {};
    const int32_t radius = int32_t(std::ceil(double(s)));
    const double sigma = double(s) * 0.3333333333333333;
    const float spread = float(2.0 * sigma * sigma);

    SmoothingKernel kernel{Allocate<float>(size_t(2 * radius + 1)), 0};
    if (!kernel.Taps) return {};
    float sum = 0.0f;
    for (int32_t i = 0; i <= 2 * radius; ++i) {
        const float exponent = float(-(i - radius) * (i - radius)) / spread;
        const double tap = std::exp(double(exponent));
        if (tap > 1e-5) {
            kernel.Taps[size_t(kernel.Count++)] = float(tap);
            sum += float(tap);
        }
    }
    for (int32_t k = 0; k < kernel.Count; ++k) kernel.Taps[size_t(k)] /= sum;
    return kernel;
}

namespace {

// The plain pixel of the first pass.
float SmoothAlong(const uint8_t* in, int32_t x, int32_t width, const float* taps, int32_t count,
                  int32_t half) {
    float sum = 0.0f;
    for (int32_t k = 0; k < count; ++k) {
        const int32_t from = std::clamp(x - half + k, 0, width - 1);
        sum += taps[k] * float(in[from]);
    }
    return sum;
}

// The plain pixel of the second pass, from one row of the float plane per tap.
uint8_t SmoothDown(const float* const* rows, int32_t x, const float* taps, int32_t count) {
    float sum = 0.0f;
    for (int32_t k = 0; k < count; ++k) sum += taps[k] * rows[k][x];
    return uint8_t(int32_t(std::clamp(sum, 0.0f, 255.0f)));
}

} // namespace

bool SmoothGrey(uint8_t* bytes, int32_t width, int32_t height, float smoothingWidth,
                const std::atomic<int>& abortFlag, bool vector) {
    const SmoothingKernel kernel = MakeSmoothingKernel(smoothingWidth);
    if (!kernel.Taps) return false;
    CBuffer<float> along = Allocate<float>(PlaneSize(width, height));
    CBuffer<const float*> rows = Allocate<const float*>(size_t(kernel.Count));
    if (!along || !rows) return false;
    const float* taps = kernel.Taps.get();
    const int32_t count = kernel.Count, half = count / 2;
    // Pixels whose taps all lie inside the row: x - half >= 0 and x - half + count - 1 < width.
    const int32_t innerEnd = std::max(half, width - count + 1 + half);

    for (int32_t y = 0; y < height; ++y) {
        if (abortFlag) return false;
        const uint8_t* in = bytes + PlaneSize(width, y);
        float* out = along.get() + PlaneSize(width, y);
        int32_t x = 0;
        for (; x < std::min(half, width); ++x)
            out[x] = SmoothAlong(in, x, width, taps, count, half);
        if (vector) x = simd::SmoothAlongRow(in, out, x, innerEnd, taps, count, half);
        for (; x < width; ++x) out[x] = SmoothAlong(in, x, width, taps, count, half);
    }
    // Each byte of the second pass depends only on the float plane, so the rows can be taken in
    // any order; top to bottom keeps the reads in cache.
    for (int32_t y = 0; y < height; ++y) {
        if (abortFlag) return false;
        for (int32_t k = 0; k < count; ++k)
            rows[size_t(k)] =
                along.get() + PlaneSize(width, std::clamp(y - half + k, 0, height - 1));
        uint8_t* out = bytes + PlaneSize(width, y);
        int32_t x = vector ? simd::SmoothDownRow(rows.get(), out, width, taps, count) : 0;
        for (; x < width; ++x) out[x] = SmoothDown(rows.get(), x, taps, count);
    }
    return true;
}

bool MachineSmoothsOnVectors() {
    return frame::MachineFeatures().Avx2;
}

std::array<int32_t, 2> HalveGrey(const uint8_t* level, int32_t width, int32_t height,
                                 uint8_t* next) {
    const int32_t w = width / 2, h = height / 2;
    if (h < 1) return {w, h};
    for (int32_t j = 0; j < h; ++j) {
        const uint8_t* top = level + size_t(2 * j) * size_t(width);
        const uint8_t* bottom = top + width;
        uint8_t* out = next + size_t(j) * size_t(w);
        for (int32_t i = 0; i < w; ++i)
            out[i] =
                uint8_t((top[2 * i] + top[2 * i + 1] + bottom[2 * i] + bottom[2 * i + 1]) >> 2);
    }
    return {w, h};
}

} // namespace vorlings::moblur
