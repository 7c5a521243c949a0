// SPDX-License-Identifier: Apache-2.0
// Image files through the real binary: values pass through untouched (Clean with
// "Filter Size=0" copies exactly), kinds and channels follow the file, depth and pixel
// aspect do as asked.
#include "CliFixture.h"

#include <algorithm>
#include <tuple>

using OIIO::TypeDesc;

// RGB stays RGB, RGBA stays RGBA with its alpha as it was (no premultiplication of the
// transparent pixels' colour), and every kind keeps its format and bit depth, silently.
TEST_F(CliTest, EveryFileKindPassesThroughBitExact) {
    struct Case {
        const char* Name;
        int Channels;
        TypeDesc Format;
        int Bits = 0;
    };
    const std::vector<Case> cases = {
        {"rgb16.png", 3, TypeDesc::UINT16},    {"rgba16.png", 4, TypeDesc::UINT16},
        {"rgb16.tif", 3, TypeDesc::UINT16},    {"rgba16.tif", 4, TypeDesc::UINT16},
        {"rgba8.png", 4, TypeDesc::UINT8},     {"grey.png", 1, TypeDesc::UINT16},
        {"greyalpha.png", 2, TypeDesc::UINT8}, {"half.exr", 4, TypeDesc::HALF},
        {"float.exr", 3, TypeDesc::FLOAT},     {"rgb16.dpx", 3, TypeDesc::UINT16},
        {"ten.dpx", 3, TypeDesc::UINT16, 10}};
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.Name);
        RawImage in = NoiseImage(37, 23, c.Channels, c.Format, uint32_t(i));
        in.BitsPerSample = c.Bits;
        WriteRaw(Path(c.Name), in);
        const RawImage out = Clean("0", c.Name, std::string("out_") + c.Name);
        // Compared with the file as read, since ten-bit samples are rounded when written.
        EXPECT_TRUE(SameSamples(out, ReadRaw(Path(c.Name))));
        EXPECT_EQ(out.BitsPerSample, c.Bits);
    }
}

TEST_F(CliTest, FloatValuesOutsideZeroToOneAreClampedWithOneWarning) {
    RawImage in = NoiseImage(4, 2, 4, TypeDesc::FLOAT, 5);
    float* s = in.Samples<float>();
    s[0] = -0.25f;
    s[5] = 3.0f;
    s[31] = 1.5f; // an alpha
    WriteRaw(Path("in.exr"), in);
    for (size_t i = 0; i < in.SampleCount(); ++i) s[i] = std::clamp(s[i], 0.0f, 1.0f);
    EXPECT_TRUE(SameSamples(
        Clean("0", "in.exr", "out.exr", {}, Path("in.exr") + ": 3 values outside 0..1"), in));
}

TEST_F(CliTest, DepthConvertsAsThePixelRoutinesDo) {
    const RawImage in = NoiseImage(13, 7, 3, TypeDesc::UINT16, 9);
    WriteRaw(Path("in.png"), in);
    RawImage eight{13, 7, 3, TypeDesc::UINT8, {}}, real{13, 7, 3, TypeDesc::FLOAT, {}}, wide = in;
    eight.Bytes.resize(in.SampleCount());
    real.Bytes.resize(in.SampleCount() * sizeof(float));
    for (size_t i = 0; i < in.SampleCount(); ++i) {
        const uint32_t v = in.Samples<uint16_t>()[i];
        eight.Samples<uint8_t>()[i] = uint8_t((v * 255 + 32767) / 65535);
        real.Samples<float>()[i] = float(double(v) / 65535.0);
        // And back: 8-bit values widen by 257, so 8 -> 16 -> 8 is exact.
        wide.Samples<uint16_t>()[i] = uint16_t(eight.Samples<uint8_t>()[i] * 257u);
    }
    EXPECT_TRUE(SameSamples(Clean("0", "in.png", "out8.png", {"--depth", "8"},
                                  Path("out8.png") + ": --depth 8 holds fewer bits"),
                            eight));
    EXPECT_TRUE(SameSamples(Clean("0", "in.png", "outf.exr", {"--depth", "float"}), real));
    EXPECT_TRUE(SameSamples(Clean("0", "out8.png", "back16.png", {"--depth", "16"}), wide));
}

TEST_F(CliTest, ExtraChannelsAreDroppedAndFormatsWithoutAlphaLoseIt) {
    const RawImage five = NoiseImage(8, 6, 5, TypeDesc::UINT16, 11);
    WriteRaw(Path("five.tif"), five);
    RawImage four{8, 6, 4, TypeDesc::UINT16, {}};
    four.Bytes.resize(four.SampleCount() * 2);
    for (size_t i = 0; i < four.SampleCount(); ++i)
        four.Samples<uint16_t>()[i] = five.Samples<uint16_t>()[i / 4 * 5 + i % 4];
    EXPECT_TRUE(
        SameSamples(Clean("0", "five.tif", "four.tif", {}, Path("five.tif") + ": *dropped"), four));

    WriteRaw(Path("rgba.png"), NoiseImage(8, 6, 4, TypeDesc::UINT8, 12));
    const RawImage jpeg = Clean("0", "rgba.png", "out.jpg", {}, Path("out.jpg") + ": *no alpha");
    EXPECT_EQ(std::tuple(jpeg.Width, jpeg.Height, jpeg.Channels), std::tuple(8, 6, 3));
}

// Clean's window height is its half width divided by the pixel aspect: at a half width of 1
// an aspect of 2 leaves a window one row high, which copies the input exactly.
TEST_F(CliTest, PixelAspectComesFromTheFileUnlessGiven) {
    RawImage in = NoiseImage(100, 20, 4, TypeDesc::HALF, 21);
    in.PixelAspect = 2.0f;
    WriteRaw(Path("wide.exr"), in);
    const RawImage fromFile = Clean("0.01", "wide.exr", "from_file.exr");
    EXPECT_TRUE(SameSamples(fromFile, in));
    EXPECT_EQ(fromFile.PixelAspect, 2.0f) << "the output keeps the aspect";
    EXPECT_FALSE(SameSamples(Clean("0.01", "wide.exr", "square.exr", {"--pixel-aspect", "1"}), in))
        << "a 3 x 3 window filters";

    in.PixelAspect = 1.0f;
    WriteRaw(Path("flat.exr"), in);
    EXPECT_TRUE(SameSamples(Clean("0.01", "flat.exr", "given.exr", {"--pixel-aspect", "2"}), in));
}
