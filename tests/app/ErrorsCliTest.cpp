// SPDX-License-Identifier: Apache-2.0
// Bad input of every kind: one clear line naming what is at fault, the exit status of its
// kind (2 for bad arguments, 1 for files and renders), and no output file left behind.
#include "CliFixture.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iomanip>
#include <limits>
#include <sstream>

using OIIO::TypeDesc;

namespace {

struct BadCase {
    std::string What;
    int Status;
    std::string Fragment; ///< in the error line, pieces between '*' in order
    /// The words of the command, a quoted one holding spaces. "@name" stands for a file of the
    /// test folder; a render gets -q, and "-o @out.png" when it has no -o.
    std::string Command;
};

} // namespace

class ErrorsTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        WriteRaw(Path("in.png"), NoiseImage(16, 9, 3, TypeDesc::UINT16, 1));
        WriteRaw(Path("in.exr"), NoiseImage(16, 9, 3, TypeDesc::HALF, 1));
        const std::vector<uint8_t> png = Bytes("in.png"), exr = Bytes("in.exr");
        WriteBytes("truncated.png", png, png.size() / 2);
        WriteBytes("truncated.exr", exr, exr.size() - 40);
        std::ofstream(Path("garbage.png")) << "this is not a picture at all\n";
        std::filesystem::create_directories(Path("folder.png"));
    }

    // "@" stands for the test folder.
    std::string Expand(std::string text) const {
        if (const size_t at = text.find('@'); at != std::string::npos)
            text.replace(at, 1, Path(""));
        return text;
    }

    void Check(const std::vector<BadCase>& cases) {
        for (const BadCase& c : cases) {
            SCOPED_TRACE(c.What);
            std::vector<std::string> args;
            std::istringstream words(c.Command);
            for (std::string word; words >> std::quoted(word);) args.push_back(Expand(word));
            if (args.front() == "render") args.push_back("-q");
            if (args.front() == "render" && c.Command.find(" -o ") == std::string::npos)
                args.insert(args.end(), {"-o", Path("out.png")});
            const std::vector<std::string> before = Files();
            const CliResult r = RunCli(args);
            EXPECT_FAILS_WITH(r, c.Status, Expand(c.Fragment));
            EXPECT_EQ(Files(), before) << "nothing written, nothing left behind";
            // Numbers in messages are as a user would type them, never spelt out in full.
            size_t digits = 0, longest = 0;
            for (char ch : r.Err)
                longest = std::max(longest, digits = std::isdigit(static_cast<unsigned char>(ch))
                                                         ? digits + 1
                                                         : 0);
            EXPECT_LT(longest, 18u) << r.Err;
        }
    }
};

TEST_F(ErrorsTest, BadArgumentsExitWithTwo) {
    Check({
        {"unknown tool", 2, "\"sharpenn\"", "render sharpenn -i @in.png"},
        {"unknown control", 2, "Clean: no control \"Radius\"",
         "render clean -i @in.png -s Radius=2"},
        {"unknown link id", 2, "\"0x12345678\"", "render clean -i @in.png -s 0x12345678=2"},
        {"not a number", 2, "\"small\"", R"(render clean -i @in.png -s "Filter Size=small")"},
        {"not NAME=VALUE", 2, "NAME=VALUE", R"(render clean -i @in.png -s "Filter Size")"},
        {"unknown image input", 2, "\"Lightmap\"", "render clean -i Lightmap=@in.png"},
        {"one -i too many", 2, "more -i", "render clean -i @in.png -i @in.png"},
        {"no input", 2, "\"Input\"", "render clean"},
        {"no tool", 2, "name a tool", "render -i @in.png"},
        {"unknown format", 2, "@out.xyz", "render clean -i @in.png -o @out.xyz"},
        {"backwards frames", 2, "9-2", "render clean -i @in.png -o @out.####.png -f 9-2"},
        {"frames without pattern", 2, "@out.png", "render clean -i @in.png -o @out.png -f 1-2"},
        {"bad depth", 2, "depth", "render clean -i @in.png --depth 12"},
        {"no threads", 2, "threads", "render clean -i @in.png --threads 0"},
        {"pixel aspect not a number", 2, "--pixel-aspect \"nan\" is not a number",
         "render clean -i @in.png --pixel-aspect nan"},
        {"pixel aspect not above 0", 2, "--pixel-aspect \"-1\" is not a number above 0",
         "render clean -i @in.png --pixel-aspect -1"},
        {"far too many frames", 2, "-f \"1-1000000000\" names more than",
         "render clean -i @in.png -o @out.####.png -f 1-1000000000"},
        {"unknown command", 2, "unknown command \"frobnicate\" (commands: list, info",
         "frobnicate"},
        {"unknown tool for info", 2, "\"nothing\"", "info nothing"},
        {"save: unknown control", 2, "\"Size\"", "save clean -s Size=1 -o @p.vtool"},
        {"save: not a number", 2, "\"1/2\"", "save clean -s XRad=1/2 -o @p.vtool"},
    });
}

