// SPDX-License-Identifier: Apache-2.0
// Naming controls on the command line, checked on a made-up control list that has the
// awkward cases of the real tools: a label on two pages, colour triples in groups, a page
// name holding "/", and labels that differ only in case.
#include "ControlLookup.h"

#include "host/TagList.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

enum : size_t {
    kBrightness,
    kMapCentre,
    kPointCentre,
    kStartRed,
    kEndRed,
    kGainUpper,
    kGainLower,
    kOddLabel
};

std::vector<ControlKey> Controls() {
    return {
        {"Brightness", "Main", "", FourCC("Brig")},
        {"XY Center", "Map/Ovl", "", FourCC("MCen")},
        {"XY Center", "Point", "", FourCC("PCen")},
        {"Red", "Colours", "Start Color", FourCC("SRed")},
        {"Red", "Colours", "End Color", FourCC("ERed")},
        {"Gain", "Main", "", FourCC("GaiU")},
        {"gain", "Main", "", FourCC("GaiL")},
        {"PCen", "Main", "", FourCC("Odd1")}, // a label that spells another control's link id
    };
}

std::string Hex(uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", v);
    return text;
}

std::optional<size_t> Find(std::string_view name) {
    return MatchControl(Controls(), name).Index;
}

} // namespace

TEST(ControlLookup, LabelsMatchExactlyThenInAnyCase) {
    EXPECT_EQ(Find("Brightness"), kBrightness);
    EXPECT_EQ(Find("brightness"), kBrightness);
    EXPECT_EQ(Find("BRIGHTNESS"), kBrightness);
    // An exact match wins over a case-insensitive one...
    EXPECT_EQ(Find("Gain"), kGainUpper);
    EXPECT_EQ(Find("gain"), kGainLower);
    // ...and two case-insensitive matches are ambiguous.
    const ControlMatch m = MatchControl(Controls(), "GAIN");
    EXPECT_FALSE(m.Index);
    EXPECT_EQ(m.Candidates, (std::vector<size_t>{kGainUpper, kGainLower}));
}

TEST(ControlLookup, RepeatedLabelsNeedTheirPageOrGroup) {
    const ControlMatch ambiguous = MatchControl(Controls(), "XY Center");
    EXPECT_FALSE(ambiguous.Index);
    EXPECT_EQ(ambiguous.Candidates, (std::vector<size_t>{kMapCentre, kPointCentre}));

    // The page name holds a "/": the name splits at the last one.
    EXPECT_EQ(Find("Map/Ovl/XY Center"), kMapCentre);
    EXPECT_EQ(Find("Point/XY Center"), kPointCentre);
    EXPECT_EQ(Find("point/xy center"), kPointCentre);
    EXPECT_EQ(Find("Start Color/Red"), kStartRed);
    EXPECT_EQ(Find("end color/RED"), kEndRed);

    // A page both colours share does not tell them apart.
    const ControlMatch shared = MatchControl(Controls(), "Colours/Red");
    EXPECT_FALSE(shared.Index);
    EXPECT_EQ(shared.Candidates.size(), 2u);
}

TEST(ControlLookup, LinkIdsAsFourCharactersOrHex) {
    EXPECT_EQ(Find("MCen"), kMapCentre);
    EXPECT_EQ(Find("sred"), kStartRed);
    EXPECT_EQ(Find(Hex(FourCC("ERed"))), kEndRed);
    EXPECT_EQ(Find("0x" + Hex(FourCC("Brig")).substr(2)), kBrightness);
    // A label is matched before a link id it happens to spell.
    EXPECT_EQ(Find("PCen"), kOddLabel);
    EXPECT_EQ(Find(Hex(FourCC("PCen"))), kPointCentre);
}

TEST(ControlLookup, NamesThatMatchNothing) {
    for (const char* name : {"Contrast", "Nowhere/XY Center", "XY Center/", "/Red", "", "0x",
                             "0xZZ", "0x1234567890", "Brig "}) {
        const ControlMatch m = MatchControl(Controls(), name);
        EXPECT_FALSE(m.Index) << name;
        EXPECT_TRUE(m.Candidates.empty()) << name;
    }
}

TEST(ControlLookup, EveryControlHasANameThatPicksItAlone) {
    const std::vector<ControlKey> controls = Controls();
    for (size_t i = 0; i < controls.size(); ++i) {
        const std::string name = UniqueControlName(controls, i);
        EXPECT_EQ(MatchControl(controls, name).Index, i) << name;
    }
    EXPECT_EQ(UniqueControlName(controls, kBrightness), "Brightness");
    EXPECT_EQ(UniqueControlName(controls, kMapCentre), "Map/Ovl/XY Center");
    EXPECT_EQ(UniqueControlName(controls, kEndRed), "End Color/Red");
}
