// SPDX-License-Identifier: Apache-2.0
#include "DemoImages.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

struct Colour {
    double R, G, B; // 0..1, may exceed 1 before the final clamp
};

Colour Mix(Colour a, Colour b, double t) {
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

// A small fixed generator, so the specks land in the same places on every machine.
class SpeckRandom {
public:
    uint32_t Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }
    double Unit() { return double(Next() & 0xFFFF) / 65535.0; }

private:
    uint32_t state_ = 20000121u;
};

class Canvas {
public:
    Canvas(int32_t width, int32_t height)
        : width_(width), height_(height), pixels_(size_t(width) * size_t(height)) {}

    Colour& At(int32_t x, int32_t y) { return pixels_[size_t(y) * size_t(width_) + size_t(x)]; }
    bool Inside(int32_t x, int32_t y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_;
    }
    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }

    void Store(Image& image) const {
        Pixel p;
        p.Word[PIX_Alpha] = 65535;
        for (int32_t y = 0; y < height_; ++y)
            for (int32_t x = 0; x < width_; ++x) {
                const Colour& c = pixels_[size_t(y) * size_t(width_) + size_t(x)];
                p.Word[PIX_Red] = Word(c.R);
                p.Word[PIX_Green] = Word(c.G);
                p.Word[PIX_Blue] = Word(c.B);
                image.WritePixel(&image, image.PixelAddress(x, y), &p);
            }
    }

private:
    static uint32_t Word(double v) { return uint32_t(std::clamp(v, 0.0, 1.0) * 65535.0 + 0.5); }
    int32_t width_, height_;
    std::vector<Colour> pixels_;
};

// Dusk sky to warm ground: smooth gradients in both directions.
void PaintBackground(Canvas& c) {
    const Colour skyTop{0.05, 0.08, 0.22}, skyLow{0.55, 0.35, 0.45}, ground{0.18, 0.14, 0.10};
    for (int32_t y = 0; y < c.Height(); ++y) {
        const double v = double(y) / (c.Height() - 1);
        for (int32_t x = 0; x < c.Width(); ++x) {
            const double u = double(x) / (c.Width() - 1);
            Colour col =
                v < 0.6 ? Mix(skyTop, skyLow, v / 0.6) : Mix(skyLow, ground, (v - 0.6) / 0.4);
            col.R *= 0.8 + 0.4 * u;
            col.B *= 1.2 - 0.4 * u;
            c.At(x, y) = col;
        }
    }
}

// Hard edges: a bright frame, a dark chequered disc (which moves, pattern and all, with the
// frame, so that motion can be found inside it as well as at its rim) and diagonal stripes.
void PaintEdges(Canvas& c, int64_t frame) {
    const int32_t w = c.Width(), h = c.Height();
    const int32_t x0 = w * 6 / 100, y0 = h * 10 / 100, x1 = w * 30 / 100, y1 = h * 45 / 100;
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x1; ++x) {
            const bool border = x < x0 + 6 || x >= x1 - 6 || y < y0 + 6 || y >= y1 - 6;
            c.At(x, y) = border ? Colour{0.92, 0.90, 0.85} : Colour{0.20, 0.45, 0.30};
        }
    const double cx = w * 0.45 + 8.0 * double(frame), cy = h * 0.70, radius = h * 0.16;
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            if (std::hypot(x - cx, y - cy) < radius) {
                const bool light =
                    (int32_t(std::floor((x - cx) / 18.0)) + int32_t(std::floor((y - cy) / 18.0))) %
                        2 !=
                    0;
                c.At(x, y) = light ? Colour{0.30, 0.16, 0.10} : Colour{0.04, 0.05, 0.08};
            }
    for (int32_t y = h * 62 / 100; y < h * 95 / 100; ++y)
        for (int32_t x = w * 4 / 100; x < w * 28 / 100; ++x)
            if (((x + y) / 12) % 2 == 0) c.At(x, y) = {0.85, 0.65, 0.20};
}

