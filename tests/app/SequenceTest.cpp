// SPDX-License-Identifier: Apache-2.0
// Frame patterns and frame lists.
#include "Sequence.h"
#include "ModuleLoader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

TEST(FramePattern, PlaceholdersBecomePaddedFrameNumbers) {
    EXPECT_EQ(FramePattern("shot.####.exr").PathFor(7), "shot.0007.exr");
    EXPECT_EQ(FramePattern("shot.####.exr").PathFor(12345), "shot.12345.exr");
    EXPECT_EQ(FramePattern("shot.#.exr").PathFor(42), "shot.42.exr");
    EXPECT_EQ(FramePattern("a.%04d.png").PathFor(7), "a.0007.png");
    EXPECT_EQ(FramePattern("a.%d.png").PathFor(7), "a.7.png");
    EXPECT_EQ(FramePattern("dir/a_%06d.dpx").PathFor(123), "dir/a_000123.dpx");
    EXPECT_EQ(FramePattern("100%%_##.png").PathFor(3), "100%_03.png");
    EXPECT_EQ(FramePattern("l##_r##.tif").PathFor(5), "l05_r05.tif");
}

TEST(FramePattern, PlainNamesAreStills) {
    for (const char* name : {"plate.exr", "100%.png", "a%0d.png", "a%5.png", "a%s.png"}) {
        const FramePattern p(name);
        EXPECT_FALSE(p.IsSequence()) << name;
        EXPECT_EQ(p.PathFor(9), name);
    }
    EXPECT_TRUE(FramePattern("a.#.png").IsSequence());
    EXPECT_TRUE(FramePattern("a.%03d.png").IsSequence());
}

TEST(FramePattern, ALiteralNameIsAStillWhateverItHolds) {
    for (const char* name : {"take#1.png", "plate_%d.png", "a.%04d.exr", "plate.exr"}) {
        const FramePattern p = FramePattern::Literal(name);
        EXPECT_FALSE(p.IsSequence()) << name;
        EXPECT_EQ(p.PathFor(9), name);
        EXPECT_EQ(p.Text(), name);
    }
}

TEST(FramePattern, FramesOnDiskAreThoseThePatternNames) {
    const fs::path dir = fs::temp_directory_path() / ("vorlings_seq_" + std::to_string(getpid()));
    fs::create_directories(dir / "shot.0005.exr"); // a folder, not a frame
    for (const char* name :
         {"shot.0001.exr", "shot.0003.exr", "shot.0010.exr", "shot.12345.exr", "shot.003.exr",
          "shot.0002.exr.tmp", "other.0004.exr", ".shot.0006.exr.1.tmp"})
        std::ofstream(dir / name) << "x";
    const FramePattern pattern((dir / "shot.####.exr").string());
    EXPECT_EQ(pattern.FramesOnDisk(), (std::vector<int64_t>{1, 3, 10, 12345}));
    EXPECT_EQ(FramePattern((dir / "shot.%04d.exr").string()).FramesOnDisk(),
              (std::vector<int64_t>{1, 3, 10, 12345}));
    EXPECT_TRUE(FramePattern((dir / "none.####.exr").string()).FramesOnDisk().empty());
    fs::remove_all(dir);
}

namespace {

std::vector<int64_t> Frames(std::string_view text) {
    std::string problem;
    auto frames = ParseFrameList(text, problem);
    EXPECT_TRUE(frames) << text << ": " << problem;
    return frames ? *frames : std::vector<int64_t>{};
}

} // namespace

TEST(FrameList, RangesStepsAndLists) {
    EXPECT_EQ(Frames("1-5"), (std::vector<int64_t>{1, 2, 3, 4, 5}));
    EXPECT_EQ(Frames("1-10x3"), (std::vector<int64_t>{1, 4, 7, 10}));
    EXPECT_EQ(Frames("1-10:3"), Frames("1-10x3"));
    EXPECT_EQ(Frames("1-100x2").size(), 50u);
    EXPECT_EQ(Frames("5"), (std::vector<int64_t>{5}));
    EXPECT_EQ(Frames("0"), (std::vector<int64_t>{0}));
    EXPECT_EQ(Frames("9,3,5"), (std::vector<int64_t>{9, 3, 5}));
    EXPECT_EQ(Frames("1-3, 2-5"), (std::vector<int64_t>{1, 2, 3, 4, 5})) << "each frame once";
    EXPECT_EQ(Frames(" 4 - 6 "), (std::vector<int64_t>{4, 5, 6}));
    EXPECT_EQ(Frames("7-7"), (std::vector<int64_t>{7}));
}

TEST(FrameList, RefusesWhatIsNoFrameList) {
    for (const char* bad : {"", " ", "a", "5-1", "1-5x0", "1-5x", "1-5:-1", "-3", "1-", "1.5",
                            "1-5x2x3", "3x2", "1,,2", "1-2-3", "99999999999999999999",
                            // More frames than any run renders, however they are named.
                            "1-1000000000", "0-9223372036854775807", "1-9000000,9000001-18000000",
                            "5,1-20000000x2"}) {
        std::string problem;
        EXPECT_FALSE(ParseFrameList(bad, problem)) << bad;
        EXPECT_FALSE(problem.empty()) << bad;
    }
}

TEST(ModuleSearch, PluginPathFoldersComeBeforeTheBinarysFolder) {
    EXPECT_EQ(ModuleSearchFolders("/a:/b::/c:", "/bin"),
              (std::vector<std::string>{"/a", "/b", "/c", "/bin"}));
    EXPECT_EQ(ModuleSearchFolders(nullptr, "/bin"), (std::vector<std::string>{"/bin"}));
    EXPECT_EQ(ModuleSearchFolders("", "/bin"), (std::vector<std::string>{"/bin"}));
}
