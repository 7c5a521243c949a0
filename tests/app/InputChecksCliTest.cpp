// SPDX-License-Identifier: Apache-2.0
// Input that is odd but usable: the run goes on, with one warning naming what was odd, or
// silently where the input means what it says (a file whose name holds '#' or "%d").
#include "CliFixture.h"

#include <fstream>

using OIIO::TypeDesc;

namespace {

struct OddCase {
    std::string What;
    std::vector<std::string> Command;
    EnvList Env;
    std::string Warning; ///< pieces between '*' in the one warning; "" for none
};

} // namespace

TEST_F(CliTest, OddButUsableInputWarnsOnceAndGoesOn) {
    const RawImage picture = NoiseImage(9, 7, 3, TypeDesc::UINT16, 1);
    for (const char* name : {"take#1.png", "plate_%d.png", "in.png"}) WriteRaw(Path(name), picture);
    // A saved Clean whose one value is for a link id ("Zzzz") that Clean does not have.
    ASSERT_EQ(RunCli({"save", "clean", "-o", Path("p.vtool")}).Status, 0);
    std::vector<uint8_t> stray = Bytes("p.vtool");
    std::copy_n("Zzzz", 4, stray.begin() + 8);
    WriteBytes("stray.vtool", stray);
    // A file in the plug-in path under the module's name that is no module at all.
    std::filesystem::create_directories(Path("broken"));
    std::ofstream(Path("broken/TharnVorlings.so")) << "not a module\n";
    const std::string module =
        (std::filesystem::path(VORLINGS_BIN).parent_path() / "TharnVorlings.so").string();

    const auto copy = [&](const std::string& in, const std::string& out,
                          std::vector<std::string> more = {"-s", "Filter Size=0"}) {
        std::vector<std::string> args = {"render", "clean", "-i", Path(in), "-o", Path(out), "-q"};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    };
    const std::vector<OddCase> cases = {
        {"a file whose name holds #", copy("take#1.png", "out1.png"), {}, ""},
        {"a file whose name holds %d", copy("plate_%d.png", "out2.png"), {}, ""},
        {"a chunk count that is not a number",
         copy("in.png", "out3.png"),
         {{"NUM_PROC_THARN", "abc"}},
         "NUM_PROC_THARN=\"abc\" is not a whole number*1 chunk"},
        {"a saved value for no control",
         copy("in.png", "out5.png", {"--settings", Path("stray.vtool")}),
         {},
         Path("stray.vtool") + ": Clean has no control with link id Zzzz"},
        {"an abort grace that is not a number",
         copy("in.png", "out6.png"),
         {{"VORLINGS_ABORT_GRACE", "soon"}},
         "VORLINGS_ABORT_GRACE=\"soon\""},
        {"a module on the plug-in path that does not load",
         {"list"},
         {{"VORLINGS_PLUGIN_PATH", Path("broken")}},
         Path("broken/TharnVorlings.so") + ": *; using " + module},
    };
    for (const OddCase& c : cases) {
        SCOPED_TRACE(c.What);
        const CliResult r = RunCli(c.Command, c.Env);
        EXPECT_EQ(r.Status, 0) << r.Err;
        if (c.Warning.empty())
            EXPECT_EQ(r.Err, "");
        else
            EXPECT_TRUE(OneMessage(r, "vorlings: warning: ", c.Warning));
        if (c.Command.front() == "render") {
            EXPECT_TRUE(SameSamples(ReadRaw(c.Command[5]), picture)) << "the file as named";
        }
    }
}
