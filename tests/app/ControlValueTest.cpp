// SPDX-License-Identifier: Apache-2.0
// Values typed for controls: what each kind accepts, what is refused, and the soft bounds.
#include "ControlValue.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Input Control(uint32_t kind, std::optional<double> lower = {}, std::optional<double> upper = {}) {
    Input in;
    in.Name = "Filter Size";
    in.DataType = TYPE_Number;
    in.ControlKind = kind;
    in.Lower = lower;
    in.Upper = upper;
    if (kind == KIND_Combo) in.Entries = {"Off", "Wide", "Tele"};
    return in;
}

struct Parsed {
    bool Ok;
    ControlValue Value;
    std::string Problem;
};

Parsed Parse(const Input& in, std::string_view text) {
    Parsed p{};
    p.Ok = ParseControlValue(in, text, p.Value, p.Problem);
    return p;
}

} // namespace

// Numbers are parsed whole; a combo box takes an entry's text in any case or any number, a
// check box a number or on/off (words are for check boxes only). Bounds are soft: a value
// past them is kept and only flagged.
TEST(ControlValue, EachKindTakesItsTextsAndFlagsValuesPastItsBounds) {
    const Input slider = Control(KIND_Slider, 0.0, 0.01), lowerOnly = Control(KIND_Slider, 1.0),
                combo = Control(KIND_Combo), check = Control(KIND_Check);
    const double refused = NAN;
    struct Case {
        const Input& In;
        const char* Text;
        double Value;
        bool InBounds;
    };
    const std::vector<Case> cases = {
        {slider, "0.004", 0.004, true},    {slider, " 1e-3 ", 0.001, true},
        {slider, "+2", 2.0, false},        {slider, "-7.5", -7.5, false},
        {slider, "0.01", 0.01, true},      {slider, "0", 0.0, true},
        {slider, "-0.001", -0.001, false}, {lowerOnly, "1000", 1000.0, true},
        {lowerOnly, "0.5", 0.5, false},    {combo, "Tele", 2.0, true},
        {combo, "wide", 1.0, true},        {combo, "0", 0.0, true},
        {combo, "Off", 0.0, true},         {combo, "4", 4.0, false},
        {check, "on", 1.0, true},          {check, "Off", 0.0, true},
        {check, "1", 1.0, true},           {check, "3", 3.0, false},
        {check, "maybe", refused, false},  {slider, "on", refused, false}};
    for (const Case& c : cases) {
        const Parsed p = Parse(c.In, c.Text);
        EXPECT_EQ(p.Ok, !std::isnan(c.Value)) << c.Text;
        if (!p.Ok) continue;
        EXPECT_EQ(p.Value.Number, c.Value) << c.Text;
        EXPECT_EQ(OutOfRange(c.In, p.Value).empty(), c.InBounds) << c.Text;
    }
}

TEST(ControlValue, RefusalsSayWhy) {
    for (const char* bad : {"", "abc", "0.5x", "1,5", "nan", "inf", "0x10", "- 1"}) {
        const Parsed p = Parse(Control(KIND_Slider, 0.0, 0.01), bad);
        EXPECT_FALSE(p.Ok) << bad;
        EXPECT_NE(p.Problem.find("number"), std::string::npos) << p.Problem;
    }
    const Parsed unknown = Parse(Control(KIND_Combo), "Fisheye");
    EXPECT_FALSE(unknown.Ok);
    EXPECT_NE(unknown.Problem.find("Fisheye"), std::string::npos);
    EXPECT_NE(unknown.Problem.find("Tele"), std::string::npos) << "the entries are listed";
}

TEST(ControlValue, AValuePastTheBoundsReachesTheControlUnchanged) {
    Input in = Control(KIND_Slider, 0.0, 0.01);
    const Parsed outside = Parse(in, "0.5");
    ASSERT_TRUE(outside.Ok);
    EXPECT_EQ(OutOfRange(in, outside.Value), "lies outside 0 to 0.01");
    ApplyControlValue(in, outside.Value);
    EXPECT_EQ(in.NumberValue.Value, 0.5);
}

TEST(ControlValue, PointsTakeXCommaY) {
    Input in;
    in.DataType = TYPE_Point;
    const Parsed p = Parse(in, "0.25, 0.75");
    ASSERT_TRUE(p.Ok);
    ApplyControlValue(in, p.Value);
    EXPECT_EQ(in.PointValue.X, 0.25);
    EXPECT_EQ(in.PointValue.Y, 0.75);
    EXPECT_EQ(CurrentValueText(in), "0.25,0.75");
    for (const char* bad : {"0.5", "0.5,", ",0.5", "a,b", "0.1,0.2,0.3"})
        EXPECT_FALSE(Parse(in, bad).Ok) << bad;
}
