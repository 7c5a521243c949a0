#include "frame/ToolPattern.h"
#include "clean/CleanPlugIn.h"
#include "frame/ToolEntry.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

std::vector<uint8_t> SavedBytes(Operator& tool) {
    std::vector<uint8_t> bytes;
    CArchive out(bytes, CArchive::store);
    EXPECT_EQ(tool.Save(&out, nullptr), 1u);
    return bytes;
}

void PutWord(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(uint8_t(v >> (8 * i)));
}

// Reads the class ID as a host does, then hands the archive to the factory.
std::unique_ptr<Operator> Load(CArchive& in) {
    uint32_t classId = 0;
    in >> classId;
    EXPECT_EQ(classId, CleanPlugIn::ClassID);
    return std::unique_ptr<Operator>(MakeTool<CleanPlugIn>(nullptr, &in, nullptr));
}

} // namespace

TEST(RegistryEntry, CarriesEveryTagInTheFixedOrder) {
    const EntryTags tags = BuildEntryTags(CleanInfo);
    const uint32_t order[] = {0x10000001, 0x10000002, 0x10000000, 0x10000005,
                              0x10000003, 0x10000011, 0x1000000b, 0x1000000c,
                              0x10000006, 0x10000039, 0x1000000f, 0x10000030,
                              0x10000032, 0x1000002f, 0x1000001f, 0};
    for (size_t i = 0; i < std::size(order); ++i) EXPECT_EQ(tags[i].tag, order[i]) << i;
    EXPECT_EQ(tags[2].value, uint64_t(reinterpret_cast<uintptr_t>(&MakeTool<CleanPlugIn>)));
    EXPECT_EQ(tags[3].value, 0x8001006Au);
    EXPECT_EQ(tags[4].value, 3u);
    EXPECT_EQ(tags[5].value, 110u);
    EXPECT_STREQ(TagValueText(tags[6]), "Cln");
    EXPECT_STREQ(TagValueText(tags[7]), "For removing little bits of the image");
    EXPECT_STREQ(TagValueText(tags[8]), "Clean");
    EXPECT_STREQ(TagValueText(tags[9]), "TharnVorlings.chm::/html/clean.htm");
    EXPECT_STREQ(TagValueText(tags[10]), "Tharn Vorlings\\Box 1");
    EXPECT_STREQ(TagValueText(tags[11]), "Tharn Solutions Ltd.");
    EXPECT_STREQ(TagValueText(tags[13]), "v2.50, built Jan 21 2000");
    EXPECT_EQ(tags[14].value, 250u);
}

TEST(RegistryEntry, ATimeSampledToolCarriesItsFlagBeforeTheCategory) {
    ToolInfo info = CleanInfo;
    info.TimeSampled = true;
    const EntryTags tags = BuildEntryTags(info);
    EXPECT_EQ(tags[10].tag, 0x10000022u);
    EXPECT_EQ(tags[10].value, 1u);
    EXPECT_EQ(tags[11].tag, 0x1000000Fu);
    EXPECT_EQ(tags[16].tag, 0u);
}

TEST(SavedTool, ExactBytes) {
    CleanPlugIn tool(nullptr, nullptr, nullptr);
    EXPECT_EQ(tool.OperatorAttributes[0], 2);
    EXPECT_EQ(tool.OperatorAttributes[1], 0);
    tool.FilterSize->NumberValue.Value = 0.004;

    std::vector<uint8_t> expected;
    PutWord(expected, 0x8001006A); // class ID
    PutWord(expected, 1);          // one control
    PutWord(expected, FourCC("XRad"));
    PutWord(expected, FourCC("Numb"));
    uint64_t bits;
    const double value = 0.004;
    std::memcpy(&bits, &value, 8);
    PutWord(expected, uint32_t(bits));
    PutWord(expected, uint32_t(bits >> 32));
    PutWord(expected, 0);
    expected.insert(expected.end(), {'E', 'n', 'd', 'C'});
    EXPECT_EQ(SavedBytes(tool), expected);
}

TEST(SavedTool, LoadsBackWithItsValues) {
    CleanPlugIn tool(nullptr, nullptr, nullptr);
    tool.FilterSize->NumberValue.Value = 0.0071;
    std::vector<uint8_t> bytes = SavedBytes(tool);
    CArchive in(bytes, CArchive::load);
    auto loaded = Load(in);
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(static_cast<CleanPlugIn&>(*loaded).FilterSize->NumberValue.Value, 0.0071);
    EXPECT_EQ(loaded->OperatorAttributes[0], 2);
    // Saving the loaded tool writes the same bytes again.
    EXPECT_EQ(SavedBytes(*loaded), bytes);
}

TEST(SavedTool, TheLastTwoWordsAreSkippedUnread) {
    CleanPlugIn tool(nullptr, nullptr, nullptr);
    tool.FilterSize->NumberValue.Value = 0.002;
    std::vector<uint8_t> bytes = SavedBytes(tool);
    for (size_t i = bytes.size() - 8; i < bytes.size(); ++i) bytes[i] = 0xA5;
    CArchive in(bytes, CArchive::load);
    auto loaded = Load(in);
    ASSERT_TRUE(loaded);
    EXPECT_FALSE(in.Failed());
    EXPECT_EQ(static_cast<CleanPlugIn&>(*loaded).FilterSize->NumberValue.Value, 0.002);
}

TEST(SavedTool, EveryTruncationSetsTheArchiveError) {
    CleanPlugIn tool(nullptr, nullptr, nullptr);
    tool.FilterSize->NumberValue.Value = 0.003;
    const std::vector<uint8_t> whole = SavedBytes(tool);
    for (size_t keep = 4; keep < whole.size(); ++keep) {
        std::vector<uint8_t> bytes(whole.begin(), whole.begin() + long(keep));
        CArchive in(bytes, CArchive::load);
        auto loaded = Load(in);
        EXPECT_TRUE(in.Failed()) << "kept " << keep << " bytes";
        EXPECT_EQ(in.Error(), "truncated saved tool");
    }
}
