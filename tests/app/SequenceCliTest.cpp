// SPDX-License-Identifier: Apache-2.0
// Sequences through the real binary: frame patterns, frame lists, frames found on disk,
// --skip-existing, a missing frame, and the progress lines a render farm reads.
#include "CliFixture.h"

#include <algorithm>
#include <sstream>

using OIIO::TypeDesc;

class SequenceTest : public CliTest {
protected:
    // Frames that differ from one another, so that a frame written from the wrong input shows.
    void WriteFrames(std::initializer_list<int> frames) {
        for (int f : frames) {
            inputs_[f] = NoiseImage(12, 8, 4, TypeDesc::UINT16, uint32_t(100 + f));
            WriteRaw(Path(Frame("in", f)), inputs_[f]);
        }
    }
    /// The arguments `lead`, then Clean copying IN to OUT.
    std::vector<std::string> Copy(std::vector<std::string> lead, const char* in = "in.####.png",
                                  const char* out = "out.####.png") {
        lead.insert(lead.end(), {"clean", "-i", Path(in), "-s", "Filter Size=0", "-o", Path(out)});
        return lead;
    }
    ::testing::AssertionResult WrittenFrom(int frame) {
        return SameSamples(ReadRaw(Path(Frame("out", frame))), inputs_[frame]);
    }
    std::map<int, RawImage> inputs_;
};

TEST_F(SequenceTest, FrameListsRenderEachFrameFromItsOwnInput) {
    WriteFrames({1, 2, 3, 4, 5});
    // A frame and a range with a step, in any order; the output named with %0Nd.
    const CliResult r = RunCli(Copy({"render", "-f", "5,1-3x2"}, "in.####.png", "out.%04d.png"));
    ASSERT_EQ(r.Status, 0) << r.Err;
    for (int f : {1, 3, 5}) EXPECT_TRUE(WrittenFrom(f)) << f;
    for (int f : {2, 4}) EXPECT_FALSE(Exists(Frame("out", f))) << f;
    // Not a terminal: one "Progress: N%" line per change, from 0 to 100.
    EXPECT_EQ(r.Err, "Progress: 0%\nProgress: 33%\nProgress: 66%\nProgress: 100%\n");
}

// Inside a frame progress moves as chunks end; the frame shows complete once it is written.
TEST_F(SequenceTest, ProgressMovesInsideAFrameAsChunksEnd) {
    WriteRaw(Path("noise.png"), NoiseImage(320, 180, 3, TypeDesc::UINT16, 2));
    const CliResult r = RunCli({"render", "clean", "-i", Path("noise.png"), "-s",
                                "Filter Size=0.004", "-o", Path("out.png")},
                               {{"NUM_PROC_THARN", "8"}});
    ASSERT_EQ(r.Status, 0) << r.Err;
    std::vector<int> percents;
    std::istringstream lines(r.Err);
    for (std::string line; std::getline(lines, line);) {
        int percent = -1;
        ASSERT_EQ(std::sscanf(line.c_str(), "Progress: %d%%", &percent), 1) << line;
        percents.push_back(percent);
    }
    ASSERT_GE(percents.size(), 3u) << r.Err;
    EXPECT_EQ(percents.front(), 0);
    EXPECT_EQ(percents.back(), 100);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()) &&
                std::adjacent_find(percents.begin(), percents.end()) == percents.end())
        << "rising, one line per change: " << r.Err;
}

TEST_F(SequenceTest, WithoutFramesThePatternRendersTheFramesOnDisk) {
    WriteFrames({2, 3, 7});
    // An output already on disk is rendered anew.
    WriteRaw(Path(Frame("out", 3)), NoiseImage(5, 5, 3, TypeDesc::UINT8, 1));
    Render(Copy({}, "in.%04d.png")); // -q silences progress
    for (int f : {2, 3, 7}) EXPECT_TRUE(WrittenFrom(f)) << f;
}

// A finished frame stays; an empty one, or one that is no readable image (not a picture, or
// cut short), is rendered again with a warning naming it.
TEST_F(SequenceTest, SkipExistingLeavesFinishedFramesOnDiskAlone) {
    WriteFrames({1, 2, 3, 4, 5});
    const RawImage marker = NoiseImage(5, 5, 3, TypeDesc::UINT8, 1);
    WriteRaw(Path(Frame("out", 2)), marker);
    WriteBytes(Frame("out", 3), {});
    WriteBytes(Frame("out", 4), {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'});
    const std::vector<uint8_t> png = Bytes(Frame("in", 1));
    WriteBytes(Frame("out", 5), png, png.size() / 2);
    const CliResult r = RunCli(Copy({"render", "-f", "1-5", "--skip-existing", "-q"}));
    ASSERT_EQ(r.Status, 0) << r.Err;
    const std::vector<std::string> warnings = r.MessageLines();
    ASSERT_EQ(warnings.size(), 3u) << r.Err;
    for (int f : {3, 4, 5})
        EXPECT_NE(warnings[size_t(f - 3)].find(Path(Frame("out", f))), std::string::npos)
            << warnings[size_t(f - 3)];
    for (int f : {1, 3, 4, 5}) EXPECT_TRUE(WrittenFrom(f)) << f;
    EXPECT_TRUE(SameSamples(ReadRaw(Path(Frame("out", 2))), marker));
}

TEST_F(SequenceTest, AMissingFrameStopsTheRunAndKeepsTheFramesBeforeIt) {
    WriteFrames({1, 2, 4});
    EXPECT_FAILS_WITH(RunCli(Copy({"render", "-f", "1-4", "-q"})), 1, Path(Frame("in", 3)));
    for (int f : {1, 2}) EXPECT_TRUE(WrittenFrom(f)) << f;
    for (int f : {3, 4}) EXPECT_FALSE(Exists(Frame("out", f))) << f;
    EXPECT_EQ(TempFiles(), std::vector<std::string>{});
}

// MoBlur reads frame t + 1 from the same sequence; past the last frame on disk it has no
// sample there, renders its one-frame case (a copy) and the user is told once.
TEST_F(SequenceTest, AMissingNextFrameIsAMissingSampleWithAWarning) {
    WriteFrames({1, 2, 3});
    const CliResult r = RunCli({"render", "moblur", "-i", "First input=" + Path("in.####.png"),
                                "-f", "2-3", "-q", "-o", Path("out.####.png")});
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_TRUE(Exists(Frame("out", 2)));
    EXPECT_TRUE(WrittenFrom(3));
    const std::vector<std::string> warnings = r.MessageLines();
    ASSERT_EQ(warnings.size(), 1u) << r.Err;
    EXPECT_NE(warnings[0].find(Path(Frame("in", 4))), std::string::npos) << warnings[0];
}
