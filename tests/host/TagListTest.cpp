#include "host/TagList.h"

#include <gtest/gtest.h>

TEST(FourCC, SpellsTheCodeLeastSignificantByteFirst) {
    EXPECT_EQ(FourCC("Numb"), 0x626D754Eu);
    EXPECT_EQ(FourCC("SliC"), 0x43696C53u);
    EXPECT_EQ(SAVE_EndMarker, 0x43646E45u);
    char text[5];
    FourCCText(FourCC("XRad"), text);
    EXPECT_STREQ(text, "XRad");
}

TEST(TagList, SizeClassesAndValues) {
    EXPECT_EQ(TagSizeClass(CTL_Kind), 1u);
    EXPECT_EQ(TagSizeClass(CTL_Lower), 2u);
    EXPECT_EQ(TagSizeClass(CTL_ComboEntry), 1u);
    // A double travels as its bits and comes back unchanged.
    for (double v : {0.0, -0.0, 0.004, 1e300, -3.5}) {
        const TagItem t = TagDouble(CTL_Default, v);
        EXPECT_EQ(std::bit_cast<uint64_t>(TagValueDouble(t)), std::bit_cast<uint64_t>(v));
    }
    static const char text[] = "Filter Size";
    EXPECT_EQ(TagValueText(TagPtr(CTL_GroupLabel, text)), text);
}

TEST(TagList, FixedIdsAndTags) {
    EXPECT_EQ(LINK_FirstImage, 0x01706EC9u);
    EXPECT_EQ(LINK_SecondImage, 0x02706EC9u);
    EXPECT_EQ(LINK_ImageOutput, 0x017475CFu);
    EXPECT_EQ(TYPE_Image, FourCC("Imag"));
    EXPECT_EQ(TYPE_Point, FourCC("Poin"));
    const uint32_t declaration[] = {
        CTL_Kind,       CTL_Preview,         CTL_Lower,       CTL_RangeUpper, CTL_DialLower,
        CTL_Upper,      CTL_Default,         CTL_DefaultX,    CTL_DefaultY,   CTL_CheckDefault,
        CTL_GroupLabel, CTL_GroupNumber,     CTL_GroupIndex,  CTL_ComboEntry, CTL_TiedTo,
        CTL_Optional,   CTL_RectWidthHeight, CTL_RectIsHeight};
    const uint32_t expected[] = {0x10030006, 0x10030007, 0x20030000, 0x20030001, 0x20030002,
                                 0x20030003, 0x20030004, 0x20030005, 0x20030006, 0x10040002,
                                 0x10040001, 0x10030009, 0x1003000A, 0x18050000, 0x10058000,
                                 0x10030003, 0x1003000B, 0x1003000C};
    for (size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(declaration[i], expected[i]) << i;
}
