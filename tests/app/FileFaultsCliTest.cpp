// SPDX-License-Identifier: Apache-2.0
// File faults through the real binary: an input cut short or claiming more than it holds
// stops the frame with exit 1; a write that fails part-way (a child under a file-size limit,
// `ulimit -f`, makes a real short write) is reported and never replaces the existing output;
// a symbolic link keeps pointing at the replaced file; a folder that refuses files is named.
#include "CliFixture.h"

using OIIO::TypeDesc;

namespace {

// Runs `vorlings ARGS` under a file-size limit of `blocks` 512-byte blocks.
CliResult RunLimited(size_t blocks, const std::vector<std::string>& args) {
    std::vector<std::string> shell = {
        "-c", "ulimit -f " + std::to_string(blocks) + " && exec \"$0\" \"$@\"", VORLINGS_BIN};
    shell.insert(shell.end(), args.begin(), args.end());
    return RunCli(shell, {}, "/bin/sh");
}

// A TIFF header of one 20000 x 20000 strip, uncompressed or zip, and nothing of the strip.
std::vector<uint8_t> HugeTiffHeader(uint32_t compression) {
    const uint32_t side = 20000;
    // Tag, type (3 short, 4 long), value: width, height, bits, compression, photometric,
    // strip offset, samples, rows per strip, strip bytes.
    const uint32_t tags[][3] = {{256, 4, side},        {257, 4, side}, {258, 3, 8},
                                {259, 3, compression}, {262, 3, 1},    {273, 4, 160},
                                {277, 3, 1},           {278, 4, side}, {279, 4, side * side}};
    std::vector<uint8_t> bytes = {'I', 'I', 42, 0, 8, 0, 0, 0, 9, 0};
    const auto put = [&](uint32_t value, int size) {
        for (int i = 0; i < size; ++i) bytes.push_back(uint8_t(value >> (8 * i)));
    };
    for (const auto& tag : tags) put(tag[0], 2), put(tag[1], 2), put(1, 4), put(tag[2], 4);
    bytes.resize(160, 0); // the next directory's offset, 0, and padding
    return bytes;
}

} // namespace

TEST_F(CliTest, InputsCutShortOrClaimingMoreThanTheyHoldStopTheFrame) {
    struct Source {
        const char* Name;
        int Channels;
        TypeDesc Format;
        int Bits;
        const char* Compression;
    };
    // Uncompressed TIFF keeps its directory before the strips, so a cut loses strips.
    const std::vector<Source> sources = {
        {"png", 3, TypeDesc::UINT16, 0, ""},  {"tif", 4, TypeDesc::UINT16, 0, "none"},
        {"exr", 3, TypeDesc::HALF, 0, ""},    {"dpx", 3, TypeDesc::UINT16, 0, ""},
        {"dpx", 3, TypeDesc::UINT16, 10, ""}, {"jpg", 3, TypeDesc::UINT8, 0, ""}};
    std::vector<std::string> inputs;
    for (size_t i = 0; i < sources.size(); ++i) {
        const Source& s = sources[i];
        RawImage image = NoiseImage(90, 300, s.Channels, s.Format, uint32_t(i));
        image.BitsPerSample = s.Bits;
        const std::string whole = "whole" + std::to_string(i) + "." + s.Name;
        WriteRaw(Path(whole), image, s.Compression);
        const std::vector<uint8_t> bytes = Bytes(whole);
        for (const int percent : {50, 99}) {
            inputs.push_back("cut" + std::to_string(i) + "_" + std::to_string(percent) + "." +
                             s.Name);
            WriteBytes(inputs.back(), bytes, bytes.size() * size_t(percent) / 100);
        }
    }
    WriteBytes("huge.tif", HugeTiffHeader(1));
    WriteBytes("hugezip.tif", HugeTiffHeader(8));
    inputs.insert(inputs.end(), {"huge.tif", "hugezip.tif"});

    for (const std::string& input : inputs) {
        SCOPED_TRACE(input);
        const CliResult r = RunCli({"render", "clean", "-i", Path(input), "-s", "Filter Size=0",
                                    "-o", Path("out.png"), "-q"});
        EXPECT_FAILS_WITH(r, 1, Path(input) + ": ");
        EXPECT_FALSE(Exists("out.png"));
    }
    EXPECT_TRUE(
        OneMessage(RunCli({"render", "clean", "-i", Path("huge.tif"), "-o", Path("out.png"), "-q"}),
                   "vorlings: ", "20000 x 20000*needs 400000000 bytes*has 160"));
}

