// Bad input of every kind: one clear line naming what is at fault, the exit status of its
// kind (2 for bad arguments, 1 for files and renders), and no output file left behind.
#include "CliFixture.h"

#include <fstream>

using OIIO::TypeDesc;

namespace {

struct BadCase {
    const char* What;
    std::vector<std::string> Args; ///< "@name" stands for a file of the test folder
    int Status;
    std::string Fragment; ///< in the error line; "@name" as above
};

} // namespace

class ErrorsTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        WriteRaw(Path("in.png"), NoiseImage(16, 9, 3, TypeDesc::UINT16, 1));
        const std::vector<uint8_t> png = Bytes("in.png");
        std::ofstream(Path("truncated.png"), std::ios::binary)
            .write(reinterpret_cast<const char*>(png.data()), std::streamsize(png.size() / 2));
        WriteRaw(Path("in.exr"), NoiseImage(16, 9, 3, TypeDesc::HALF, 1));
        const std::vector<uint8_t> exr = Bytes("in.exr");
        std::ofstream(Path("truncated.exr"), std::ios::binary)
            .write(reinterpret_cast<const char*>(exr.data()), std::streamsize(exr.size() - 40));
        std::ofstream(Path("garbage.png")) << "this is not a picture at all\n";
        std::filesystem::create_directories(Path("folder.png"));
    }

    std::string Expand(const std::string& text) const {
        const size_t at = text.find('@');
        if (at == std::string::npos) return text;
        size_t end = text.find_first_of(" \"", at);
        if (end == std::string::npos) end = text.size();
        return text.substr(0, at) + Path(text.substr(at + 1, end - at - 1)) + text.substr(end);
    }

    void Check(const BadCase& c) {
        SCOPED_TRACE(c.What);
        std::vector<std::string> args;
        for (const std::string& a : c.Args) args.push_back(Expand(a));
        if (args.front() == "render") args.push_back("-q");
        const std::vector<std::string> before = Files();
        const CliResult r = RunCli(args);
        EXPECT_FAILS_WITH(r, c.Status, Expand(c.Fragment));
        EXPECT_EQ(Files(), before) << "nothing written, nothing left behind";
    }
};

TEST_F(ErrorsTest, BadArgumentsExitWithTwo) {
    const std::vector<BadCase> cases = {
        {"unknown tool",
         {"render", "sharpenn", "-i", "@in.png", "-o", "@out.png"},
         2,
         "\"sharpenn\""},
        {"unknown control",
         {"render", "clean", "-i", "@in.png", "-s", "Radius=2", "-o", "@out.png"},
         2,
         "Clean: no control \"Radius\""},
        {"unknown link id",
         {"render", "clean", "-i", "@in.png", "-s", "0x12345678=2", "-o", "@out.png"},
         2,
         "\"0x12345678\""},
        {"not a number",
         {"render", "clean", "-i", "@in.png", "-s", "Filter Size=small", "-o", "@out.png"},
         2,
         "\"small\""},
        {"not NAME=VALUE",
         {"render", "clean", "-i", "@in.png", "-s", "Filter Size", "-o", "@out.png"},
         2,
         "NAME=VALUE"},
        {"unknown image input",
         {"render", "clean", "-i", "Lightmap=@in.png", "-o", "@out.png"},
         2,
         "\"Lightmap\""},
        {"one -i too many",
         {"render", "clean", "-i", "@in.png", "-i", "@in.png", "-o", "@out.png"},
         2,
         "more -i"},
        {"no input", {"render", "clean", "-o", "@out.png"}, 2, "\"Input\""},
        {"no tool", {"render", "-i", "@in.png", "-o", "@out.png"}, 2, "name a tool"},
        {"unknown format", {"render", "clean", "-i", "@in.png", "-o", "@out.xyz"}, 2, "@out.xyz"},
        {"backwards frames",
         {"render", "clean", "-i", "@in.png", "-o", "@out.####.png", "-f", "9-2"},
         2,
         "9-2"},
        {"frames without pattern",
         {"render", "clean", "-i", "@in.png", "-o", "@out.png", "-f", "1-2"},
         2,
         "@out.png"},
        {"bad depth",
         {"render", "clean", "-i", "@in.png", "-o", "@out.png", "--depth", "12"},
         2,
         "depth"},
        {"no threads",
         {"render", "clean", "-i", "@in.png", "-o", "@out.png", "--threads", "0"},
         2,
         "threads"},
        {"unknown tool for info", {"info", "nothing"}, 2, "\"nothing\""},
        {"save: unknown control",
         {"save", "clean", "-s", "Size=1", "-o", "@p.vtool"},
         2,
         "\"Size\""},
        {"save: not a number", {"save", "clean", "-s", "XRad=1/2", "-o", "@p.vtool"}, 2, "\"1/2\""},
    };
    for (const BadCase& c : cases) Check(c);
}

TEST_F(ErrorsTest, BrokenFilesExitWithOne) {
    const std::vector<BadCase> cases = {
        {"missing image",
         {"render", "clean", "-i", "@missing.png", "-o", "@out.png"},
         1,
         "@missing.png: no such file"},
        {"truncated PNG",
         {"render", "clean", "-i", "@truncated.png", "-o", "@out.png"},
         1,
         "@truncated.png"},
        {"truncated EXR",
         {"render", "clean", "-i", "@truncated.exr", "-o", "@out.exr"},
         1,
         "@truncated.exr"},
        {"not an image",
         {"render", "clean", "-i", "@garbage.png", "-o", "@out.png"},
         1,
         "@garbage.png"},
        {"a folder", {"render", "clean", "-i", "@folder.png", "-o", "@out.png"}, 1, "@folder.png"},
        {"missing output folder",
         {"render", "clean", "-i", "@in.png", "-o", "@nowhere/out.png"},
         1,
         "@nowhere/out.png"},
        {"missing saved tool",
         {"render", "clean", "--settings", "@none.vtool", "-i", "@in.png", "-o", "@out.png"},
         1,
         "@none.vtool: no such file"},
        {"image as saved tool",
         {"render", "--settings", "@in.png", "-i", "@in.png", "-o", "@out.png"},
         1,
         "@in.png"},
        {"sequence with no frames",
         {"render", "clean", "-i", "@none.####.png", "-o", "@out.####.png"},
         1,
         "@none.####.png"},
    };
    for (const BadCase& c : cases) Check(c);
}
