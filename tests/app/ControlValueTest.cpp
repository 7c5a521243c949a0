// Values typed for controls: what each kind accepts, what is refused, and the soft bounds.
#include "ControlValue.h"

#include <gtest/gtest.h>

namespace {

Input Slider(double lower, double upper) {
    Input in;
    in.Name = "Filter Size";
    in.DataType = TYPE_Number;
    in.ControlKind = KIND_Slider;
    in.Lower = lower;
    in.Upper = upper;
    return in;
}

Input Combo() {
    Input in;
    in.Name = "Lens";
    in.DataType = TYPE_Number;
    in.ControlKind = KIND_Combo;
    in.Entries = {"Off", "Wide", "Tele"};
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

TEST(ControlValue, NumbersAreParsedWhole) {
    const Input in = Slider(0.0, 0.01);
    EXPECT_DOUBLE_EQ(Parse(in, "0.004").Value.Number, 0.004);
    EXPECT_DOUBLE_EQ(Parse(in, " 1e-3 ").Value.Number, 0.001);
    EXPECT_DOUBLE_EQ(Parse(in, "+2").Value.Number, 2.0);
    EXPECT_DOUBLE_EQ(Parse(in, "-7.5").Value.Number, -7.5);
    for (const char* bad : {"", "abc", "0.5x", "1,5", "nan", "inf", "0x10", "- 1"}) {
        const Parsed p = Parse(in, bad);
        EXPECT_FALSE(p.Ok) << bad;
        EXPECT_NE(p.Problem.find("number"), std::string::npos) << p.Problem;
    }
}

TEST(ControlValue, BoundsAreSoft) {
    Input in = Slider(0.0, 0.01);
    const Parsed outside = Parse(in, "0.5");
    ASSERT_TRUE(outside.Ok);
    EXPECT_EQ(OutOfRange(in, outside.Value), "lies outside 0 to 0.01");
    // The value reaches the control unchanged all the same.
    ApplyControlValue(in, outside.Value);
    EXPECT_EQ(in.NumberValue.Value, 0.5);
    EXPECT_EQ(OutOfRange(in, Parse(in, "0.01").Value), "");
    EXPECT_EQ(OutOfRange(in, Parse(in, "0").Value), "");
    EXPECT_NE(OutOfRange(in, Parse(in, "-0.001").Value), "");

    Input lowerOnly = Slider(1.0, 0.0);
    lowerOnly.Upper.reset();
    EXPECT_EQ(OutOfRange(lowerOnly, Parse(lowerOnly, "1000").Value), "");
    EXPECT_NE(OutOfRange(lowerOnly, Parse(lowerOnly, "0.5").Value), "");
}

TEST(ControlValue, ComboBoxesTakeEntryTextOrAnyNumber) {
    const Input in = Combo();
    EXPECT_EQ(Parse(in, "Tele").Value.Number, 2.0);
    EXPECT_EQ(Parse(in, "wide").Value.Number, 1.0);
    EXPECT_EQ(Parse(in, "0").Value.Number, 0.0);
    // An index past the entries reaches the tool, with a warning.
    const Parsed past = Parse(in, "4");
    ASSERT_TRUE(past.Ok);
    EXPECT_EQ(past.Value.Number, 4.0);
    EXPECT_NE(OutOfRange(in, past.Value), "");
    EXPECT_EQ(OutOfRange(in, Parse(in, "Off").Value), "");

    const Parsed unknown = Parse(in, "Fisheye");
    EXPECT_FALSE(unknown.Ok);
    EXPECT_NE(unknown.Problem.find("Fisheye"), std::string::npos);
    EXPECT_NE(unknown.Problem.find("Tele"), std::string::npos) << "the entries are listed";
}

TEST(ControlValue, CheckBoxesTakeNumbersOrOnOff) {
    Input in;
    in.DataType = TYPE_Number;
    in.ControlKind = KIND_Check;
    EXPECT_EQ(Parse(in, "on").Value.Number, 1.0);
    EXPECT_EQ(Parse(in, "Off").Value.Number, 0.0);
    EXPECT_EQ(Parse(in, "1").Value.Number, 1.0);
    EXPECT_NE(OutOfRange(in, Parse(in, "3").Value), "");
    EXPECT_FALSE(Parse(in, "maybe").Ok);
    // Words are for check boxes only.
    EXPECT_FALSE(Parse(Slider(0, 1), "on").Ok);
}

TEST(ControlValue, PointsTakeXCommaY) {
    Input in;
    in.DataType = TYPE_Point;
    const Parsed p = Parse(in, "0.25, 0.75");
    ASSERT_TRUE(p.Ok);
    EXPECT_EQ(p.Value.X, 0.25);
    EXPECT_EQ(p.Value.Y, 0.75);
    ApplyControlValue(in, p.Value);
    EXPECT_EQ(in.PointValue.X, 0.25);
    EXPECT_EQ(in.PointValue.Y, 0.75);
    EXPECT_EQ(CurrentValueText(in), "0.25,0.75");
    for (const char* bad : {"0.5", "0.5,", ",0.5", "a,b", "0.1,0.2,0.3"})
        EXPECT_FALSE(Parse(in, bad).Ok) << bad;
}
