// SPDX-License-Identifier: Apache-2.0
#include "FieldCleanup.h"

#include "BlockMatch.h"

#include <cstdlib>

namespace vorlings::moblur {

float OutlierRatio(float centre, float neighbourMean) {
    if (centre > neighbourMean && neighbourMean > 0.001) return centre / neighbourMean;
    if (centre > 0.001) return neighbourMean / centre;
    return 0.0f;
}

bool CleanBlockMotion(MotionField& field, float threshold, float* tempX, float* tempY,
                      const std::atomic<int>& abortFlag) {
    const int32_t width = field.Width, height = field.Height;
    const int32_t first = kHalfBlock + kGridStep;
    for (int32_t y = first; y < height - kGridStep; y += kGridStep) {
        if (abortFlag) return false;
        for (int32_t x = first; x < width - kGridStep; x += kGridStep) {
            float lengths = 0.0f, sumX = 0.0f, sumY = 0.0f;
            for (int32_t ny = y - kGridStep; ny <= y + kGridStep; ny += kGridStep)
                for (int32_t nx = x - kGridStep; nx <= x + kGridStep; nx += kGridStep) {
                    if (nx == x && ny == y) continue;
                    const float vx = field.X[field.At(nx, ny)], vy = field.Y[field.At(nx, ny)];
                    lengths += vx * vx + vy * vy;
                    sumX += vx;
                    sumY += vy;
                }
            const float mean = float(lengths * 0.125);
            const float vx = field.X[field.At(x, y)], vy = field.Y[field.At(x, y)];
            const bool replace = OutlierRatio(vx * vx + vy * vy, mean) > threshold;
            tempX[field.At(x, y)] = replace ? float(sumX * 0.125) : vx;
            tempY[field.At(x, y)] = replace ? float(sumY * 0.125) : vy;
        }
    }
    for (int32_t y = first; y < height - kGridStep; y += kGridStep)
        for (int32_t x = first; x < width - kGridStep; x += kGridStep) {
            field.X[field.At(x, y)] = tempX[field.At(x, y)];
            field.Y[field.At(x, y)] = tempY[field.At(x, y)];
        }
    return true;
}

void InterpolateMotion(MotionField& field) {
    const int32_t width = field.Width, height = field.Height;
    for (int32_t by = kHalfBlock; by < height - kGridStep; by += kGridStep)
        for (int32_t bx = kHalfBlock; bx < width - kGridStep; bx += kGridStep) {
            // A cell writes only its own pixels, and its top-left corner with that corner's own
            // value, so every cell finds its four corners as the blocks left them.
            const size_t c00 = field.At(bx, by), c10 = field.At(bx + kGridStep, by);
            const size_t c01 = field.At(bx, by + kGridStep);
            const size_t c11 = field.At(bx + kGridStep, by + kGridStep);
            const float x00 = field.X[c00], x10 = field.X[c10], x01 = field.X[c01],
                        x11 = field.X[c11];
            const float y00 = field.Y[c00], y10 = field.Y[c10], y01 = field.Y[c01],
                        y11 = field.Y[c11];
            for (int32_t j = 0; j < kGridStep; ++j) {
                const float fy = float(j) / float(kGridStep);
                for (int32_t i = 0; i < kGridStep; ++i) {
                    const float fx = float(i) / float(kGridStep);
                    const size_t at = field.At(bx + i, by + j);
                    const float topX = (1 - fx) * x00 + fx * x10;
                    const float bottomX = (1 - fx) * x01 + fx * x11;
                    const float topY = (1 - fx) * y00 + fx * y10;
                    const float bottomY = (1 - fx) * y01 + fx * y11;
                    field.X[at] = (1 - fy) * topX + fy * bottomX;
                    field.Y[at] = (1 - fy) * topY + fy * bottomY;
                }
            }
        }
}

bool ZeroStillPixels(MotionField& field, const uint8_t* nextGrey, const uint8_t* prevGrey,
                     int32_t stillDifference, const std::atomic<int>& abortFlag) {
    for (int32_t y = 0; y < field.Height; ++y) {
        if (abortFlag) return false;
        for (int32_t x = 0; x < field.Width; ++x) {
            const size_t at = field.At(x, y);
            if (std::abs(int32_t(nextGrey[at]) - int32_t(prevGrey[at])) < stillDifference) {
                field.X[at] = 0.0f;
                field.Y[at] = 0.0f;
            }
        }
    }
    return true;
}

} // namespace vorlings::moblur