TEST_F(ErrorsTest, BrokenFilesExitWithOne) {
    ASSERT_EQ(RunCli({"save", "clean", "-o", Path("p.vtool")}).Status, 0);
    const std::vector<uint8_t> saved = Bytes("p.vtool");
    ASSERT_GT(saved.size(), 12u);
    std::vector<BadCase> cases = {
        {"missing image", 1, "@missing.png: no such file", "render clean -i @missing.png"},
        {"truncated PNG", 1, "@truncated.png", "render clean -i @truncated.png"},
        {"truncated EXR", 1, "@truncated.exr", "render clean -i @truncated.exr -o @out.exr"},
        {"not an image", 1, "@garbage.png", "render clean -i @garbage.png"},
        {"a folder", 1, "@folder.png", "render clean -i @folder.png"},
        {"missing output folder", 1, "@nowhere/out.png",
         "render clean -i @in.png -o @nowhere/out.png"},
        {"missing saved tool", 1, "@none.vtool: no such file",
         "render clean --settings @none.vtool -i @in.png"},
        {"image as saved tool", 1, "@in.png", "render --settings @in.png -i @in.png"},
        {"sequence with no frames", 1, "@none.####.png",
         "render clean -i @none.####.png -o @out.####.png"},
        // A saved tool under another tool's class ID (Flare's), and under one no tool has.
        {"another tool's", 1, "@flare.vtool: holds a saved*not Clean",
         "render clean --settings @flare.vtool -i @in.png"},
        {"no tool's", 1, "@unknown.vtool", "render --settings @unknown.vtool -i @in.png"},
    };
    // The value of the one control, Filter Size, follows the class ID, the count, its link id
    // and its kind.
    std::vector<uint8_t> notANumber = saved;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(notANumber.data() + 16, &nan, sizeof nan);
    WriteBytes("nan.vtool", notANumber);
    cases.push_back({"a saved value that is not a number", 1,
                     "@nan.vtool: Clean control \"Filter Size\" is saved as nan, not a number",
                     "render clean --settings @nan.vtool -i @in.png"});
    std::vector<uint8_t> foreign = saved;
    foreign[0] = 0x70;
    WriteBytes("flare.vtool", foreign);
    foreign[3] = 0x12;
    WriteBytes("unknown.vtool", foreign);
    // Cut anywhere, from inside the class ID to the last byte of the end marker.
    for (size_t keep :
         {size_t(2), size_t(6), saved.size() / 2, saved.size() - 5, saved.size() - 1}) {
        const std::string name = "cut" + std::to_string(keep) + ".vtool";
        WriteBytes(name, saved, keep);
        cases.push_back({"kept " + std::to_string(keep) + " bytes", 1,
                         "@" + name + ": truncated saved tool",
                         "render clean --settings @" + name + " -i @in.png"});
    }
    Check(cases);
}
