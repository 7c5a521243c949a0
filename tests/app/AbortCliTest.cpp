// SPDX-License-Identifier: Apache-2.0
// Ctrl-C and SIGTERM: whenever the signal comes and however the tool behaves, the run ends
// with 130, says so in one line, and leaves neither the output nor a temporary file. A tool
// that looks at the abort flag between short chunks stops by itself; one that runs on in a
// long chunk, or a write that takes long, is ended by the host after the grace; a second
// signal ends the run at once; a signal while the program is still starting counts too.
#include "CliFixture.h"

#include <csignal>
#include <thread>

using OIIO::TypeDesc;

namespace {

enum class When { Starting, Rendering, Writing };

struct SignalCase {
    std::string What;
    When At;
    std::vector<int> Signals;
    EnvList Env;
    std::vector<std::string> Command;
};

} // namespace

TEST_F(CliTest, ASignalledRunEndsWith130AndLeavesNothing) {
    // Clean over a tall picture with a window spanning every row (Filter Size 1 at a pixel
    // aspect of 0.001): in one chunk the render takes many minutes, so only the host can end
    // it soon; in 1600 chunks the workers see the abort flag within a fraction of a second.
    RawImage tall{100, 16000, 1, TypeDesc::UINT8, {}};
    tall.Bytes.assign(tall.SampleCount(), 128);
    WriteRaw(Path("tall.png"), tall);
    const std::vector<std::string> slowRender = {
        "render",         "clean", "-i", Path("tall.png"), "-s", "Filter Size=1",
        "--pixel-aspect", "0.001", "-o", Path("out.png")};
    // Noise compresses slowly: writing this as a PNG takes seconds after a quick copy.
    WriteRaw(Path("noise.tif"), NoiseImage(2500, 2500, 4, TypeDesc::UINT16, 3), "none");
    const std::vector<std::string> slowWrite = {"render", "clean",         "-i", Path("noise.tif"),
                                                "-s",     "Filter Size=0", "-o", Path("out.png")};
    const EnvList oneChunk = {{"NUM_PROC_THARN", "1"}};

    const std::vector<SignalCase> cases = {
        {"the tool stops between chunks",
         When::Rendering,
         {SIGINT},
         {{"NUM_PROC_THARN", "1600"}},
         slowRender},
        {"the tool runs on in its chunk: the grace ends it",
         When::Rendering,
         {SIGTERM},
         oneChunk,
         slowRender},
        {"a second signal ends the run at once",
         When::Rendering,
         {SIGTERM, SIGINT},
         {{"NUM_PROC_THARN", "1"}, {"VORLINGS_ABORT_GRACE", "3600"}},
         slowRender},
        {"the output is being written: the grace ends it and its temporary file goes",
         When::Writing,
         {SIGTERM},
         {},
         slowWrite},
        {"a render while the program starts", When::Starting, {SIGTERM}, {}, slowRender},
        {"a listing while the program starts", When::Starting, {SIGINT}, {}, {"list"}},
    };
    for (const SignalCase& c : cases) {
        SCOPED_TRACE(c.What);
        CliProcess run(c.Command, c.Env);
        switch (c.At) {
        case When::Starting:
            ASSERT_TRUE(run.WaitForSignalHeld(c.Signals.front(), std::chrono::seconds(60)));
            break;
        case When::Rendering:
            // "Progress: 0%" comes just before the input is read; reading it takes a moment.
            ASSERT_TRUE(run.WaitForStderr("Progress: 0%", std::chrono::seconds(60)));
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            break;
        case When::Writing:
            for (int i = 0; i < 6000 && TempFiles().empty(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            ASSERT_FALSE(TempFiles().empty()) << "the output was never begun";
            break;
        }
        for (int signal : c.Signals) run.Signal(signal);
        // Generous: a run that is not ended by the host goes on for many minutes.
        const CliResult r = run.Finish(std::chrono::seconds(60));
        EXPECT_EQ(r.Status, 130) << r.Err;
        // Warnings may come first (Filter Size 1 lies past its bound), then the one line.
        const std::vector<std::string> lines = r.MessageLines();
        ASSERT_FALSE(lines.empty());
        EXPECT_TRUE(lines.back().starts_with("vorlings: interrupted")) << r.Err;
        for (size_t i = 0; i + 1 < lines.size(); ++i)
            EXPECT_TRUE(lines[i].starts_with("vorlings: warning: ")) << lines[i];
        EXPECT_FALSE(Exists("out.png"));
        EXPECT_EQ(TempFiles(), std::vector<std::string>{});
    }
}
