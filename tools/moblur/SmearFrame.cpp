// SPDX-License-Identifier: Apache-2.0
#include "SmearFrame.h"

#include "frame/PixelRows.h"

#include <algorithm>
#include <array>
#include <vector>

namespace vorlings::moblur {

namespace {

constexpr int kPlanes = 5; // red, green, blue, alpha, weight
constexpr int kMostHalvings = 9;

// Every level of the five planes: level 0 is the smear's own planes; the coarser ones share
// one block per plane.
struct PlanePyramid {
    std::array<CBuffer<float>, kPlanes> Coarse;
    int Levels = 1;
    std::array<int32_t, kMostHalvings + 1> Widths{};
    std::array<int32_t, kMostHalvings + 1> Heights{};
    std::array<std::array<float*, kPlanes>, kMostHalvings + 1> Planes{};
};

// Levels are halved while both sides stay at least 1, nine times at most.
bool BuildPlanePyramid(PlanePyramid& pyramid, const std::array<float*, kPlanes>& base,
                       int32_t width, int32_t height, const std::atomic<int>& abortFlag) {
    pyramid.Widths[0] = width;
    pyramid.Heights[0] = height;
    pyramid.Planes[0] = base;
    size_t coarse = 0;
    int levels = 1;
    for (int32_t w = width / 2, h = height / 2; w >= 1 && h >= 1 && levels <= kMostHalvings;
         w /= 2, h /= 2, ++levels) {
        pyramid.Widths[size_t(levels)] = w;
        pyramid.Heights[size_t(levels)] = h;
        coarse += PlaneSize(w, h);
    }
    for (auto& block : pyramid.Coarse) {
        block = Allocate<float>(coarse);
        if (!block) return false;
    }
    size_t start = 0;
    for (int level = 1; level < levels; ++level) {
        if (abortFlag) return false;
        const size_t below = size_t(level - 1);
        for (int p = 0; p < kPlanes; ++p) {
            float* plane = pyramid.Coarse[size_t(p)].get() + start;
            pyramid.Planes[size_t(level)][size_t(p)] = plane;
            HalvePlane(pyramid.Planes[below][size_t(p)], pyramid.Widths[below],
                       pyramid.Heights[below], plane);
        }
        start += PlaneSize(pyramid.Widths[size_t(level)], pyramid.Heights[size_t(level)]);
        pyramid.Levels = level + 1;
    }
    return true;
}

// A normalised colour sum as a 16-bit word, rounded to nearest; NaN gives 0.
uint16_t WordOf(float value) {
    const float held = value > 0.0f ? std::min(value, 65535.0f) : 0.0f;
    return uint16_t(int32_t(double(held) + 0.5));
}

// The output row by row: each pixel's sums, topped up from coarser levels while its weight is
// short of 1, divided by the weight. Pixels that received nothing at any level stay as they are.
void WriteOutput(Image& output, const PlanePyramid& pyramid, const std::atomic<int>& abortFlag) {
    const int32_t width = pyramid.Widths[0], height = pyramid.Heights[0];
    const frame::RowAccess access(output);
    std::vector<uint16_t> words(size_t(width) * frame::kWordsPerPixel);
    for (int32_t y = 0; y < height; ++y) {
        if (abortFlag) return;
        access.ReadInto(y, 0, width, words.data());
        for (int32_t x = 0; x < width; ++x) {
            const size_t at = PlaneSize(width, y) + size_t(x);
            const auto& base = pyramid.Planes[0];
            float r = base[0][at], g = base[1][at], b = base[2][at], a = base[3][at],
                  w = base[4][at];
            for (int level = 1; level < pyramid.Levels && !(w > 0.995); ++level) {
                // Odd sizes leave a last column or row that halving drops; it reads the level's
                // last one.
                const int32_t xl = std::min(x >> level, pyramid.Widths[size_t(level)] - 1);
                const int32_t yl = std::min(y >> level, pyramid.Heights[size_t(level)] - 1);
                const size_t cell = PlaneSize(pyramid.Widths[size_t(level)], yl) + size_t(xl);
                const auto& planes = pyramid.Planes[size_t(level)];
                const float k = 1 - w;
                r += k * planes[0][cell];
                g += k * planes[1][cell];
                b += k * planes[2][cell];
                a += k * planes[3][cell];
                w += k * planes[4][cell];
            }
            if (!(w > 0.0001)) continue;
            uint16_t* pixel = words.data() + size_t(x) * frame::kWordsPerPixel;
            pixel[2] = WordOf(r / w);
            pixel[1] = WordOf(g / w);
            pixel[0] = WordOf(b / w);
            pixel[3] = WordOf(a / w);
        }
        access.Write(y, 0, width, words.data());
    }
}

} // namespace

void HalvePlane(const float* plane, int32_t width, int32_t height, float* next) {
    const int32_t w = width / 2, h = height / 2;
    for (int32_t j = 0; j < h; ++j) {
        const float* top = plane + PlaneSize(width, 2 * j);
        const float* bottom = top + width;
        float* out = next + PlaneSize(w, j);
        for (int32_t i = 0; i < w; ++i)
            out[i] = (top[2 * i] + top[2 * i + 1] + bottom[2 * i] + bottom[2 * i + 1]) * 0.25f;
    }
}

void SmearFrame(Image& output, const Image& next, const Image& prev, const MotionField& field,
                SmearSettings settings, const frame::ChunkSplit& split,
                const std::atomic<int>& abortFlag, const SmearPass& smearPass) {
    if (abortFlag) return;
    if (!(settings.StartWeight >= 1.0f)) settings.StartWeight = 1.0f;
    if (!(settings.EndWeight >= 1.0f)) settings.EndWeight = 1.0f;
    settings.Steps = std::max(settings.Steps, 2);
    const int32_t width = field.Width, height = field.Height;

    std::array<CBuffer<float>, kPlanes> planes;
    for (auto& plane : planes) {
        plane = AllocateZeroed<float>(PlaneSize(width, height));
        if (!plane) return;
    }
    if (abortFlag) return;
    const std::optional<FrameWords> nextWords = FrameWords::Of(next, width, height);
    const std::optional<FrameWords> prevWords = FrameWords::Of(prev, width, height);
    if (!nextWords || !prevWords) return;

    const std::array<float*, kPlanes> base{planes[0].get(), planes[1].get(), planes[2].get(),
                                           planes[3].get(), planes[4].get()};
    smearPass(SmearJob{&*nextWords,
                       &*prevWords,
                       width,
                       height,
                       settings.Steps,
                       &field,
                       settings.LengthScale,
                       settings.StartWeight,
                       settings.EndWeight,
                       {base[0], base[1], base[2], base[3], base[4]},
                       split});
    if (abortFlag) return;

    PlanePyramid pyramid;
    if (!BuildPlanePyramid(pyramid, base, width, height, abortFlag)) return;
    WriteOutput(output, pyramid, abortFlag);
}

} // namespace vorlings::moblur
