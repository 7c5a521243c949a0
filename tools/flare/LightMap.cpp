// SPDX-License-Identifier: Apache-2.0
#include "LightMap.h"

#include "frame/Numeric.h"
#include "frame/PixelRows.h"

#include <algorithm>
#include <vector>

namespace vorlings::flare {

namespace {

using frame::kWordsPerPixel;
using frame::TruncToInt32;

void WritePointSource(const FlareJob& job) {
    Image& work = *job.WorkImage;
    work.Fill(0, 0, 0, 0);
    // A point outside the frame lights nothing.
    if (job.PointColumn < 0 || job.PointColumn >= job.Width || job.PointRow < 0 ||
        job.PointRow >= job.Height)
        return;
    const int32_t r = std::clamp(job.PointRed, 0, kTopLevel);
    const int32_t g = std::clamp(job.PointGreen, 0, kTopLevel);
    const int32_t b = std::clamp(job.PointBlue, 0, kTopLevel);
    const int32_t level = TruncToInt32((r + g + b) * 0.3333333333333333);
    const Pixel light{{uint32_t(b * 4), uint32_t(g * 4), uint32_t(r * 4), uint32_t(level * 4)}};
    work.WritePixel(&work, work.PixelAddress(job.PointColumn, job.PointRow), &light);
}

void ThresholdSource(const FlareJob& job, int32_t low, int32_t high) {
    const int32_t width = job.Width;
    const frame::RowAccess source(*job.SourceImage);
    const frame::RowAccess work(*job.WorkImage);
    std::vector<uint16_t> scratch(size_t(width) * kWordsPerPixel);
    std::vector<uint16_t> out(size_t(width) * kWordsPerPixel);
    for (int32_t y = 0; y < job.Height; ++y) {
        std::fill(out.begin(), out.end(), uint16_t(0));
        if (job.Y0 < y && y < job.Y1) {
            const uint16_t* in = source.Read(y, 0, width, scratch.data());
            const int32_t from = std::max(job.X0 + 1, 0);
            const int32_t to = std::min(job.X1, width); // exclusive
            for (int32_t x = from; x < to; ++x) {
                const uint16_t* s = in + size_t(x) * kWordsPerPixel;
                const int32_t s0 = s[0] >> 2, s1 = s[1] >> 2, s2 = s[2] >> 2;
                const int32_t mean = TruncToInt32((s0 + s1 + s2) * 0.3333333333333333);
                if (mean < low || mean > high) continue;
                uint16_t* o = out.data() + size_t(x) * kWordsPerPixel;
                o[0] = uint16_t(s0 * 4);
                o[1] = uint16_t(s1 * 4);
                o[2] = uint16_t(s2 * 4);
                o[3] = uint16_t(mean * 4);
            }
        }
        work.Write(y, 0, width, out.data());
    }
}

} // namespace

void AddReflections(const Image& snapshot, Image& work, int32_t ghostsPlusOne, float reflectivity,
                    float shift) {
    const int32_t width = snapshot.Width, height = snapshot.Height;
    const int32_t cx = width / 2, cy = height / 2;
    if (reflectivity > 1.0f) reflectivity = 1.0f;
    const frame::RowAccess rows(snapshot);
    std::vector<uint16_t> scratch(size_t(width) * kWordsPerPixel);
    for (int32_t y = 0; y < height; ++y) {
        const uint16_t* row = rows.Read(y, 0, width, scratch.data());
        // A frame one pixel across has no offset to mirror.
        const float v = height > 1 ? float(double(y - cy) / (height - 1)) : 0.0f;
        for (int32_t x = 0; x < width; ++x) {
            const uint16_t* s = row + size_t(x) * kWordsPerPixel;
            const int32_t source[4] = {s[0] >> 2, s[1] >> 2, s[2] >> 2, s[3] >> 2};
            if (source[0] == 0 && source[1] == 0 && source[2] == 0) continue;
            const float u = width > 1 ? float(double(x - cx) / (width - 1)) : 0.0f;
            for (int32_t k = 1; k < ghostsPlusOne; ++k) {
                const double f = -(double(k) / (ghostsPlusOne - 1)) * shift;
                const float amount = reflectivity / float(k + 1);
                const int32_t gx = TruncToInt32(f * u * width + cx);
                const int32_t gy = TruncToInt32(f * v * height + cy);
                if (gx < 0 || gx >= width || gy < 0 || gy >= height) continue;
                uint8_t* at = work.PixelAddress(gx, gy);
                Pixel target;
                work.ReadPixel(&work, at, &target);
                Pixel ghost;
                for (int i = 0; i < 4; ++i) {
                    const int32_t t = int32_t(target.Word[i] >> 2);
                    const int32_t n = TruncToInt32(float(source[i]) * amount + float(t));
                    ghost.Word[i] = uint32_t(std::clamp(n, 0, kTopLevel) * 4);
                }
                work.WritePixel(&work, at, &ghost);
            }
        }
    }
}

void PrepareLightMap(const FlareJob& job) {
    const int32_t low = job.LowThreshold;
    const int32_t high = std::max(job.HighThreshold, low);
    if (job.PointFlag)
        WritePointSource(job);
    else
        ThresholdSource(job, low, high);

    if (job.ReflectionsPlusOne >= 2 && job.Reflectivity >= 1e-5f) {
        job.WorkImage->ImageCopy(job.OutputImage);
        AddReflections(*job.OutputImage, *job.WorkImage, job.ReflectionsPlusOne, job.Reflectivity,
                       job.ReflectionShift);
    }
}

} // namespace vorlings::flare
