// Image files through the real binary: values pass through untouched (Clean with
// "Filter Size=0" copies exactly), kinds and channels follow the file, depth and pixel
// aspect do as asked.
#include "CliFixture.h"

#include <cmath>

using OIIO::TypeDesc;

namespace {

std::vector<std::string> PassThrough(const std::string& in, const std::string& out) {
    return {"render", "clean", "-i", in, "-s", "Filter Size=0", "-o", out, "-q"};
}

} // namespace

TEST_F(CliTest, SixteenBitPngAndTiffRoundTripBitExact) {
    for (const char* ext : {".png", ".tif"})
        for (int channels : {3, 4}) {
            SCOPED_TRACE(std::string(ext) + " with " + std::to_string(channels) + " channels");
            const RawImage in = NoiseImage(37, 23, channels, TypeDesc::UINT16, uint32_t(channels));
            WriteRaw(Path(std::string("in") + ext), in);
            const CliResult r =
                RunCli(PassThrough(Path(std::string("in") + ext), Path(std::string("out") + ext)));
            ASSERT_EQ(r.Status, 0) << r.Err;
            EXPECT_EQ(r.Err, "");
            // RGB stays RGB, RGBA stays RGBA with its alpha as it was (no premultiplication
            // of the transparent pixels' colour).
            EXPECT_TRUE(SameSamples(ReadRaw(Path(std::string("out") + ext)), in));
        }
}

TEST_F(CliTest, EightBitGreyAndHalfFilesKeepTheirKind) {
    struct Case {
        const char* Name;
        int Channels;
        TypeDesc Format;
    };
    for (const Case& c :
         {Case{"rgba8.png", 4, TypeDesc::UINT8}, Case{"grey.png", 1, TypeDesc::UINT16},
          Case{"greyalpha.png", 2, TypeDesc::UINT8}, Case{"half.exr", 4, TypeDesc::HALF},
          Case{"float.exr", 3, TypeDesc::FLOAT}, Case{"rgb16.dpx", 3, TypeDesc::UINT16}}) {
        SCOPED_TRACE(c.Name);
        const RawImage in = NoiseImage(19, 11, c.Channels, c.Format, 3);
        WriteRaw(Path(c.Name), in);
        const CliResult r = RunCli(PassThrough(Path(c.Name), Path(std::string("out_") + c.Name)));
        ASSERT_EQ(r.Status, 0) << r.Err;
        EXPECT_TRUE(SameSamples(ReadRaw(Path(std::string("out_") + c.Name)), in));
    }
}

TEST_F(CliTest, TenBitDpxStaysTenBit) {
    // Ten-bit values widened to 16 bits, as the file holds them.
    RawImage in = NoiseImage(24, 10, 3, TypeDesc::UINT16, 6);
    for (size_t i = 0; i < in.SampleCount(); ++i)
        in.Samples<uint16_t>()[i] = uint16_t((in.Samples<uint16_t>()[i] >> 6) * 65535u / 1023u);
    in.BitsPerSample = 10;
    WriteRaw(Path("ten.dpx"), in);
    const CliResult r = RunCli(PassThrough(Path("ten.dpx"), Path("out.dpx")));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const RawImage out = ReadRaw(Path("out.dpx"));
    EXPECT_EQ(out.BitsPerSample, 10);
    EXPECT_TRUE(SameSamples(out, ReadRaw(Path("ten.dpx"))));
}

TEST_F(CliTest, FloatValuesOutsideZeroToOneAreClampedWithOneWarning) {
    RawImage in = NoiseImage(4, 2, 4, TypeDesc::FLOAT, 5);
    float* s = in.Samples<float>();
    s[0] = -0.25f;
    s[5] = 3.0f;
    s[31] = 1.5f; // an alpha
    WriteRaw(Path("in.exr"), in);
    const CliResult r = RunCli(PassThrough(Path("in.exr"), Path("out.exr")));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const auto lines = r.MessageLines();
    ASSERT_EQ(lines.size(), 1u) << r.Err;
    EXPECT_NE(lines[0].find("3 values outside 0..1"), std::string::npos) << lines[0];

    RawImage expected = in;
    for (size_t i = 0; i < expected.SampleCount(); ++i)
        expected.Samples<float>()[i] = std::clamp(expected.Samples<float>()[i], 0.0f, 1.0f);
    EXPECT_TRUE(SameSamples(ReadRaw(Path("out.exr")), expected));
}

