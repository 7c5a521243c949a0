// SPDX-License-Identifier: Apache-2.0
#include "SmearRows.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vorlings::moblur {

namespace {

using frame::kWordsPerPixel;

// Colour words in plane order: red, green, blue, alpha.
constexpr int kPlaneWord[4] = {2, 1, 0, 3};

// Adds `weight` times `colour` and `weight` at one cell of the planes.
inline void AddCell(const SmearPlanes& planes, size_t at, float weight, const float colour[4]) {
    planes.Red[at] += weight * colour[0];
    planes.Green[at] += weight * colour[1];
    planes.Blue[at] += weight * colour[2];
    planes.Alpha[at] += weight * colour[3];
    planes.Weight[at] += weight;
}

// Frame t's colour at (px, py), bilinear between the four pixels around it; (px, py) lies in
// 1..width - 2 and 1..height - 2, so all four exist.
void SampleBilinear(const FrameWords& frame, float px, float py, float colour[4]) {
    const int32_t i = int32_t(px), j = int32_t(py);
    const float fx = px - float(i), fy = py - float(j);
    const uint16_t* top = frame.Row(j) + size_t(i) * kWordsPerPixel;
    const uint16_t* bottom = frame.Row(j + 1) + size_t(i) * kWordsPerPixel;
    for (int c = 0; c < 4; ++c) {
        const int w = kPlaneWord[c];
        const float upper = (1 - fx) * float(top[w]) + fx * float(top[w + kWordsPerPixel]);
        const float lower = (1 - fx) * float(bottom[w]) + fx * float(bottom[w + kWordsPerPixel]);
        colour[c] = (1 - fy) * upper + fy * lower;
    }
}

} // namespace

void SmearRows(const SmearJob& job, frame::ChunkRange rows, const std::atomic<int>& abortFlag) {
    const int32_t width = job.Width, height = job.Height;
    const MotionField& field = *job.Field;
    const SmearPlanes& planes = job.Planes;
    const float lastX = float(width - 2), lastY = float(height - 2);
    const float steps = float(job.Steps - 1);
    // Each step's place along the path and weight are the same for every pixel: for the step
    // counts the controls offer they are worked out once per chunk.
    constexpr int32_t kTabledSteps = 64;
    const bool tabled = job.Steps <= kTabledSteps;
    std::array<float, kTabledSteps> stepShare{}, stepWeight{};
    for (int32_t k = 0; tabled && k < job.Steps; ++k) {
        stepShare[size_t(k)] = float(k) / steps;
        stepWeight[size_t(k)] =
            job.StartWeight + (job.EndWeight - job.StartWeight) * stepShare[size_t(k)];
    }
    // A frame under 3 pixels across has no inside to smear into; its field is still anyway.
    const bool canMove = width >= 3 && height >= 3;

    for (int32_t y = 0; y < height; ++y) {
        if (abortFlag) return;
        const uint16_t* row = job.Next->Row(y);
        const bool ownRow = y >= rows.Begin && y < rows.End;
        for (int32_t x = 0; x < width; ++x) {
            const uint16_t* words = row + size_t(x) * kWordsPerPixel;
            const size_t here = field.At(x, y);
            const float vx = field.X[here], vy = field.Y[here];
            const float own[4] = {float(words[2]), float(words[1]), float(words[0]),
                                  float(words[3])};

            if ((std::fabs(vx) < 0.0001 && std::fabs(vy) < 0.0001) || !canMove) {
                if (ownRow) AddCell(planes, here, 1.0f, own);
                continue;
            }

            const float endX = HeldInside(float(x) + job.LengthScale * vx, 1.0f, lastX);
            const float endY = HeldInside(float(y) + job.LengthScale * vy, 1.0f, lastY);
            // Paths that never come near this chunk's rows are left to the chunks they reach.
            const float low = std::min(float(y), endY), high = std::max(float(y), endY);
            if (high < float(rows.Begin) || low > float(rows.End)) continue;

            float far[4];
            SampleBilinear(*job.Prev, HeldInside(float(x) + vx, 1.0f, lastX),
                           HeldInside(float(y) + vy, 1.0f, lastY), far);

            for (int32_t k = 0; k < job.Steps; ++k) {
                const float s = tabled ? stepShare[size_t(k)] : float(k) / steps;
                const float weight = tabled
                                         ? stepWeight[size_t(k)]
                                         : job.StartWeight + (job.EndWeight - job.StartWeight) * s;
                const float px = float(x) + (endX - float(x)) * s;
                const float py = float(y) + (endY - float(y)) * s;
                float colour[4];
                for (int c = 0; c < 4; ++c) colour[c] = own[c] + (far[c] - own[c]) * s;

                const int32_t i = int32_t(px), j = int32_t(py);
                const float fx = px - float(i), fy = py - float(j);
                const bool rightInside = i + 1 < width;
                if (j >= rows.Begin && j < rows.End) {
                    const size_t at = size_t(j) * size_t(width) + size_t(i);
                    AddCell(planes, at, weight * (1 - fx) * (1 - fy), colour);
                    if (rightInside) AddCell(planes, at + 1, weight * fx * (1 - fy), colour);
                }
                if (j + 1 >= rows.Begin && j + 1 < rows.End) {
                    const size_t at = size_t(j + 1) * size_t(width) + size_t(i);
                    AddCell(planes, at, weight * (1 - fx) * fy, colour);
                    if (rightInside) AddCell(planes, at + 1, weight * fx * fy, colour);
                }
            }
        }
    }
}

} // namespace vorlings::moblur
