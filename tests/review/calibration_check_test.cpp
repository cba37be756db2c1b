#include "review/calibration_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "calibration/outputs/output_function.h"
#include "calibration/outputs/output_settings.h"
#include "calibration/outputs/output_tables.h"
#include "calibration/outputs/switching.h"
#include "can/library_json.h"
#include "support/demo_calibration.h"

namespace vx42 {
namespace {

// The demonstration calibration: a fuel gauge (output 1), a fan relay on coolant temperature
// (2), a speedometer (3) and a tachometer voltage output (4), from this example library.
LibrarySet ExampleLibraries() {
    LibrarySet set;
    set.MessageLibraries.push_back(
        ReadLibraryJsonFile(std::string(VX42_SOURCE_DIR) + "/data/libraries/SAE_J1939.json"));
    return set;
}

const auto& Cal(int output) {
    return CalAddresses().OutputCal[output];
}
int Cell(CalImage& image, int output, TableGrid grid, int row, int col) {
    const FormatContext raw;
    return *CellAddress({image, raw, output}, grid, row, col);
}
// The word at `at` set relative to the word at `from`.
void Relative(CalImage& image, int at, int from, int delta) {
    image.StoreWord(at, static_cast<unsigned>(static_cast<int>(image.Word(from)) + delta));
}
// Data breakpoint k (1-based) of output 1's analog table set relative to the one before it.
void AnalogBreakpoint(CalImage& image, int k, int fromPrevious) {
    Relative(image, Cell(image, 0, TableGrid::Analog, 0, k),
             Cell(image, 0, TableGrid::Analog, 0, k - 1), fromPrevious);
}
void BatteryRow(CalImage& image, int row, int fromPrevious) {
    Relative(image, Cell(image, 0, TableGrid::Analog, row, 0),
             Cell(image, 0, TableGrid::Analog, row - 1, 0), fromPrevious);
}
void DutyCell(CalImage& image, int fromPeriod) {
    Relative(image, Cell(image, 0, TableGrid::Analog, 3, 7), Cal(0).Period, fromPeriod);
}
// Output 4's "CAN Data Min" relative to its "CAN Data Max".
void VoltageDataMin(CalImage& image, int fromMax) {
    Relative(image, Cal(3).PrimaryBlock, Cal(3).PrimaryBlock + 2, fromMax);
}
// Output 2 rises: Off A must not be above On A.
void OffA(CalImage& image, int fromOnA) {
    Relative(image, Cal(1).PrimaryBlock + 2, Cal(1).PrimaryBlock, fromOnA);
}
void MessageName(CalImage& image, int output, const std::string& name) {
    const int slot = image.Byte(Cal(output).DataSource[0].MessageSlot) - 1;
    image.StoreText(CalAddresses().MessageDefSlot[slot].MessageName, width::MessageName, name);
}
// Output 1 uses its secondary data; the secondary source names output 1's primary slot or none.
void UseSecondary(CalImage& image, bool withMessage) {
    image.SetByte(Cal(0).SecondaryMode, 1);
    image.SetByte(Cal(0).DataSource[1].MessageSlot, withMessage ? 1 : 2);
}
// Output 1's primary data on timeout (a byte: the fuel level is 8 bits) and timeout.
void TimeoutOf(CalImage& image, std::uint8_t data, unsigned timeout) {
    const FormatContext raw;
    const auto place = TimeoutDataPlaceOf({image, raw, 0}, 0);
    image.SetByte(place->address, data);
    image.StoreWord(CalAddresses().MessageSlot[0].Timeout, timeout);
}
void FourBitFuel(CalImage& image, std::uint8_t data) {
    image.SetByte(Cal(0).DataSource[0].BitLength, 4);
    TimeoutOf(image, data, 2000);
}
void Off(CalImage& image, int output, bool keepMessage) {
    image.SetByte(Cal(output).FunctionFlags, 0x01);
    if (!keepMessage) image.SetByte(Cal(output).DataSource[0].MessageSlot, 0);
}

std::string Lines(const std::vector<Finding>& findings) {
    std::string text;
    for (const Finding& f : findings) text += FindingLine(f) + "\n";
    return text;
}

struct RuleCase {
    const char* rule;
    Severity severity;
    int output;
    std::string control;  // where the window puts the focus
    std::function<void(CalImage&)> breaks, keeps;
};

TEST(CalibrationCheck, EachRuleFindsWhatBreaksItAndNothingJustShortOfThat) {
    const LibrarySet libraries = ExampleLibraries();
    const std::vector<RuleCase> cases = {
        {check_rule::BreakpointOrder, Severity::Error, 0, "mshAnalogTable",
         [](CalImage& c) { AnalogBreakpoint(c, 6, 0); },
         [](CalImage& c) { AnalogBreakpoint(c, 6, 1); }},
        {check_rule::BatteryOrder, Severity::Error, 0, "mshAnalogTable",
         [](CalImage& c) { BatteryRow(c, 4, -1); }, [](CalImage& c) { BatteryRow(c, 4, 1); }},
        {check_rule::DutyAbovePeriod, Severity::Error, 0, "mshAnalogTable",
         [](CalImage& c) { DutyCell(c, 1); }, [](CalImage& c) { DutyCell(c, 0); }},
        {check_rule::VoltageDataOrder, Severity::Error, 3, "txtVoltOutData_0",
         [](CalImage& c) { VoltageDataMin(c, 0); }, [](CalImage& c) { VoltageDataMin(c, -1); }},
        {check_rule::SwitchPointOrder, Severity::Error, 1, "txtOnA_0",
         [](CalImage& c) { OffA(c, 1); }, [](CalImage& c) { OffA(c, 0); }},
        {check_rule::UnknownMessage, Severity::Warning, 2, "cmbMessage_0",
         [](CalImage& c) { MessageName(c, 2, "Wheel Speed (renamed)"); },
         [](CalImage& c) { MessageName(c, 2, "Engine Speed"); }},
        {check_rule::SecondaryWithoutMessage, Severity::Error, 0, "cmbMessage_1",
         [](CalImage& c) { UseSecondary(c, false); }, [](CalImage& c) { UseSecondary(c, true); }},
        {check_rule::TimeoutZero, Severity::Warning, 0, "txtTimoutTimer_0",
         [](CalImage& c) { TimeoutOf(c, 50, 0); }, [](CalImage& c) { TimeoutOf(c, 50, 1); }},
        {check_rule::TimeoutDataRange, Severity::Warning, 0, "txtDataOnTimeout_0",
         [](CalImage& c) { FourBitFuel(c, 16); }, [](CalImage& c) { FourBitFuel(c, 15); }},
        {check_rule::OffWithMessages, Severity::Warning, 2, "optType_0",
         [](CalImage& c) { Off(c, 2, true); }, [](CalImage& c) { Off(c, 2, false); }},
    };
    const CalImage demo = test::DemoCalibration();
    ASSERT_EQ(Lines(CheckCalibration(demo, &libraries, {})), "");
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.rule);
        CalImage broken = demo;
        c.breaks(broken);
        const auto found = CheckCalibration(broken, &libraries, {});
        ASSERT_EQ(found.size(), 1u) << Lines(found);
        EXPECT_EQ(
            std::tuple(found[0].rule, found[0].severity, found[0].output, found[0].place.control),
            std::tuple(c.rule, c.severity, c.output, c.control))
            << found[0].message;
        EXPECT_THAT(found[0].message,
                    ::testing::StartsWith("Output " + std::to_string(c.output + 1) + " ("));
        CalImage kept = demo;
        c.keeps(kept);
        EXPECT_EQ(Lines(CheckCalibration(kept, &libraries, {})), "");
    }
}