TEST_F(CliTest, DepthConvertsAsThePixelRoutinesDo) {
    const RawImage in = NoiseImage(13, 7, 3, TypeDesc::UINT16, 9);
    WriteRaw(Path("in.png"), in);
    const auto render = [&](const std::string& out, const char* depth) {
        std::vector<std::string> args = PassThrough(Path("in.png"), Path(out));
        args.insert(args.end(), {"--depth", depth});
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.Status, 0) << r.Err;
        return ReadRaw(Path(out));
    };
    const RawImage eight = render("out8.png", "8");
    const RawImage real = render("outf.exr", "float");
    ASSERT_EQ(eight.Format, TypeDesc::UINT8);
    ASSERT_EQ(real.Format, TypeDesc::FLOAT);
    ASSERT_EQ(eight.SampleCount(), in.SampleCount());
    ASSERT_EQ(real.SampleCount(), in.SampleCount());
    for (size_t i = 0; i < in.SampleCount(); ++i) {
        const uint32_t v = in.Samples<uint16_t>()[i];
        EXPECT_EQ(eight.Samples<uint8_t>()[i], (v * 255 + 32767) / 65535) << i;
        EXPECT_EQ(real.Samples<float>()[i], float(double(v) / 65535.0)) << i;
    }
    // And back: 8-bit values widen by 257, so 8 -> 16 -> 8 is exact.
    const CliResult r = RunCli({"render", "clean", "-i", Path("out8.png"), "-s", "Filter Size=0",
                                "-o", Path("back16.png"), "--depth", "16", "-q"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    const RawImage wide = ReadRaw(Path("back16.png"));
    ASSERT_EQ(wide.Format, TypeDesc::UINT16);
    for (size_t i = 0; i < in.SampleCount(); ++i)
        EXPECT_EQ(wide.Samples<uint16_t>()[i], eight.Samples<uint8_t>()[i] * 257u) << i;
}

TEST_F(CliTest, ExtraChannelsAreDroppedAndFormatsWithoutAlphaLoseIt) {
    const RawImage five = NoiseImage(8, 6, 5, TypeDesc::UINT16, 11);
    WriteRaw(Path("five.tif"), five);
    CliResult r = RunCli(PassThrough(Path("five.tif"), Path("four.tif")));
    ASSERT_EQ(r.Status, 0) << r.Err;
    ASSERT_EQ(r.MessageLines().size(), 1u) << r.Err;
    EXPECT_NE(r.MessageLines()[0].find("dropped"), std::string::npos) << r.Err;
    const RawImage four = ReadRaw(Path("four.tif"));
    ASSERT_EQ(four.Channels, 4);
    for (size_t p = 0; p < size_t(8 * 6); ++p)
        for (size_t c = 0; c < 4; ++c)
            EXPECT_EQ(four.Samples<uint16_t>()[p * 4 + c], five.Samples<uint16_t>()[p * 5 + c]);

    WriteRaw(Path("rgba.png"), NoiseImage(8, 6, 4, TypeDesc::UINT8, 12));
    r = RunCli(PassThrough(Path("rgba.png"), Path("out.jpg")));
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_NE(r.Err.find("alpha"), std::string::npos) << r.Err;
    const RawImage jpeg = ReadRaw(Path("out.jpg"));
    EXPECT_EQ(jpeg.Channels, 3);
    EXPECT_EQ(jpeg.Width, 8);
}

// Clean's window height is its half width divided by the pixel aspect: at a half width of 1
// an aspect of 2 leaves a window one row high, which copies the input exactly.
TEST_F(CliTest, PixelAspectComesFromTheFileUnlessGiven) {
    RawImage in = NoiseImage(100, 20, 4, TypeDesc::HALF, 21);
    in.PixelAspect = 2.0f;
    WriteRaw(Path("wide.exr"), in);
    const std::vector<std::string> halfWidthOne = {"render", "clean", "-s", "Filter Size=0.01",
                                                   "-q"};
    auto run = [&](std::vector<std::string> extra) {
        std::vector<std::string> args = halfWidthOne;
        args.insert(args.end(), extra.begin(), extra.end());
        const CliResult r = RunCli(args);
        EXPECT_EQ(r.Status, 0) << r.Err;
    };
    run({"-i", Path("wide.exr"), "-o", Path("from_file.exr")});
    run({"-i", Path("wide.exr"), "-o", Path("square.exr"), "--pixel-aspect", "1"});
    const RawImage fromFile = ReadRaw(Path("from_file.exr"));
    EXPECT_TRUE(SameSamples(fromFile, in));
    EXPECT_EQ(fromFile.PixelAspect, 2.0f) << "the output keeps the aspect";
    EXPECT_FALSE(SameSamples(ReadRaw(Path("square.exr")), in)) << "a 3 x 3 window filters";

    RawImage flat = in;
    flat.PixelAspect = 1.0f;
    WriteRaw(Path("flat.exr"), flat);
    run({"-i", Path("flat.exr"), "-o", Path("given.exr"), "--pixel-aspect", "2"});
    EXPECT_TRUE(SameSamples(ReadRaw(Path("given.exr")), flat));
}

TEST_F(CliTest, ChunkCountAndThreadsDoNotChangeTheResult) {
    WriteRaw(Path("specks.png"), SpeckImage(320, 180, 4));
    const std::vector<std::string> clean = {
        "render", "clean", "-i", Path("specks.png"), "-s", "Filter Size=0.004", "-q", "-o"};
    auto run = [&](const std::string& out, const EnvList& env,
                   std::vector<std::string> extra = {}) {
        std::vector<std::string> args = clean;
        args.push_back(Path(out));
        args.insert(args.end(), extra.begin(), extra.end());
        const CliResult r = RunCli(args, env);
        EXPECT_EQ(r.Status, 0) << r.Err;
        return Bytes(out);
    };
    const std::vector<uint8_t> one = run("one.png", {{"NUM_PROC_THARN", "1"}});
    EXPECT_EQ(run("eight.png", {{"NUM_PROC_THARN", "8"}}), one);
    EXPECT_EQ(run("threads.png", {}, {"--threads", "1"}), one);
    EXPECT_FALSE(SameSamples(ReadRaw(Path("one.png")), ReadRaw(Path("specks.png"))))
        << "the filter removed specks";
}
