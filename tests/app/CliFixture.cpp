// SPDX-License-Identifier: Apache-2.0
#include "CliFixture.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace fs = std::filesystem;
using OIIO::ImageSpec;
using OIIO::TypeDesc;

namespace {

// A linear congruential generator, so that every machine writes the same images.
uint32_t Next(uint32_t& state) {
    state = state * 1664525u + 1013904223u;
    return state >> 8;
}

} // namespace

RawImage NoiseImage(int width, int height, int channels, TypeDesc format, uint32_t seed) {
    RawImage image{width, height, channels, format, {}, 1.0f, 0};
    image.Bytes.resize(image.SampleCount() * format.size());
    uint32_t state = seed * 2654435761u + 1u;
    for (size_t i = 0; i < image.SampleCount(); ++i) {
        // Every tenth sample at an extreme, so 0 and full scale are always covered.
        const uint32_t r = Next(state);
        const bool extreme = r % 10 == 0;
        if (format == TypeDesc::UINT16)
            image.Samples<uint16_t>()[i] = extreme ? (r & 1 ? 65535 : 0) : uint16_t(r >> 4);
        else if (format == TypeDesc::UINT8)
            image.Samples<uint8_t>()[i] = extreme ? (r & 1 ? 255 : 0) : uint8_t(r >> 8);
        else if (format == TypeDesc::FLOAT)
            image.Samples<float>()[i] = extreme ? float(r & 1) : float(r & 0xFFFF) / 65536.0f;
        else if (format == TypeDesc::HALF)
            reinterpret_cast<uint16_t*>(image.Bytes.data())[i] =
                extreme ? (r & 1 ? 0x3C00 : 0) : uint16_t(r % 0x3C00); // 0 to just below 1
    }
    return image;
}

void WriteRaw(const std::string& path, const RawImage& image, const std::string& compression) {
    auto out = OIIO::ImageOutput::create(path);
    ASSERT_TRUE(out) << path;
    ImageSpec spec(image.Width, image.Height, image.Channels, image.Format);
    spec.attribute("oiio:UnassociatedAlpha", 1);
    if (image.PixelAspect != 1.0f) spec.attribute("PixelAspectRatio", image.PixelAspect);
    if (image.BitsPerSample) spec.attribute("oiio:BitsPerSample", image.BitsPerSample);
    if (!compression.empty()) spec.attribute("compression", compression);
    ASSERT_TRUE(out->open(path, spec)) << out->geterror();
    ASSERT_TRUE(out->write_image(image.Format, image.Bytes.data())) << out->geterror();
    ASSERT_TRUE(out->close());
}

std::string Frame(const char* stem, int frame) {
    char name[64];
    std::snprintf(name, sizeof name, "%s.%04d.png", stem, frame);
    return name;
}

RawImage ReadRaw(const std::string& path) {
    ImageSpec config;
    config.attribute("oiio:UnassociatedAlpha", 1);
    auto in = OIIO::ImageInput::open(path, &config);
    RawImage image;
    EXPECT_TRUE(in) << path << ": " << OIIO::geterror();
    if (!in) return image;
    const ImageSpec& spec = in->spec();
    image.Width = spec.width;
    image.Height = spec.height;
    image.Channels = spec.nchannels;
    image.Format = spec.format;
    image.PixelAspect = spec.get_float_attribute("PixelAspectRatio", 1.0f);
    const int bits = spec.get_int_attribute("oiio:BitsPerSample", 0);
    image.BitsPerSample = bits == 10 || bits == 12 ? bits : 0;
    image.Bytes.resize(image.SampleCount() * spec.format.size());
    EXPECT_TRUE(in->read_image(0, 0, 0, spec.nchannels, spec.format, image.Bytes.data()))
        << in->geterror();
    return image;
}

void CliTest::SetUp() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name =
        std::string(info->test_suite_name()) + "." + info->name() + "." + std::to_string(getpid());
    std::replace(name.begin(), name.end(), '/', '_'); // parameterised names hold '/'
    dir_ = fs::temp_directory_path() / "vorlings_cli_tests" / name;
    fs::remove_all(dir_);
    fs::create_directories(dir_);
}

void CliTest::TearDown() {
    fs::remove_all(dir_);
}

std::vector<std::string> CliTest::Files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(dir_))
        names.push_back(fs::relative(entry.path(), dir_).string());
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> CliTest::TempFiles() const {
    std::vector<std::string> temps;
    for (const std::string& name : Files()) {
        const std::string file = fs::path(name).filename().string();
        if (file.size() > 4 && file.front() == '.' && file.ends_with(".tmp")) temps.push_back(name);
    }
    return temps;
}

std::vector<uint8_t> CliTest::Bytes(const std::string& name) const {
    std::ifstream in(dir_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void CliTest::WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes,
                         size_t count) const {
    std::ofstream(dir_ / name, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               std::streamsize(std::min(count, bytes.size())));
}

CliResult CliTest::Render(std::vector<std::string> args, const std::string& warning,
                          const EnvList& env) const {
    args.insert(args.begin(), "render");
    args.push_back("-q");
    const CliResult r = RunCli(args, env);
    EXPECT_EQ(r.Status, 0) << r.Err;
    if (warning.empty())
        EXPECT_EQ(r.Err, "");
    else
        EXPECT_TRUE(OneMessage(r, "vorlings: warning: ", warning));
    return r;
}

RawImage CliTest::Clean(const std::string& size, const std::string& in, const std::string& out,
                        std::vector<std::string> extra, const std::string& warning,
                        const EnvList& env) const {
    extra.insert(extra.begin(),
                 {"clean", "-i", Path(in), "-s", "Filter Size=" + size, "-o", Path(out)});
    Render(extra, warning, env);
    return ReadRaw(Path(out));
}

::testing::AssertionResult OneMessage(const CliResult& r, const std::string& start,
                                      const std::string& fragment) {
    const std::vector<std::string> lines = r.MessageLines();
    if (lines.size() != 1 || !lines[0].starts_with(start))
        return ::testing::AssertionFailure()
               << "not one line starting \"" << start << "\": " << r.Err;
    size_t at = 0;
    for (size_t from = 0; from <= fragment.size();) {
        const size_t end = std::min(fragment.find('*', from), fragment.size());
        at = lines[0].find(fragment.substr(from, end - from), at);
        if (at == std::string::npos)
            return ::testing::AssertionFailure() << "no \"" << fragment << "\" in " << lines[0];
        at += end - from;
        from = end + 1;
    }
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult SameSamples(const RawImage& a, const RawImage& b) {
    const auto shape = [](const RawImage& i) {
        return std::to_string(i.Width) + "x" + std::to_string(i.Height) + "x" +
               std::to_string(i.Channels) + " " + i.Format.c_str();
    };
    if (shape(a) != shape(b))
        return ::testing::AssertionFailure() << shape(a) << " vs " << shape(b);
    const auto [at, _] = std::mismatch(a.Bytes.begin(), a.Bytes.end(), b.Bytes.begin());
    if (at != a.Bytes.end())
        return ::testing::AssertionFailure()
               << "first difference at sample " << size_t(at - a.Bytes.begin()) / a.Format.size();
    return ::testing::AssertionSuccess();
}
