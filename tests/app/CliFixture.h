// SPDX-License-Identifier: Apache-2.0
// What the end-to-end tests share: a fresh folder per test, small image files written and
// read back with OpenImageIO exactly as stored, and checks that nothing stray was left.
#pragma once

#include "CliRunner.h"

#include <OpenImageIO/imageio.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

/// An image as a file stores it: interleaved samples of `Format`, no conversion.
struct RawImage {
    int Width = 0, Height = 0, Channels = 0;
    OIIO::TypeDesc Format = OIIO::TypeDesc::UINT16;
    std::vector<uint8_t> Bytes;
    float PixelAspect = 1.0f;
    int BitsPerSample = 0; ///< 10 or 12 for such integer files

    size_t SampleCount() const { return size_t(Width) * size_t(Height) * size_t(Channels); }
    template <class T>
    T* Samples() {
        return reinterpret_cast<T*>(Bytes.data());
    }
    template <class T>
    const T* Samples() const {
        return reinterpret_cast<const T*>(Bytes.data());
    }
};

/// Samples of every value, alpha included (transparent pixels with colour show any
/// premultiplication); `seed` makes frames differ.
RawImage NoiseImage(int width, int height, int channels, OIIO::TypeDesc format, uint32_t seed);

/// Writes with alpha unassociated, as stored, with the image's PixelAspectRatio when not 1.
void WriteRaw(const std::string& path, const RawImage& image, const std::string& compression = "");
/// Reads in the file's own format; fails the test when the file cannot be read.
RawImage ReadRaw(const std::string& path);
/// The name of frame `frame` of the sequence STEM.####.png.
std::string Frame(const char* stem, int frame);

class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }
    /// The files of the test folder, sorted, temporary ones included.
    std::vector<std::string> Files() const;
    /// Temporary output files left anywhere in the test folder (there must be none).
    std::vector<std::string> TempFiles() const;
    std::vector<uint8_t> Bytes(const std::string& name) const;
    /// Writes `bytes`, or their first `count`, to a file of the test folder.
    void WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes,
                    size_t count = SIZE_MAX) const;

    /// Runs `vorlings render ARGS -q` and expects exit 0 with nothing on stderr, or with one
    /// warning holding `warning` when that is not empty.
    CliResult Render(std::vector<std::string> args, const std::string& warning = "",
                     const EnvList& env = {}) const;
    /// Renders Clean at "Filter Size=`size`" from IN to OUT (files of the test folder), with
    /// `extra` arguments, as Render does, and reads OUT back. At size 0 Clean copies exactly.
    RawImage Clean(const std::string& size, const std::string& in, const std::string& out,
                   std::vector<std::string> extra = {}, const std::string& warning = "",
                   const EnvList& env = {}) const;

private:
    std::filesystem::path dir_;
};

/// Stderr holds, besides progress lines, exactly one line: it starts with `start` and holds
/// the pieces of `fragment` between '*' in order.
::testing::AssertionResult OneMessage(const CliResult& r, const std::string& start,
                                      const std::string& fragment);

/// The exit status and one clear stderr line of a failed command.
#define EXPECT_FAILS_WITH(result, status, fragment)                                                \
    do {                                                                                           \
        const CliResult& r_ = (result);                                                            \
        EXPECT_EQ(r_.Status, status) << r_.Err;                                                    \
        EXPECT_TRUE(OneMessage(r_, "vorlings: ", fragment));                                       \
    } while (0)

/// Same size, channels, format and samples; on a difference, says where the first one is.
::testing::AssertionResult SameSamples(const RawImage& a, const RawImage& b);