TEST(CalibrationCheck, MessagesNameTheSettingInDisplayUnits) {
    CalImage image = test::DemoCalibration();
    // The fan relay's Off A above its On A; the tachometer's breakpoints 8000 rpm and 7000 rpm.
    OffA(image, 5);
    image.StoreWord(Cal(3).PrimaryBlock, 64000);
    const auto found = CheckCalibration(image, nullptr, UnitFlags::AllMetric());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].message,
              "Output 2 (Coolant Fan), primary CAN data, switch point On A: On A (95.0 °C) and "
              "Off A (100.0 °C) contradict \"Simple Off to On\": Off A must not be above On A.");
    EXPECT_EQ(found[1].message,
              "Output 4 (Tach Voltage), CAN Data Min: 8000 RPM is not below CAN Data Max "
              "(7000 RPM).");
    EXPECT_TRUE(HasErrors(found));
}

TEST(CalibrationCheck, ReversedBreakpointsAndAnOverfullDutyAreErrorsAtTheirCells) {
    const auto found = CheckCalibration(test::DamagedDemo(2, 5), nullptr, {});
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(std::tuple(found[0].rule, found[0].place, found[1].rule, found[1].place),
              std::tuple(check_rule::BreakpointOrder, FindingPlace{"mshAnalogTable", 0, 2},
                         check_rule::DutyAbovePeriod, FindingPlace{"mshAnalogTable", 2, 5}));
    EXPECT_THAT(found[1].message, ::testing::HasSubstr("150.0 %"));
}

}  // namespace
}  // namespace vx42