// Fine detail: a zone plate (rings getting finer outwards) and one-pixel lines.
void PaintDetail(Canvas& c) {
    const int32_t w = c.Width(), h = c.Height();
    const int32_t size = h * 36 / 100, left = w * 66 / 100, top = h * 8 / 100;
    for (int32_t y = 0; y < size && top + y < h; ++y)
        for (int32_t x = 0; x < size && left + x < w; ++x) {
            const double dx = x - size / 2.0, dy = y - size / 2.0;
            const double v = 0.5 + 0.5 * std::cos(std::numbers::pi * (dx * dx + dy * dy) / size);
            c.At(left + x, top + y) = {v, v, v};
        }
    for (int32_t y = h * 50 / 100; y < h * 58 / 100; ++y)
        for (int32_t x = w * 62 / 100; x < w * 96 / 100; x += 3) c.At(x, y) = {0.95, 0.95, 0.95};
}

// Specks of one to three pixels, light and dark: what Clean removes.
void PaintSpecks(Canvas& c) {
    SpeckRandom random;
    const int count = int(c.Width()) * int(c.Height()) / 800;
    for (int i = 0; i < count; ++i) {
        const int32_t x = int32_t(random.Next() % uint32_t(c.Width()));
        const int32_t y = int32_t(random.Next() % uint32_t(c.Height()));
        const int32_t size = 1 + int32_t(random.Next() % 3);
        const bool light = random.Next() % 2 == 0;
        const double tint = random.Unit() * 0.2;
        const Colour col =
            light ? Colour{1.0, 1.0 - tint, 0.9} : Colour{0.02 + tint * 0.1, 0.02, 0.03};
        for (int32_t dy = 0; dy < size; ++dy)
            for (int32_t dx = 0; dx < size; ++dx)
                if (c.Inside(x + dx, y + dy)) c.At(x + dx, y + dy) = col;
    }
}

// Bright lights with a soft glow, saturating at their cores: what flares grow from.
void PaintLights(Canvas& c, int64_t frame) {
    struct Light {
        double X, Y, Radius;
        Colour Tint;
    };
    const Light lights[] = {{0.38, 0.22, 10, {1.0, 0.95, 0.8}},
                            {0.56, 0.30, 6, {0.8, 0.9, 1.0}},
                            {0.84, 0.78, 14, {1.0, 0.7, 0.4}},
                            {0.50, 0.90, 4, {1.0, 1.0, 1.0}}};
    for (const Light& light : lights) {
        const double cx = light.X * c.Width() + 8.0 * double(frame), cy = light.Y * c.Height();
        const int32_t reach = int32_t(light.Radius * 4);
        for (int32_t y = int32_t(cy) - reach; y <= int32_t(cy) + reach; ++y)
            for (int32_t x = int32_t(cx) - reach; x <= int32_t(cx) + reach; ++x) {
                if (!c.Inside(x, y)) continue;
                const double d = std::hypot(x - cx, y - cy) / light.Radius;
                const double glow = d < 1.0 ? 4.0 : std::exp(-2.0 * (d - 1.0)) * 0.9;
                Colour& p = c.At(x, y);
                p = {p.R + glow * light.Tint.R, p.G + glow * light.Tint.G,
                     p.B + glow * light.Tint.B};
            }
    }
}

} // namespace

std::unique_ptr<Image> MakeDemoImage(int32_t width, int32_t height, int64_t frame) {
    std::unique_ptr<Image> image = Image::Create(ImageKind::Int16, width, height);
    if (!image) return nullptr;
    Canvas canvas(width, height);
    PaintBackground(canvas);
    PaintEdges(canvas, frame);
    PaintDetail(canvas);
    PaintLights(canvas, frame);
    PaintSpecks(canvas);
    canvas.Store(*image);
    return image;
}
