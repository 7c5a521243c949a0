// SPDX-License-Identifier: Apache-2.0
// Small synthetic images and a one-call render for the tests.
#pragma once

#include "host/Image.h"
#include "host/Operator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <random>

namespace test {

/// An image of `kind` whose pixel (x, y) is value(x, y).
inline std::shared_ptr<Image> MakeImage(ImageKind kind, int32_t w, int32_t h,
                                        const std::function<Pixel(int32_t, int32_t)>& value) {
    std::shared_ptr<Image> image = Image::Create(kind, w, h);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const Pixel p = value(x, y);
            image->WritePixel(image.get(), image->PixelAddress(x, y), &p);
        }
    return image;
}

inline Pixel Grey(uint32_t v) {
    return Pixel{{v, v, v, v}};
}

/// An image of `kind` with every word `v`.
inline std::shared_ptr<Image> Flat(int32_t w, int32_t h, uint32_t v,
                                   ImageKind kind = ImageKind::Int16) {
    return MakeImage(kind, w, h, [=](int32_t, int32_t) { return Grey(v); });
}

/// A 16-bit image of independent random words (alpha included), from a fixed seed.
inline std::shared_ptr<Image> RandomImage(int32_t w, int32_t h, uint32_t seed,
                                          ImageKind kind = ImageKind::Int16) {
    std::mt19937 rng(seed);
    return MakeImage(kind, w, h, [&](int32_t, int32_t) {
        Pixel p;
        for (auto& word : p.Word) word = rng() & 0xFFFF;
        return p;
    });
}

inline Pixel At(const Image& image, int32_t x, int32_t y) {
    Pixel p;
    image.ReadPixel(&image, image.PixelAddress(x, y), &p);
    return p;
}

/// Both images have the same size and the same words everywhere; else where they first differ.
inline ::testing::AssertionResult SamePixels(const Image& a, const Image& b) {
    if (a.Width != b.Width || a.Height != b.Height)
        return ::testing::AssertionFailure()
               << a.Width << " x " << a.Height << " against " << b.Width << " x " << b.Height;
    for (int32_t y = 0; y < a.Height; ++y)
        for (int32_t x = 0; x < a.Width; ++x) {
            const Pixel p = At(a, x, y), q = At(b, x, y);
            for (int c = 0; c < 4; ++c)
                if (p.Word[c] != q.Word[c])
                    return ::testing::AssertionFailure()
                           << "pixel (" << x << ", " << y << ") channel " << c << ": " << p.Word[c]
                           << " against " << q.Word[c];
        }
    return ::testing::AssertionSuccess();
}

/// Renders `op` at time 0 with `input` on every image input.
inline std::unique_ptr<Image> Render(Operator& op, std::shared_ptr<Image> input) {
    Request request(0.0);
    return RenderRequest(op, request, [&](const Input&, int, double) { return input; });
}

/// Sets NUM_PROC_THARN for the life of the object and restores the previous state.
class ChunkEnv {
public:
    explicit ChunkEnv(const char* value) {
        if (const char* old = std::getenv("NUM_PROC_THARN")) {
            had_ = true;
            old_ = old;
        }
        if (value)
            setenv("NUM_PROC_THARN", value, 1);
        else
            unsetenv("NUM_PROC_THARN");
    }
    ~ChunkEnv() {
        if (had_)
            setenv("NUM_PROC_THARN", old_.c_str(), 1);
        else
            unsetenv("NUM_PROC_THARN");
    }

private:
    bool had_ = false;
    std::string old_;
};

} // namespace test
