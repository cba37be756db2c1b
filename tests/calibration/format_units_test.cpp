#include <gtest/gtest.h>

#include "calibration/number_format.h"
#include "calibration/text_codec.h"
#include "calibration/units.h"
#include "calibration/value_format.h"

namespace vx42 {
namespace {

TEST(NumberFormat, PatternsRoundHalvesAwayFromZero) {
    EXPECT_EQ(FormatNumber(0, Pattern::Whole), "0");
    EXPECT_EQ(FormatNumber(2.5, Pattern::Whole), "3");
    EXPECT_EQ(FormatNumber(3.5, Pattern::Whole), "4");
    EXPECT_EQ(FormatNumber(-2.5, Pattern::Whole), "-3");
    EXPECT_EQ(FormatNumber(-0.4, Pattern::Whole), "0");
    EXPECT_EQ(FormatNumber(0.125, Pattern::TwoDecimals), "0.13");
    EXPECT_EQ(FormatNumber(2.675, Pattern::TwoDecimals), "2.67");  // 2.67499999... in binary
    EXPECT_EQ(FormatNumber(0.25, Pattern::OneDecimal), "0.3");
    EXPECT_EQ(FormatNumber(1e6 / 65535, Pattern::TwoDecimals), "15.26");
    EXPECT_EQ(FormatNumber(100, Pattern::TwoDecimals), "100.00");
    EXPECT_EQ(FormatNumber(12345.67, Pattern::Whole), "12346");
}

TEST(NumberFormat, GroupedPatternSeparatesThousandsAndBlanksZero) {
    EXPECT_EQ(FormatNumber(0, Pattern::Grouped), "");
    EXPECT_EQ(FormatNumber(16, Pattern::Grouped), "16");
    EXPECT_EQ(FormatNumber(2727, Pattern::Grouped), "2,727");
    EXPECT_EQ(FormatNumber(1234567, Pattern::Grouped), "1,234,567");
    EXPECT_EQ(FormatNumber(-1000, Pattern::Grouped), "-1,000");
    EXPECT_EQ(ShortestText(12), "12");
    EXPECT_EQ(ShortestText(6553.5), "6553.5");
}

TEST(TextCodec, EveryByteSurvivesARoundTrip) {
    std::vector<std::uint8_t> all(256);
    for (int i = 0; i < 256; ++i) all[i] = static_cast<std::uint8_t>(i);
    EXPECT_EQ(ToWin1252(FromWin1252(all)), all);
    const std::vector<std::uint8_t> euro = {0x80};
    EXPECT_EQ(FromWin1252(euro), "€");
}

TEST(TextCodec, UnmappableCharactersBecomeQuestionMarks) {
    EXPECT_EQ(ToWin1252("N·m °"), (std::vector<std::uint8_t>{'N', 0xB7, 'm', ' ', 0xB0}));
    EXPECT_EQ(ToWin1252("Ω"), (std::vector<std::uint8_t>{'?'}));
    EXPECT_EQ(ToWin1252("\xC3"), (std::vector<std::uint8_t>{'?'}));  // cut short
    EXPECT_EQ(ToWin1252("a\xFF"
                        "b"),
              (std::vector<std::uint8_t>{'a', '?', 'b'}));
}

TEST(TextCodec, FieldsAreCutAfterConversionAndPaddedWithBlanks) {
    // Four two-byte UTF-8 characters fit a field of four bytes whole.
    EXPECT_EQ(ToFixedField("ÄÖÜß", 4), (std::vector<std::uint8_t>{0xC4, 0xD6, 0xDC, 0xDF}));
    EXPECT_EQ(ToFixedField("ab", 4), (std::vector<std::uint8_t>{'a', 'b', ' ', ' '}));
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

class ValueFormatTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ctx.data[0] = {true, 0.1, -40, "None"};
        image.SetByte(CalAddresses().ShowFormatted[1], 1);
    }
    CalImage image;
    FormatContext ctx;
};

TEST_F(ValueFormatTest, FormattedValuesScaleAndInvert) {
    EXPECT_EQ(GetFormatedCalVal(400, image, 1, 0, ctx), "0");
    EXPECT_DOUBLE_EQ(SetFormatedValueToWrite(0, image, 1, 0, ctx), 400);
    EXPECT_EQ(SetFormatedValueToWrite(-50, image, 1, 0, ctx), 0);  // clamped
    EXPECT_EQ(SetFormatedValueToWrite(1e9, image, 1, 0, ctx), 65535);
    const DataRange r = GetDataRange(image, 1, 0, ctx);
    EXPECT_DOUBLE_EQ(r.minimum, -40);
    EXPECT_NEAR(r.maximum, 6513.5, 1e-9);
}

TEST_F(ValueFormatTest, RawWhenNotShownFormattedOrNoMessage) {
    EXPECT_EQ(GetFormatedCalVal(400, image, 0, 0, ctx), "400");  // output 1 shows raw
    EXPECT_EQ(GetFormatedCalVal(400, image, 1, 1, ctx), "400");  // secondary has no message
    EXPECT_EQ(SetFormatedValueToWrite(70000, image, 0, 0, ctx), 65535);
    const DataRange r = GetDataRange(image, 0, 0, ctx);
    EXPECT_EQ(r.minimum, 0);
    EXPECT_EQ(r.maximum, 65535);
}

TEST_F(ValueFormatTest, UnitsApplyAfterScaling) {
    ctx.data[0] = {true, 1, -40, "°C"};
    EXPECT_EQ(GetFormatedCalVal(140, image, 1, 0, ctx), "212");  // 100 °C shown in °F
    EXPECT_DOUBLE_EQ(SetFormatedValueToWrite(212, image, 1, 0, ctx), 140);
}

TEST_F(ValueFormatTest, AZeroMultiplierNeverYieldsNotANumber) {
    ctx.data[0] = {true, 0, 0, ""};
    EXPECT_EQ(SetFormatedValueToWrite(0, image, 1, 0, ctx), 0);
    EXPECT_EQ(SetFormatedValueToWrite(5, image, 1, 0, ctx), 65535);
}

}  // namespace
}  // namespace vx42
