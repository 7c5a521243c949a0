// SPDX-License-Identifier: Apache-2.0
// Sequences through the real binary: frame patterns, frame lists, frames found on disk,
// --skip-existing, a missing frame, and the progress lines a render farm reads.
#include "CliFixture.h"

#include <cstdio>

using OIIO::TypeDesc;

namespace {

std::string Frame(const char* stem, int frame) {
    char name[64];
    std::snprintf(name, sizeof name, "%s.%04d.png", stem, frame);
    return name;
}

} // namespace

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

TEST_F(SequenceTest, WithoutFramesThePatternRendersTheFramesOnDisk) {
    WriteFrames({2, 3, 7});
    // An output already on disk is rendered anew.
    WriteRaw(Path(Frame("out", 3)), NoiseImage(5, 5, 3, TypeDesc::UINT8, 1));
    Render(Copy({}, "in.%04d.png")); // -q silences progress
    for (int f : {2, 3, 7}) EXPECT_TRUE(WrittenFrom(f)) << f;
}

TEST_F(SequenceTest, SkipExistingLeavesFramesOnDiskAlone) {
    WriteFrames({1, 2, 3});
    const RawImage marker = NoiseImage(5, 5, 3, TypeDesc::UINT8, 1);
    WriteRaw(Path(Frame("out", 2)), marker);
    Render(Copy({"-f", "1-3", "--skip-existing"}));
    for (int f : {1, 3}) EXPECT_TRUE(WrittenFrom(f)) << f;
    EXPECT_TRUE(SameSamples(ReadRaw(Path(Frame("out", 2))), marker));
}

TEST_F(SequenceTest, AMissingFrameStopsTheRunAndKeepsTheFramesBeforeIt) {
    WriteFrames({1, 2, 4});
    EXPECT_FAILS_WITH(RunCli(Copy({"render", "-f", "1-4", "-q"})), 1, Path(Frame("in", 3)));
    for (int f : {1, 2}) EXPECT_TRUE(WrittenFrom(f)) << f;
    for (int f : {3, 4}) EXPECT_FALSE(Exists(Frame("out", f))) << f;
    EXPECT_EQ(TempFiles(), std::vector<std::string>{});
}
