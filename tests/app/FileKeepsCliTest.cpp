// SPDX-License-Identifier: Apache-2.0
// What an output file keeps of its input's through the real binary: alpha association,
// channel names, metadata and date, compression (unless --compression says otherwise),
// precision where the format holds it (a one-line warning where it does not), and the same
// bytes on a repeat render.
#include "CliFixture.h"

#include <chrono>
#include <thread>

using OIIO::ImageSpec;
using OIIO::TypeDesc;

namespace {

// Writes `image` with the channel names and attributes of `header` (its size and format are
// the image's).
void WriteWith(const std::string& path, const RawImage& image, ImageSpec header) {
    header.width = header.full_width = image.Width;
    header.height = header.full_height = image.Height;
    header.nchannels = image.Channels;
    header.set_format(image.Format);
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out && out->open(path, header)) << path;
    ASSERT_TRUE(out->write_image(image.Format, image.Bytes.data())) << out->geterror();
    ASSERT_TRUE(out->close());
}

// The header as read with alpha left as stored ("oiio:UnassociatedAlpha" says which).
ImageSpec HeaderOf(const std::string& path) {
    ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    EXPECT_TRUE(in) << path;
    return in ? in->spec() : ImageSpec();
}

std::string AttributeText(const ImageSpec& header, const std::string& name) {
    const OIIO::ParamValue* p = header.find_attribute(name);
    return p ? p->get_string() : "(none)";
}

ImageSpec Described(std::vector<std::string> names,
                    std::vector<std::pair<std::string, std::string>> texts) {
    ImageSpec header;
    header.channelnames = std::move(names);
    header.alpha_channel = header.channelnames.size() == 4 ? 3 : -1;
    for (const auto& [name, value] : texts) header.attribute(name, value);
    return header;
}

} // namespace

TEST_F(CliTest, AlphaAssociationIsWhatTheInputSaid) {
    struct Case {
        const char* In;
        int WrittenUnassociated; ///< -1: the format's own
        TypeDesc Format;
        bool Unassociated;
    };
    const std::vector<Case> cases = {{"assoc.tif", 0, TypeDesc::UINT16, false},
                                     {"unassoc.tif", 1, TypeDesc::UINT16, true},
                                     {"straight.png", -1, TypeDesc::UINT16, true},
                                     {"premult.exr", -1, TypeDesc::HALF, false}};
    for (size_t i = 0; i < cases.size(); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.In);
        const RawImage in = NoiseImage(9, 5, 4, c.Format, uint32_t(i));
        ImageSpec header = Described({"R", "G", "B", "A"}, {});
        if (c.WrittenUnassociated >= 0)
            header.attribute("oiio:UnassociatedAlpha", c.WrittenUnassociated);
        WriteWith(Path(c.In), in, header);
        const RawImage out = Clean("0", c.In, "out.tif");
        EXPECT_EQ(HeaderOf(Path("out.tif")).get_int_attribute("oiio:UnassociatedAlpha", 0),
                  int(c.Unassociated));
        if (c.Format == TypeDesc::UINT16) {
            EXPECT_TRUE(SameSamples(out, ReadRaw(Path(c.In))));
        }
    }
}

// Compression, channel names, metadata and date come from the input; --compression chooses
// another; a file that had no date gets none. Another format keeps the date, not the
// compression (nor what it has no place for).
TEST_F(CliTest, MetadataChannelNamesAndCompressionAreKept) {
    const std::vector<std::pair<std::string, std::string>> texts = {
        {"Copyright", "Vorlings tests"},
        {"studio:shot", "sh010"},
        {"DateTime", "2001:02:03 04:05:06"}};
    const std::vector<std::string> layer = {"beauty.R", "beauty.G", "beauty.B", "beauty.A"};
    ImageSpec exr = Described(layer, texts);
    exr.attribute("compression", "piz");
    const unsigned timecode[2] = {0x10203040u, 0};
    exr.attribute("smpte:TimeCode", OIIO::TypeTimeCode, timecode);
    WriteWith(Path("in.exr"), NoiseImage(12, 8, 4, TypeDesc::HALF, 1), exr);
    ImageSpec tif = Described({"R", "G", "B"}, {{"Artist", "someone"}, texts.back()});
    tif.attribute("compression", "lzw");
    WriteWith(Path("lzw.tif"), NoiseImage(12, 8, 3, TypeDesc::UINT16, 2), tif);
    WriteRaw(Path("plain.tif"), NoiseImage(12, 8, 3, TypeDesc::UINT16, 3), "none");
    WriteRaw(Path("in.png"), NoiseImage(12, 8, 3, TypeDesc::UINT16, 4));

    struct Case {
        std::string In, Out, Compression;
        std::vector<std::string> Extra;
    };
    const std::vector<Case> cases = {
        {"in.exr", "same.exr", "piz", {}},
        {"in.exr", "dwaa.exr", "dwaa", {"--compression", "dwaa:60"}},
        {"lzw.tif", "lzw_out.tif", "lzw", {}},
        {"plain.tif", "plain_out.tif", "none", {}},
        {"plain.tif", "zip_out.tif", "zip", {"--compression", "zip"}},
        {"in.exr", "from_exr.tif", "zip", {}},
        {"in.png", "from_png.tif", "zip", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Out);
        Clean("0", c.In, c.Out, c.Extra);
        const ImageSpec in = HeaderOf(Path(c.In)), out = HeaderOf(Path(c.Out));
        EXPECT_EQ(out.get_string_attribute("compression"), c.Compression);
        EXPECT_EQ(AttributeText(out, "DateTime"), AttributeText(in, "DateTime"));
        if (c.In.substr(c.In.size() - 3) != c.Out.substr(c.Out.size() - 3)) continue;
        for (const char* name : {"Copyright", "studio:shot", "smpte:TimeCode", "Artist"})
            EXPECT_EQ(AttributeText(out, name), AttributeText(in, name)) << name;
        EXPECT_EQ(out.channelnames, in.channelnames);
    }
    EXPECT_EQ(HeaderOf(Path("same.exr")).channelnames, layer);

    // A tiled file is read tile by tile, windows included.
    ImageSpec tiled = Described({"R", "G", "B", "A"}, {});
    tiled.tile_width = tiled.tile_height = 16;
    tiled.x = 3;
    tiled.y = -5;
    const RawImage tiles = NoiseImage(40, 30, 4, TypeDesc::HALF, 5);
    WriteWith(Path("tiled.exr"), tiles, tiled);
    EXPECT_TRUE(SameSamples(Clean("0", "tiled.exr", "untiled.exr"), tiles));
    EXPECT_EQ(HeaderOf(Path("untiled.exr")).y, -5);
}

