// SPDX-License-Identifier: Apache-2.0
// What progress shows (a share that only rises and reaches 100% only when the work is done,
// the bar with its clock) and the check of the chunk count a user sets.
#include "Progress.h"
#include "Environment.h"

#include <gtest/gtest.h>

#include <algorithm>

TEST(Progress, TheShareRisesAsChunksEndAndIsCompleteOnlyWhenTheStepIs) {
    struct Case {
        int64_t Done, Total;
        double Within;
        int Percent;
    };
    for (const Case& c : std::vector<Case>{{0, 1, 0.0, 0},
                                           {0, 1, 0.5, 50},
                                           {0, 1, 1.0, 99},
                                           {1, 1, 0.0, 100},
                                           {1, 3, 0.5, 50},
                                           {2, 3, 1.0, 99},
                                           {3, 3, 0.7, 100},
                                           {0, 0, 0.0, 0}})
        EXPECT_EQ(ProgressPercent(c.Done, c.Total, c.Within), c.Percent)
            << c.Done << "/" << c.Total << " + " << c.Within;
    // Over any number of frames and chunks, the share never goes back.
    for (int64_t frames : {1, 3, 7, 250}) {
        int last = 0;
        for (int64_t done = 0; done <= frames; ++done)
            for (int chunk = 0; chunk <= 8; ++chunk) {
                const int percent = ProgressPercent(done, frames, chunk / 8.0);
                EXPECT_GE(percent, last) << done << "/" << frames << " chunk " << chunk;
                last = percent;
            }
        EXPECT_EQ(last, 100);
    }
}

TEST(Progress, TheBarShowsShareStepsElapsedTimeAndLabel) {
    EXPECT_EQ(ElapsedText(std::chrono::seconds(0)), "0:00");
    EXPECT_EQ(ElapsedText(std::chrono::seconds(7)), "0:07");
    EXPECT_EQ(ElapsedText(std::chrono::seconds(62)), "1:02");
    EXPECT_EQ(ElapsedText(std::chrono::seconds(3723)), "1:02:03");
    const std::string bar = ProgressBarText(42, 1, 3, std::chrono::seconds(75), "out.0001.exr");
    EXPECT_NE(bar.find(" 42%"), std::string::npos) << bar;
    EXPECT_NE(bar.find("1/3"), std::string::npos) << bar;
    EXPECT_NE(bar.find("1:15"), std::string::npos) << bar;
    EXPECT_TRUE(bar.ends_with("out.0001.exr")) << bar;
    const auto filled = std::count(bar.begin(), bar.end(), '#');
    const auto empty = std::count(bar.begin(), bar.end(), '.') - 2; // the label's dots
    EXPECT_EQ(filled * 100 / (filled + empty), 40) << "42% of the bar, rounded down: " << bar;
}

TEST(ChunkCount, ANumProcTharnThatIsNotAWholeNumberIsNamedWithHowItIsRead) {
    for (const char* fine : {"1", "4", " 16 ", "2147483647"})
        EXPECT_EQ(ChunkCountWarning(fine), "") << fine;
    EXPECT_EQ(ChunkCountWarning(nullptr), "");
    const std::vector<std::pair<const char*, const char*>> odd = {
        {"abc", "1 chunk"},
        {"", "1 chunk"},
        {"0", "1 chunk"},
        {"-3", "1 chunk"},
        {"12abc", "12 chunks"},
        {"2.5", "2 chunks"},
        {"99999999999", "NUM_PROC_THARN"}};
    for (const auto& [text, reading] : odd) {
        const std::string warning = ChunkCountWarning(text);
        EXPECT_NE(warning.find("\"" + std::string(text) + "\""), std::string::npos) << warning;
        EXPECT_NE(warning.find(reading), std::string::npos) << warning;
    }
}
