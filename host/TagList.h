// SPDX-License-Identifier: Apache-2.0
// Tag lists and four-character codes: how registry entries and control declarations
// reach the host. A tag list is a run of TagItem closed by an item whose tag is 0.
#pragma once

#include <bit>
#include <cstdint>

/// One (tag, value) pair. The tag's top four bits give the value's size class:
/// 1 = one pointer-sized word (number, code or pointer), 2 = a double's bits.
struct TagItem {
    uint32_t tag;
    uint64_t value;
};

/// The four bytes of `code`, least significant first: FourCC("Numb") == 0x626D754E.
constexpr uint32_t FourCC(const char (&code)[5]) {
    return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 |
           uint32_t(uint8_t(code[2])) << 16 | uint32_t(uint8_t(code[3])) << 24;
}

constexpr unsigned TagSizeClass(uint32_t tag) {
    return tag >> 28;
}

constexpr TagItem TagNum(uint32_t tag, uint64_t value) {
    return {tag, value};
}
constexpr TagItem TagDouble(uint32_t tag, double value) {
    return {tag, std::bit_cast<uint64_t>(value)};
}
inline TagItem TagPtr(uint32_t tag, const void* pointer) {
    return {tag, uint64_t(reinterpret_cast<uintptr_t>(pointer))};
}
constexpr TagItem TagEnd() {
    return {0, 0};
}

constexpr double TagValueDouble(const TagItem& item) {
    return std::bit_cast<double>(item.value);
}
inline const char* TagValueText(const TagItem& item) {
    return reinterpret_cast<const char*>(uintptr_t(item.value));
}

// Data types of inputs and outputs.
inline constexpr uint32_t TYPE_Number = FourCC("Numb");
inline constexpr uint32_t TYPE_Point = FourCC("Poin");
inline constexpr uint32_t TYPE_Image = FourCC("Imag");

// Fixed link ids of image links.
inline constexpr uint32_t LINK_FirstImage = 0x01706EC9;
inline constexpr uint32_t LINK_SecondImage = 0x02706EC9;
inline constexpr uint32_t LINK_ImageOutput = 0x017475CF;

// Registry entry tags.
inline constexpr uint32_t REG_Factory = 0x10000000;
inline constexpr uint32_t REG_Init = 0x10000001;
inline constexpr uint32_t REG_Cleanup = 0x10000002;
inline constexpr uint32_t REG_Flags = 0x10000003;
inline constexpr uint32_t REG_ClassID = 0x10000005;
inline constexpr uint32_t REG_DisplayName = 0x10000006;
inline constexpr uint32_t REG_ShortName = 0x1000000B;
inline constexpr uint32_t REG_Description = 0x1000000C;
inline constexpr uint32_t REG_Category = 0x1000000F;
inline constexpr uint32_t REG_Bitmap = 0x10000011;
inline constexpr uint32_t REG_VersionNumber = 0x1000001F;
inline constexpr uint32_t REG_TimeSampled = 0x10000022;
inline constexpr uint32_t REG_VersionText = 0x1000002F;
inline constexpr uint32_t REG_Company = 0x10000030;
inline constexpr uint32_t REG_WebAddress = 0x10000032;
inline constexpr uint32_t REG_HelpTopic = 0x10000039;

// Declaration tags of inputs and controls.
inline constexpr uint32_t CTL_Kind = 0x10030006;
inline constexpr uint32_t CTL_Preview = 0x10030007;
inline constexpr uint32_t CTL_Lower = 0x20030000;
inline constexpr uint32_t CTL_RangeUpper = 0x20030001;
inline constexpr uint32_t CTL_DialLower = 0x20030002;
inline constexpr uint32_t CTL_Upper = 0x20030003;
inline constexpr uint32_t CTL_Default = 0x20030004;
inline constexpr uint32_t CTL_DefaultX = 0x20030005;
inline constexpr uint32_t CTL_DefaultY = 0x20030006;
inline constexpr uint32_t CTL_CheckDefault = 0x10040002;
inline constexpr uint32_t CTL_GroupLabel = 0x10040001;
inline constexpr uint32_t CTL_GroupNumber = 0x10030009;
inline constexpr uint32_t CTL_GroupIndex = 0x1003000A;
inline constexpr uint32_t CTL_ComboEntry = 0x18050000;
inline constexpr uint32_t CTL_TiedTo = 0x10058000;
inline constexpr uint32_t CTL_RectWidthHeight = 0x1003000B;
inline constexpr uint32_t CTL_RectIsHeight = 0x1003000C;
inline constexpr uint32_t CTL_Optional = 0x10030003;
// An image input delivered at several times: its sample-time mask (all bits set) and its
// number of samples. Kept by the host without a role of its own.
inline constexpr uint32_t CTL_SampleTimes = 0x10030005;
inline constexpr uint32_t CTL_SampleCount = 0x10030011;

// Control kinds and preview controls.
inline constexpr uint32_t KIND_Slider = FourCC("SliC");
inline constexpr uint32_t KIND_Combo = FourCC("ComC");
inline constexpr uint32_t KIND_Check = FourCC("ChBC");
inline constexpr uint32_t KIND_Offset = FourCC("OffC");
inline constexpr uint32_t KIND_Dial = FourCC("ScrC");
inline constexpr uint32_t KIND_Range = FourCC("RngC");
inline constexpr uint32_t KIND_Colour = FourCC("ColC");
inline constexpr uint32_t PREVIEW_Crosshair = FourCC("XHrC");
inline constexpr uint32_t PREVIEW_Circle = FourCC("CirC");
inline constexpr uint32_t PREVIEW_Angle = FourCC("AngC");
inline constexpr uint32_t PREVIEW_Rectangle = FourCC("RecC");
inline constexpr uint32_t PREVIEW_Point = FourCC("PntC");

// Tag of NewImage's template argument.
inline constexpr uint32_t IMG_Template = 0x10000000;

// End marker of a saved tool: "EndC" in file order.
inline constexpr uint32_t SAVE_EndMarker = FourCC("EndC");

/// The four characters of a code, for messages and listings.
inline void FourCCText(uint32_t code, char (&text)[5]) {
    for (int i = 0; i < 4; ++i) text[i] = char((code >> (8 * i)) & 0xFF);
    text[4] = 0;
}
