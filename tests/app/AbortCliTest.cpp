// SPDX-License-Identifier: Apache-2.0
// Ctrl-C and SIGTERM during a render: the workers stop, no output is written, exit 130.
#include "CliFixture.h"

#include <csignal>
#include <thread>

using OIIO::TypeDesc;

TEST_F(CliTest, ASignalledRenderLeavesNoOutput) {
    // Noise under a 401 x 401 window (a soft-bound filter size) takes seconds to filter;
    // many chunks make the workers notice the abort quickly. Whether the signal lands while
    // the input is read or while it is filtered, the outcome must be the same.
    WriteRaw(Path("big.tif"), NoiseImage(1000, 1000, 3, TypeDesc::UINT16, 77), "none");
    for (int signal : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(signal == SIGINT ? "SIGINT" : "SIGTERM");
        CliProcess render({"render", "clean", "-i", Path("big.tif"), "-s", "Filter Size=0.2", "-o",
                           Path("out.tif")},
                          {{"NUM_PROC_THARN", "200"}});
        // "Progress: 0%" comes once the handlers are in place and the render is under way.
        ASSERT_TRUE(render.WaitForStderr("Progress: 0%", std::chrono::seconds(60)));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        render.Signal(signal);
        const CliResult r = render.Finish();
        EXPECT_EQ(r.Status, 130) << r.Err;
        // The soft-bound warning, then the one line saying why nothing was written.
        const std::vector<std::string> lines = r.MessageLines();
        ASSERT_EQ(lines.size(), 2u) << r.Err;
        EXPECT_NE(lines[1].find("interrupted"), std::string::npos) << r.Err;
        EXPECT_FALSE(Exists("out.tif"));
        EXPECT_EQ(TempFiles(), std::vector<std::string>{});
    }
}
