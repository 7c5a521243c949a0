// SPDX-License-Identifier: Apache-2.0
#include "support/TestImages.h"

#include "frame/Chunks.h"
#include "host/System.h"

#include <gtest/gtest.h>

using namespace vorlings::frame;

TEST(ChunkCount, EnvironmentReadAsAtoiThenApplicationThenOne) {
    const int four = 4;
    EXPECT_EQ(ChunkCountFrom("8", &four), 8); // more chunks than processors is fine
    EXPECT_EQ(ChunkCountFrom("0", &four), 1); // below 1 becomes 1
    EXPECT_EQ(ChunkCountFrom("-3", &four), 1);
    EXPECT_EQ(ChunkCountFrom("abc", &four), 1); // no digits: 0, so 1
    EXPECT_EQ(ChunkCountFrom("", &four), 1);    // set but empty still wins over the host
    EXPECT_EQ(ChunkCountFrom("  12xyz", &four), 12);
    EXPECT_EQ(ChunkCountFrom("+5", &four), 5);
    EXPECT_EQ(ChunkCountFrom(nullptr, &four), 4);
    EXPECT_EQ(ChunkCountFrom(nullptr, nullptr), 1);
}

TEST(ChunkCount, DecidedAfreshFromTheProcessEnvironment) {
    {
        test::ChunkEnv env("8");
        EXPECT_EQ(DecideChunkCount(), 8);
    }
    test::ChunkEnv env(nullptr);
    HostApplication app{6};
    HostApplication* previous = CurrentApplication();
    SetCurrentApplication(&app);
    EXPECT_EQ(DecideChunkCount(), 6);
    SetCurrentApplication(nullptr);
    EXPECT_EQ(DecideChunkCount(), 1);
    SetCurrentApplication(previous);
}

TEST(ChunkRanges, TenRowsInFourChunks) {
    const ChunkSplit split = ChunkSplit::For(7, 10, 4);
    EXPECT_EQ(split.RowsPerChunk, 2);
    EXPECT_EQ(split.ColumnsPerChunk, 1);
    const int32_t expected[4][2] = {{0, 2}, {2, 4}, {4, 6}, {6, 10}};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(split.Rows(c).Begin, expected[c][0]);
        EXPECT_EQ(split.Rows(c).End, expected[c][1]);
    }
    EXPECT_EQ(split.Columns(3).Begin, 3);
    EXPECT_EQ(split.Columns(3).End, 7);
}

TEST(ChunkRanges, EveryRowBelongsToExactlyOneChunk) {
    for (int32_t height : {1, 5, 7, 10, 1080})
        for (int count : {1, 2, 3, 8, 13, 2000}) {
            const ChunkSplit split = ChunkSplit::For(1, height, count);
            std::vector<int> owner(size_t(height), 0);
            for (int c = 0; c < count; ++c) {
                const ChunkRange r = split.Rows(c);
                // More chunks than rows: every chunk but the last is empty.
                if (count > height && c < count - 1) {
                    EXPECT_TRUE(r.Empty());
                }
                for (int32_t y = r.Begin; y < r.End; ++y) ++owner[size_t(y)];
            }
            for (int n : owner) ASSERT_EQ(n, 1) << height << " rows, " << count << " chunks";
        }
}
