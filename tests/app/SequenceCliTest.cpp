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
    CliResult Render(std::vector<std::string> extra, const char* input = "in.####.png",
                     const char* output = "out.####.png") {
        std::vector<std::string> args = {"render", "clean",         "-i", Path(input),
                                         "-s",     "Filter Size=0", "-o", Path(output)};
        args.insert(args.end(), extra.begin(), extra.end());
        return RunCli(args);
    }
    ::testing::AssertionResult WrittenFrom(int frame) {
        return SameSamples(ReadRaw(Path(Frame("out", frame))), inputs_[frame]);
    }
    std::map<int, RawImage> inputs_;
};

TEST_F(SequenceTest, FrameRangeWithStepRendersEachFrameFromItsOwnInput) {
    WriteFrames({1, 2, 3, 4, 5});
    const CliResult r = Render({"-f", "1-5x2"});
    ASSERT_EQ(r.Status, 0) << r.Err;
    for (int f : {1, 3, 5}) EXPECT_TRUE(WrittenFrom(f)) << f;
    EXPECT_FALSE(Exists(Frame("out", 2)));
    EXPECT_FALSE(Exists(Frame("out", 4)));
    // Not a terminal: one "Progress: N%" line per change, from 0 to 100.
    EXPECT_EQ(r.Err, "Progress: 0%\nProgress: 33%\nProgress: 66%\nProgress: 100%\n");
}

TEST_F(SequenceTest, WithoutFramesThePatternRendersTheFramesOnDisk) {
    WriteFrames({2, 3, 7});
    const CliResult r = Render({"-q"}, "in.%04d.png", "out.####.png");
    ASSERT_EQ(r.Status, 0) << r.Err;
    EXPECT_EQ(r.Err, "") << "-q silences progress";
    for (int f : {2, 3, 7}) EXPECT_TRUE(WrittenFrom(f)) << f;

    // A comma list picks frames in any order.
    const CliResult list = Render({"-q", "-f", "7,2"}, "in.####.png", "again.%04d.png");
    ASSERT_EQ(list.Status, 0) << list.Err;
    EXPECT_TRUE(Exists("again.0007.png"));
    EXPECT_TRUE(Exists("again.0002.png"));
    EXPECT_FALSE(Exists("again.0003.png"));
}

TEST_F(SequenceTest, SkipExistingLeavesFramesOnDiskAlone) {
    WriteFrames({1, 2, 3});
    const RawImage marker = NoiseImage(5, 5, 3, TypeDesc::UINT8, 1);
    WriteRaw(Path(Frame("out", 2)), marker);
    const CliResult skip = Render({"-f", "1-3", "--skip-existing", "-q"});
    ASSERT_EQ(skip.Status, 0) << skip.Err;
    EXPECT_TRUE(WrittenFrom(1));
    EXPECT_TRUE(SameSamples(ReadRaw(Path(Frame("out", 2))), marker));
    EXPECT_TRUE(WrittenFrom(3));

    const CliResult again = Render({"-f", "1-3", "-q"});
    ASSERT_EQ(again.Status, 0) << again.Err;
    EXPECT_TRUE(WrittenFrom(2)) << "without --skip-existing the frame is rendered anew";
}

TEST_F(SequenceTest, AMissingFrameStopsTheRunAndKeepsTheFramesBeforeIt) {
    WriteFrames({1, 2, 4});
    const CliResult r = Render({"-f", "1-4", "-q"});
    EXPECT_FAILS_WITH(r, 1, Path(Frame("in", 3)));
    EXPECT_TRUE(WrittenFrom(1));
    EXPECT_TRUE(WrittenFrom(2));
    EXPECT_FALSE(Exists(Frame("out", 3)));
    EXPECT_FALSE(Exists(Frame("out", 4)));
    EXPECT_EQ(TempFiles(), std::vector<std::string>{});
}
