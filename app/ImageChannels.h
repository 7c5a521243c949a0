// SPDX-License-Identifier: Apache-2.0
// What reading and writing images share, for files and for the arrays of other front ends:
// where interleaved channels go among the Pixel words, the kind that holds samples of each
// depth, and the two passes between interleaved samples and an image's words.
#pragma once

#include "ImageIO.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

namespace imageio {

// Pixel word of each file channel: R, G, B, A go to 2, 1, 0, 3.
inline constexpr int kWordOfRed = PIX_Red, kWordOfGreen = PIX_Green, kWordOfBlue = PIX_Blue,
                     kWordOfAlpha = PIX_Alpha;

/// Full scale of a sample type: the alpha of an opaque pixel.
template <class T>
constexpr T Opaque() {
    if constexpr (std::is_same_v<T, float>)
        return 1.0f;
    else
        return std::numeric_limits<T>::max();
}

/// The kind of image whose words are samples of type T.
template <class T>
constexpr ImageKind KindOfSample() {
    if constexpr (std::is_same_v<T, float>)
        return ImageKind::Float;
    else if constexpr (std::is_same_v<T, uint8_t>)
        return ImageKind::Int8;
    else
        return ImageKind::Int16;
}

/// The kind of image that holds samples of `depth`.
inline ImageKind KindFor(SampleDepth depth) {
    switch (depth) {
    case SampleDepth::Int8:
        return ImageKind::Int8;
    case SampleDepth::Int16:
        return ImageKind::Int16;
    case SampleDepth::Half:
    case SampleDepth::Float:
        return ImageKind::Float;
    }
    return ImageKind::Int16;
}

namespace detail {

// Both passes are bound by memory. A channel count fixed at compile time leaves the pixel
// loops free of branches, so that the compiler can turn them into vector shuffles.

// Swaps the first and third sample of each group of four (R, G, B, A to the Pixel's B, G, R,
// A and back), 16 bytes at a time: the whole of a four-channel pass between arrays and
// images of one kind. With `Clamp`, float samples outside 0..1 become 0 or 1 (NaN 0) and are
// counted. Returns the count.
template <class T, bool Clamp>
size_t SwapRedAndBlue(const T* in, T* out, size_t pixels) {
    constexpr int kLanes = 16 / int(sizeof(T));
    using Lane = std::conditional_t<sizeof(T) == 1, int8_t,
                                    std::conditional_t<sizeof(T) == 2, int16_t, int32_t>>;
    using Vector [[gnu::vector_size(16)]] = T;
    using Index [[gnu::vector_size(16)]] = Lane;
    Index swap{};
    for (int i = 0; i < kLanes; ++i) swap[i] = Lane(i % 2 == 1 ? i : i ^ 2);
    size_t clamped = 0;
    const auto clamp = [&clamped](T& v) {
        if (v >= T(0) && v <= T(1)) return;
        v = v > T(1) ? T(1) : T(0);
        ++clamped;
    };
    const size_t samples = pixels * 4;
    size_t i = 0;
    for (; i + kLanes <= samples; i += kLanes) {
        Vector v;
        std::memcpy(&v, in + i, sizeof v);
        if constexpr (Clamp) {
            const Index inside = v >= T(0) && v <= T(1);
            uint64_t halves[2];
            std::memcpy(halves, &inside, sizeof halves);
            if ((halves[0] & halves[1]) != ~uint64_t(0))
                for (int k = 0; k < kLanes; ++k) clamp(v[k]);
        }
        v = __builtin_shuffle(v, swap);
        std::memcpy(out + i, &v, sizeof v);
    }
    for (; i < samples; i += 4) {
        T pixel[4] = {in[i + 2], in[i + 1], in[i], in[i + 3]};
        if constexpr (Clamp)
            for (T& v : pixel) clamp(v);
        std::memcpy(out + i, pixel, sizeof pixel);
    }
    return clamped;
}

template <class T, int Channels>
size_t SpreadRow(const T* in, T* out, int32_t width) {
    static_assert(kWordOfRed == 2 && kWordOfGreen == 1 && kWordOfBlue == 0 && kWordOfAlpha == 3);
    if constexpr (Channels == 4)
        return SwapRedAndBlue<T, std::is_same_v<T, float>>(in, out, size_t(width));
    size_t clamped = 0;
    const auto take = [&clamped](T v) {
        if constexpr (std::is_same_v<T, float>) {
            if (!(v >= 0.0f && v <= 1.0f)) {
                ++clamped;
                return v > 1.0f ? 1.0f : 0.0f;
            }
        }
        return v;
    };
    for (int32_t x = 0; x < width; ++x, in += Channels, out += 4) {
        if constexpr (Channels <= 2) {
            out[kWordOfRed] = out[kWordOfGreen] = out[kWordOfBlue] = take(in[0]);
            out[kWordOfAlpha] = Channels == 2 ? take(in[1]) : Opaque<T>();
        } else {
            out[kWordOfRed] = take(in[0]);
            out[kWordOfGreen] = take(in[1]);
            out[kWordOfBlue] = take(in[2]);
            out[kWordOfAlpha] = Channels == 4 ? take(in[3]) : Opaque<T>();
        }
    }
    return clamped;
}

template <class T, int Channels>
void GatherRow(const T* words, T* out, int32_t width) {
    if constexpr (Channels == 4) {
        SwapRedAndBlue<T, false>(words, out, size_t(width));
        return;
    }
    for (int32_t x = 0; x < width; ++x, words += 4, out += Channels) {
        if constexpr (Channels <= 2) {
            out[0] = words[kWordOfGreen];
            if constexpr (Channels == 2) out[1] = words[kWordOfAlpha];
        } else {
            out[0] = words[kWordOfRed];
            out[1] = words[kWordOfGreen];
            out[2] = words[kWordOfBlue];
            if constexpr (Channels == 4) out[3] = words[kWordOfAlpha];
        }
    }
}

template <class T, int Channels>
size_t SpreadRowsOf(const T* samples, size_t rowStride, int first, int count, Image& image) {
    size_t clamped = 0;
    for (int32_t y = first; y < first + count; ++y)
        clamped += SpreadRow<T, Channels>(samples + size_t(y - first) * rowStride,
                                          reinterpret_cast<T*>(image.RowTable[y]), image.Width);
    return clamped;
}

template <class T, int Channels>
void GatherRowsOf(const Image& image, int first, int count, T* out, size_t rowStride) {
    std::vector<T> converted;
    if (image.Kind != KindOfSample<T>()) converted.resize(size_t(image.Width) * 4);
    Pixel p;
    for (int32_t y = first; y < first + count; ++y) {
        const T* words = reinterpret_cast<const T*>(image.RowTable[y]);
        if (!converted.empty()) {
            // Another kind: through the 16-bit Pixel, as ReadPixel gives it.
            for (int32_t x = 0; x < image.Width; ++x) {
                image.ReadPixel(&image, image.PixelAddress(x, y), &p);
                T* word = converted.data() + size_t(x) * 4;
                for (int i = 0; i < 4; ++i) {
                    if constexpr (std::is_same_v<T, float>)
                        word[i] = FloatFromWord16(p.Word[i]);
                    else if constexpr (std::is_same_v<T, uint8_t>)
                        word[i] = Word8From16(p.Word[i]);
                    else
                        word[i] = T(p.Word[i]);
                }
            }
            words = converted.data();
        }
        GatherRow<T, Channels>(words, out + size_t(y - first) * rowStride, image.Width);
    }
}

} // namespace detail

/// Spreads `count` rows of interleaved samples (`channels` of them per pixel, 1 to 4, rows
/// `rowStride` samples apart) over the words of `image` from row `first` on, in one pass. One
/// or two channels are grey (and alpha); a missing alpha is opaque. Float samples are clamped
/// to 0..1 on the way (NaN to 0): returns how many were outside.
template <class T>
size_t SpreadRows(const T* samples, size_t rowStride, int first, int count, int channels,
                  Image& image) {
    switch (channels) {
    case 1:
        return detail::SpreadRowsOf<T, 1>(samples, rowStride, first, count, image);
    case 2:
        return detail::SpreadRowsOf<T, 2>(samples, rowStride, first, count, image);
    case 3:
        return detail::SpreadRowsOf<T, 3>(samples, rowStride, first, count, image);
    default:
        return detail::SpreadRowsOf<T, 4>(samples, rowStride, first, count, image);
    }
}

/// The image's rows `first` to `first + count` as interleaved samples of type T, `channels`
/// per pixel (1 or 2: grey, the green word, and alpha), into `out`, rows `rowStride` samples
/// apart, in one pass. Samples of the image's own kind are copied exactly; another kind goes
/// through the 16-bit Pixel, as ReadPixel gives it.
template <class T>
void GatherRows(const Image& image, int first, int count, int channels, T* out, size_t rowStride) {
    switch (channels) {
    case 1:
        return detail::GatherRowsOf<T, 1>(image, first, count, out, rowStride);
    case 2:
        return detail::GatherRowsOf<T, 2>(image, first, count, out, rowStride);
    case 3:
        return detail::GatherRowsOf<T, 3>(image, first, count, out, rowStride);
    default:
        return detail::GatherRowsOf<T, 4>(image, first, count, out, rowStride);
    }
}

/// Whether every pixel has equal red, green and blue words: a grey picture stays grey.
inline bool IsGrey(const Image& image) {
    Pixel p;
    for (int32_t y = 0; y < image.Height; ++y)
        for (int32_t x = 0; x < image.Width; ++x) {
            image.ReadPixel(&image, image.PixelAddress(x, y), &p);
            if (p.Word[PIX_Red] != p.Word[PIX_Green] || p.Word[PIX_Green] != p.Word[PIX_Blue])
                return false;
        }
    return true;
}

/// Reads every row of the image file at `path` and drops it: what a reader says of the first
/// row it cannot read, or "" when all of them read.
std::string ReadBackProblem(const std::string& path);

} // namespace imageio
