#include <gtest/gtest.h>

#include "calibration/number_format.h"
#include "calibration/text_codec.h"
#include "calibration/units.h"
#include "calibration/value_format.h"

namespace vx42 {
namespace {

using P = Pattern;
using Win1252 = std::vector<std::uint8_t>;

// Halves round away from zero (2.675 is 2.67499999... in binary); the grouped pattern
// separates thousands and blanks a zero.
TEST(NumberFormat, EachPatternsText) {
    const std::pair<Pattern, std::vector<std::pair<double, const char*>>> rows[] = {
        {P::Whole,
         {{0, "0"}, {2.5, "3"}, {3.5, "4"}, {-2.5, "-3"}, {-0.4, "0"}, {12345.67, "12346"}}},
        {P::OneDecimal, {{0.25, "0.3"}}},
        {P::TwoDecimals,
         {{0.125, "0.13"}, {2.675, "2.67"}, {1e6 / 65535, "15.26"}, {100, "100.00"}}},
        {P::Grouped,
         {{0, ""}, {16, "16"}, {2727, "2,727"}, {1234567, "1,234,567"}, {-1000, "-1,000"}}},
    };
    for (const auto& [pattern, cases] : rows)
        for (const auto& [value, text] : cases)
            EXPECT_EQ(FormatNumber(value, pattern), text)
                << value << " as pattern " << int(pattern);
}

TEST(TextCodec, EveryByteRoundTripsAndWhatHasNoByteBecomesAQuestionMark) {
    Win1252 all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(ToWin1252(FromWin1252(all)), all);
    EXPECT_EQ(FromWin1252(Win1252{0x80}), "€");
    EXPECT_EQ(ToWin1252("N·m °"), (Win1252{'N', 0xB7, 'm', ' ', 0xB0}));
    EXPECT_EQ(ToWin1252("Ω"), Win1252{'?'});
    EXPECT_EQ(ToWin1252("\xC3"), Win1252{'?'});  // cut short
    EXPECT_EQ(ToWin1252("a\xFF"
                        "b"),
              (Win1252{'a', '?', 'b'}));
    // Fields are cut after the conversion: four two-byte UTF-8 characters fit four bytes.
    EXPECT_EQ(ToFixedField("ÄÖÜß", 4), (Win1252{0xC4, 0xD6, 0xDC, 0xDF}));
    EXPECT_EQ(ToFixedField("ab", 4), (Win1252{'a', 'b', ' ', ' '}));
    EXPECT_EQ(FromFixedField(ToFixedField("  x y ", 10)), "x y");
}

TEST(Units, ConvertWithTheExactFactors) {
    UnitFlags standard;
    EXPECT_DOUBLE_EQ(ToDisplayUnits(100, "°C", standard), 212);
    EXPECT_EQ(DisplayUnitLabel("°C", standard), "°F");
    EXPECT_DOUBLE_EQ(FromDisplayUnits(212, "°C", standard), 100);
    EXPECT_DOUBLE_EQ(ToDisplayUnits(1, "g/sec", standard), 7.93664144);
    EXPECT_EQ(DisplayUnitLabel("g/sec", standard), "lbs/hr");
    EXPECT_DOUBLE_EQ(ToDisplayUnits(1, " N·m ", standard), 0.737562);  // trimmed first
    EXPECT_DOUBLE_EQ(FromDisplayUnits(1, "l", standard), 3.78541);

    UnitFlags metric = UnitFlags::AllMetric();
    EXPECT_DOUBLE_EQ(ToDisplayUnits(60, "MPH", metric), 60 / 0.621371192);
    EXPECT_EQ(DisplayUnitLabel("MPH", metric), "KPH");
    EXPECT_DOUBLE_EQ(FromDisplayUnits(60 / 0.621371192, "MPH", metric), 60);
    EXPECT_DOUBLE_EQ(ToDisplayUnits(1, "PSI", metric), 6.89475729316836);
    EXPECT_DOUBLE_EQ(ToDisplayUnits(100, "°C", metric), 100);  // already the display unit

    for (const auto* unit : {"RPM", "%", "None", "volts"}) {
        EXPECT_EQ(ToDisplayUnits(42, unit, standard), 42);
        EXPECT_EQ(ToDisplayUnits(42, unit, metric), 42);
        EXPECT_EQ(DisplayUnitLabel(unit, metric), unit);
    }
}

// Output 2 shown formatted, its primary data a message scaled by 0.1 from -40.
class ValueFormatTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ctx.data[0] = {true, 0.1, -40, "None"};
        image.SetByte(CalAddresses().ShowFormatted[1], 1);
    }
    CalImage image;
    FormatContext ctx;
};

TEST_F(ValueFormatTest, FormattedValuesScaleInvertAndClamp) {
    EXPECT_EQ(GetFormatedCalVal(400, image, 1, 0, ctx), "0");
    EXPECT_DOUBLE_EQ(SetFormatedValueToWrite(0, image, 1, 0, ctx), 400);
    EXPECT_EQ(SetFormatedValueToWrite(-50, image, 1, 0, ctx), 0);  // clamped
    EXPECT_EQ(SetFormatedValueToWrite(1e9, image, 1, 0, ctx), 65535);
    const DataRange r = GetDataRange(image, 1, 0, ctx);
    EXPECT_DOUBLE_EQ(r.minimum, -40);
    EXPECT_NEAR(r.maximum, 6513.5, 1e-9);
    // Units apply after the scaling: 100 °C shown in °F.
    ctx.data[0] = {true, 1, -40, "°C"};
    EXPECT_EQ(GetFormatedCalVal(140, image, 1, 0, ctx), "212");
    EXPECT_DOUBLE_EQ(SetFormatedValueToWrite(212, image, 1, 0, ctx), 140);
    // A zero multiplier never yields not-a-number.
    ctx.data[0] = {true, 0, 0, ""};
    EXPECT_EQ(SetFormatedValueToWrite(0, image, 1, 0, ctx), 0);
    EXPECT_EQ(SetFormatedValueToWrite(5, image, 1, 0, ctx), 65535);
}

TEST_F(ValueFormatTest, RawWhenNotShownFormattedOrNoMessage) {
    EXPECT_EQ(GetFormatedCalVal(400, image, 0, 0, ctx), "400");  // output 1 shows raw
    EXPECT_EQ(GetFormatedCalVal(400, image, 1, 1, ctx), "400");  // secondary has no message
    EXPECT_EQ(SetFormatedValueToWrite(70000, image, 0, 0, ctx), 65535);
    const DataRange r = GetDataRange(image, 0, 0, ctx);
    EXPECT_EQ(std::tuple(r.minimum, r.maximum), std::tuple(0, 65535));
}

}  // namespace
}  // namespace vx42