// For each format: under a limit that stops the write early, and under one that stops it in
// its last block (where a writer finishing its file can fail without saying so), the render
// exits 1 naming the output and the system's reason, and the existing output stays as it was.
TEST_F(CliTest, AFailedWriteLeavesTheExistingOutputAsItWas) {
    WriteRaw(Path("in.tif"), NoiseImage(200, 150, 3, TypeDesc::UINT16, 3), "zip");
    for (const char* ext : {"png", "tif", "exr", "dpx", "jpg"}) {
        SCOPED_TRACE(ext);
        const std::string out = std::string("out.") + ext, full = std::string("full.") + ext;
        Render({"clean", "-i", Path("in.tif"), "-s", "Filter Size=0", "-o", Path(full)},
               ext == std::string("jpg") ? "fewer bits" : "");
        const size_t size = Bytes(full).size();
        WriteRaw(Path(out), NoiseImage(4, 4, 3, TypeDesc::UINT8, 4));
        const std::vector<uint8_t> existing = Bytes(out);
        for (const size_t blocks : {size_t(20), (size - 1) / 512}) {
            SCOPED_TRACE(blocks);
            const CliResult r = RunLimited(blocks, {"render", "clean", "-i", Path("in.tif"), "-s",
                                                    "Filter Size=0", "-o", Path(out), "-q"});
            EXPECT_FAILS_WITH(r, 1, Path(out) + ": cannot be written (File too large)");
            EXPECT_EQ(Bytes(out), existing);
            EXPECT_EQ(TempFiles(), std::vector<std::string>{});
        }
    }
}

TEST_F(CliTest, ALinkedOutputReplacesItsTargetWithItsPermissions) {
    namespace fs = std::filesystem;
    const RawImage in = NoiseImage(16, 9, 3, TypeDesc::UINT16, 5);
    WriteRaw(Path("in.png"), in);
    fs::create_directories(Path("real"));
    WriteRaw(Path("real/target.png"), NoiseImage(4, 4, 3, TypeDesc::UINT8, 6));
    fs::permissions(Path("real/target.png"), fs::perms(0640));
    fs::create_symlink("real/target.png", Path("out.png"));

    Render({"clean", "-i", Path("in.png"), "-s", "Filter Size=0", "-o", Path("out.png")});
    EXPECT_TRUE(fs::is_symlink(Path("out.png")));
    EXPECT_TRUE(SameSamples(ReadRaw(Path("real/target.png")), in));
    EXPECT_EQ(fs::status(Path("real/target.png")).permissions(), fs::perms(0640));
    EXPECT_EQ(TempFiles(), std::vector<std::string>{});
}

// /sys takes no new files, for any user; a folder cannot be replaced by a picture.
TEST_F(CliTest, AnOutputThatCannotBeWrittenIsRefusedBeforeTheRender) {
    WriteRaw(Path("in.png"), NoiseImage(16, 9, 3, TypeDesc::UINT16, 7));
    std::filesystem::create_directories(Path("folder.png"));
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/sys/out.png", "/sys/out.png: cannot write in the folder \"/sys\" ("},
        {Path("folder.png"), Path("folder.png") + ": is a folder"}};
    for (const auto& [out, message] : cases) {
        SCOPED_TRACE(out);
        EXPECT_FAILS_WITH(RunCli({"render", "clean", "-i", Path("in.png"), "-o", out, "-q"}), 1,
                          message);
        EXPECT_EQ(TempFiles(), std::vector<std::string>{});
    }
}
