// SPDX-License-Identifier: Apache-2.0
// "farm" through the real binary without a farm: the script --dry-run writes is run by bash
// as each array task would run, and must render what a local render does; the settings are
// the tool's saved form; only unfinished chunks are asked for; without sbatch nothing is
// submitted. The same command on a real Slurm cluster is tests/farm.
#include "CliFixture.h"

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;
using OIIO::TypeDesc;

class FarmTest : public CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        for (int f = 1; f <= 7; ++f)
            WriteRaw(Path(Frame("in", f)), NoiseImage(200, 12, 3, TypeDesc::UINT16, uint32_t(f)));
    }
    std::vector<std::string> Farm(const char* output, std::vector<std::string> extra = {}) {
        std::vector<std::string> args = {"farm",    "clean",      "-i", Path("in.####.png"),
                                         "-o",      Path(output), "-f", "1-7",
                                         "--chunk", "3",          "-s", kSetting};
        args.insert(args.end(), extra.begin(), extra.end());
        return args;
    }
    std::string FarmFolder(const char* output) const { return std::string(output) + ".farm"; }
    std::string Text(const std::string& name) const {
        const std::vector<uint8_t> bytes = Bytes(name);
        return std::string(bytes.begin(), bytes.end());
    }

    static constexpr const char* kSetting = "Filter Size=0.01";
};

TEST_F(FarmTest, EachTaskOfTheScriptRendersItsChunkAsALocalRenderDoes) {
    const CliResult dry = RunCli(Farm("farm.####.png", {"--dry-run"}));
    ASSERT_EQ(dry.Status, 0) << dry.Err;
    const std::string script = FarmFolder("farm.####.png") + "/job.sbatch";
    EXPECT_EQ(dry.Out, Text(script));
    EXPECT_NE(dry.Out.find("#SBATCH --array=0-2\n"), std::string::npos) << dry.Out;
    EXPECT_FALSE(Exists(Frame("farm", 1))) << "a dry run renders nothing";

    for (int task = 0; task < 3; ++task) {
        const CliResult run =
            RunCli({Path(script)}, {{"SLURM_ARRAY_TASK_ID", std::to_string(task)}}, "/bin/bash");
        EXPECT_EQ(run.Status, 0) << run.Out << run.Err;
        EXPECT_EQ(
            Text(FarmFolder("farm.####.png") + "/logs/task-" + std::to_string(task) + ".status"),
            "0\n");
    }
    Render({"clean", "-i", Path("in.####.png"), "-o", Path("local.####.png"), "-f", "1-7", "-s",
            kSetting});
    for (int f = 1; f <= 7; ++f) EXPECT_EQ(Bytes(Frame("farm", f)), Bytes(Frame("local", f))) << f;
}

TEST_F(FarmTest, TheSettingsAreTheToolsSavedForm) {
    ASSERT_EQ(RunCli(Farm("farm.####.png", {"--dry-run"})).Status, 0);
    const CliResult save = RunCli({"save", "clean", "-s", kSetting, "-o", Path("saved.vtool")});
    ASSERT_EQ(save.Status, 0) << save.Err;
    EXPECT_EQ(Bytes(FarmFolder("farm.####.png") + "/settings.vtool"), Bytes("saved.vtool"));
}

TEST_F(FarmTest, OnlyChunksWithUnfinishedFramesAreAskedFor) {
    Render({"clean", "-i", Path("in.####.png"), "-o", Path("farm.####.png"), "-f", "1-3,7", "-s",
            kSetting});
    WriteBytes(Frame("farm", 5), {}); // empty: unfinished
    CliResult dry = RunCli(Farm("farm.####.png", {"--dry-run"}));
    ASSERT_EQ(dry.Status, 0) << dry.Err;
    EXPECT_NE(dry.Out.find("#SBATCH --array=1\n"), std::string::npos) << dry.Out;

    Render({"clean", "-i", Path("in.####.png"), "-o", Path("farm.####.png"), "-f", "4-6", "-s",
            kSetting});
    fs::remove(Path(FarmFolder("farm.####.png")) + "/job.sbatch");
    dry = RunCli(Farm("farm.####.png", {"--dry-run"}));
    ASSERT_EQ(dry.Status, 0) << dry.Err;
    EXPECT_NE(dry.Out.find("nothing submitted"), std::string::npos) << dry.Out;
    EXPECT_FALSE(Exists(FarmFolder("farm.####.png") + "/job.sbatch"));
}

TEST_F(FarmTest, WithoutSbatchNothingIsSubmittedAndTheErrorSaysSo) {
    const CliResult r = RunCli(Farm("farm.####.png"), {{"PATH", Path("")}});
    EXPECT_FAILS_WITH(r, 1, "sbatch cannot be run*Slurm");
    EXPECT_EQ(r.Out, "");
}

TEST_F(FarmTest, BadArgumentsStopBeforeAnythingIsWritten) {
    EXPECT_FAILS_WITH(RunCli(Farm("farm.####.png", {"-s", "Filter Size=wide"})), 2,
                      "Filter Size*takes a number");
    EXPECT_FAILS_WITH(RunCli(Farm("farm.png")), 2, "farm.png*frame pattern");
    EXPECT_FAILS_WITH(RunCli(Farm("farm.####.png", {"--slurm-arg", "--comment=\"x\""})), 2,
                      "--slurm-arg*double quote");
    fs::rename(Path(Frame("in", 1)), Path("away.png"));
    EXPECT_FAILS_WITH(RunCli(Farm("farm.####.png", {"--dry-run"})), 1, "in.0001.png*no such file");
    EXPECT_FALSE(Exists(FarmFolder("farm.####.png")));
}
