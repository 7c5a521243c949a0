// SPDX-License-Identifier: Apache-2.0
#include "host/Archive.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

TEST(Archive, WordsAndDoublesAreLittleEndian) {
    std::vector<uint8_t> bytes;
    CArchive out(bytes, CArchive::store);
    out << uint32_t(0x8001006A) << 1.0;
    EXPECT_FALSE(out.Failed());
    const std::vector<uint8_t> expected = {0x6A, 0x00, 0x01, 0x80, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    EXPECT_EQ(bytes, expected);

    CArchive in(bytes, CArchive::load);
    uint32_t word = 0;
    double value = 0;
    in >> word >> value;
    EXPECT_EQ(word, 0x8001006Au);
    EXPECT_EQ(value, 1.0);
    EXPECT_FALSE(in.Failed());
}

TEST(Archive, ReadingPastTheEndSetsAStickyError) {
    std::vector<uint8_t> bytes = {1, 0, 0, 0, 2, 0};
    CArchive in(bytes, CArchive::load);
    uint32_t a = 0, b = 99, c = 99;
    in >> a;
    EXPECT_EQ(a, 1u);
    EXPECT_FALSE(in.Failed());
    in >> b; // only two bytes left
    EXPECT_TRUE(in.Failed());
    EXPECT_EQ(b, 0u);
    EXPECT_EQ(in.Error(), "truncated saved tool");
    in >> c; // stays failed, reads zeros
    EXPECT_TRUE(in.Failed());
    EXPECT_EQ(c, 0u);
}

TEST(Archive, OverFiles) {
    const auto path = std::filesystem::temp_directory_path() /
                      ("vorlings_archive_" + std::to_string(::getpid()) + ".bin");
    {
        CArchive out(path.string(), CArchive::store);
        out << uint32_t(7) << 0.25;
        EXPECT_TRUE(out.Close());
    }
    EXPECT_EQ(std::filesystem::file_size(path), 12u);
    CArchive in(path.string(), CArchive::load);
    uint32_t word = 0;
    double value = 0;
    in >> word >> value;
    EXPECT_EQ(word, 7u);
    EXPECT_EQ(value, 0.25);
    in >> word;
    EXPECT_TRUE(in.Failed());
    std::filesystem::remove(path);

    CArchive missing("/nonexistent/folder/preset.vtool", CArchive::load);
    EXPECT_TRUE(missing.Failed());
    EXPECT_NE(missing.Error().find("cannot open"), std::string::npos);
}