// OpenImageIO writes its default for a compression it does not know; vorlings refuses one.
TEST_F(CliTest, ACompressionTheFormatDoesNotTakeIsRefused) {
    WriteRaw(Path("in.png"), NoiseImage(12, 8, 3, TypeDesc::UINT16, 7));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"out.png", "piz"}, {"out.exr", "lzw"}, {"out.tif", "zip:fast"}};
    for (const auto& [out, compression] : cases) {
        SCOPED_TRACE(compression);
        EXPECT_FAILS_WITH(RunCli({"render", "clean", "-i", Path("in.png"), "-o", Path(out),
                                  "--compression", compression, "-q"}),
                          2, "--compression \"" + compression + "\"");
        EXPECT_FALSE(Exists(out));
    }
}

// The input's precision where the format holds it (16-bit integers become float in OpenEXR),
// else the most the format holds, with one warning when that or --depth is fewer bits.
TEST_F(CliTest, PrecisionIsKeptOrTheLossIsSaid) {
    RawImage ten = NoiseImage(12, 8, 3, TypeDesc::UINT16, 1);
    ten.BitsPerSample = 10;
    WriteRaw(Path("ten.dpx"), ten);
    WriteRaw(Path("sixteen.png"), NoiseImage(12, 8, 3, TypeDesc::UINT16, 2));
    WriteRaw(Path("eight.png"), NoiseImage(12, 8, 4, TypeDesc::UINT8, 3));
    WriteRaw(Path("half.exr"), NoiseImage(12, 8, 4, TypeDesc::HALF, 4));
    WriteRaw(Path("float.exr"), NoiseImage(12, 8, 3, TypeDesc::FLOAT, 5));
    struct Case {
        std::string In, Out;
        std::vector<std::string> Extra;
        TypeDesc Format;
        std::string Warning;
    };
    const std::vector<Case> cases = {
        {"sixteen.png", "a.exr", {}, TypeDesc::FLOAT, ""},
        {"ten.dpx", "b.exr", {}, TypeDesc::FLOAT, ""},
        {"eight.png", "c.exr", {}, TypeDesc::HALF, ""},
        {"half.exr", "d.png", {}, TypeDesc::UINT16, ""},
        {"half.exr", "e.tif", {}, TypeDesc::FLOAT, ""},
        {"float.exr", "f.png", {}, TypeDesc::UINT16, "png files hold 16-bit*input's float"},
        {"sixteen.png", "g.jpg", {}, TypeDesc::UINT8, "jpeg files hold 8-bit*input's 16-bit"},
        {"float.exr", "h.tif", {"--depth", "16"}, TypeDesc::UINT16, "--depth 16*input's float"},
        {"sixteen.png",
         "i.png",
         {"--depth", "float"},
         TypeDesc::UINT16,
         "png files hold 16-bit*fewer than --depth float"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Out);
        const std::string warning = c.Warning.empty() ? "" : Path(c.Out) + ": " + c.Warning;
        EXPECT_EQ(Clean("0", c.In, c.Out, c.Extra, warning).Format, c.Format);
    }
}

// Writers stamp the time unless told the date: two renders a second apart give the same
// bytes in every format.
TEST_F(CliTest, ARepeatRenderWritesTheSameBytes) {
    WriteRaw(Path("in.png"), NoiseImage(12, 8, 4, TypeDesc::UINT8, 6));
    const std::vector<std::string> names = {"a.png", "a.tif", "a.exr", "a.dpx", "a.jpg"};
    std::vector<std::vector<uint8_t>> first;
    for (const std::string& name : names) {
        Clean("0", "in.png", name, {}, name == "a.jpg" ? "no alpha" : "");
        first.push_back(Bytes(name));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    for (size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i]);
        Clean("0", "in.png", names[i], {}, names[i] == "a.jpg" ? "no alpha" : "");
        EXPECT_EQ(Bytes(names[i]), first[i]);
    }
}
