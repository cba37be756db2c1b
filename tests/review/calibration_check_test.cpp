#include "review/calibration_check.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
// Each of these sets one setting of the demonstration relative to another by `delta`, or
// chooses by it between a value that breaks a rule and one that keeps it.
// Data breakpoint 6 of output 1's analog table relative to breakpoint 5.
void SixthBreakpoint(CalImage& image, int delta) {
    Relative(image, Cell(image, 0, TableGrid::Analog, 0, 6),
             Cell(image, 0, TableGrid::Analog, 0, 5), delta);
}
void FourthBatteryRow(CalImage& image, int delta) {
    Relative(image, Cell(image, 0, TableGrid::Analog, 4, 0),
             Cell(image, 0, TableGrid::Analog, 3, 0), delta);
}
void DutyCell(CalImage& image, int delta) {
    Relative(image, Cell(image, 0, TableGrid::Analog, 3, 7), Cal(0).Period, delta);
}
// Output 4's "CAN Data Min" relative to its "CAN Data Max".
void VoltageDataMin(CalImage& image, int delta) {
    Relative(image, Cal(3).PrimaryBlock, Cal(3).PrimaryBlock + 2, delta);
}
// Output 2 rises: Off A must not be above On A.
void OffA(CalImage& image, int delta) {
    Relative(image, Cal(1).PrimaryBlock + 2, Cal(1).PrimaryBlock, delta);
}
// Output 3's message renamed away from the library's name, or named as there.
void MessageNamed(CalImage& image, int asInTheLibrary) {
    const int slot = image.Byte(Cal(2).DataSource[0].MessageSlot) - 1;
    image.StoreText(CalAddresses().MessageDefSlot[slot].MessageName, width::MessageName,
                    asInTheLibrary ? "Engine Speed" : "Wheel Speed (renamed)");
}
// Output 1 uses its secondary data; the secondary source names output 1's primary slot or none.
void UseSecondary(CalImage& image, int withMessage) {
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
void Timeout(CalImage& image, int timeout) {
    TimeoutOf(image, 50, static_cast<unsigned>(timeout));
}
void FourBitFuel(CalImage& image, int data) {
    image.SetByte(Cal(0).DataSource[0].BitLength, 4);
    TimeoutOf(image, static_cast<std::uint8_t>(data), 2000);
}
// Output 3 turned off, keeping its message or not.
void Off(CalImage& image, int keepMessage) {
    image.SetByte(Cal(2).FunctionFlags, 0x01);
    if (!keepMessage) image.SetByte(Cal(2).DataSource[0].MessageSlot, 0);
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
    FindingPlace place;  // where the window puts the focus
    void (*set)(CalImage&, int);
    int breaks, keeps;  // what `set` is given to break the rule, and to keep it
};

TEST(CalibrationCheck, EachRuleFindsWhatBreaksItAndNothingJustShortOfThat) {
    const LibrarySet libraries = ExampleLibraries();
    using enum Severity;
    const RuleCase cases[] = {
        {check_rule::BreakpointOrder, Error, 0, {"mshAnalogTable", 0, 6}, SixthBreakpoint, 0, 1},
        {check_rule::BatteryOrder, Error, 0, {"mshAnalogTable", 4, 0}, FourthBatteryRow, -1, 1},
        {check_rule::DutyAbovePeriod, Error, 0, {"mshAnalogTable", 3, 7}, DutyCell, 1, 0},
        {check_rule::VoltageDataOrder, Error, 3, {"txtVoltOutData_0"}, VoltageDataMin, 0, -1},
        {check_rule::SwitchPointOrder, Error, 1, {"txtOnA_0"}, OffA, 1, 0},
        {check_rule::UnknownMessage, Warning, 2, {"cmbMessage_0"}, MessageNamed, 0, 1},
        {check_rule::SecondaryWithoutMessage, Error, 0, {"cmbMessage_1"}, UseSecondary, 0, 1},
        {check_rule::TimeoutZero, Warning, 0, {"txtTimoutTimer_0"}, Timeout, 0, 1},
        {check_rule::TimeoutDataRange, Warning, 0, {"txtDataOnTimeout_0"}, FourBitFuel, 16, 15},
        {check_rule::OffWithMessages, Warning, 2, {"optType_0"}, Off, 1, 0},
    };
    const CalImage demo = test::DemoCalibration();
    ASSERT_EQ(Lines(CheckCalibration(demo, &libraries, {})), "");
    for (const RuleCase& c : cases) {
        SCOPED_TRACE(c.rule);
        CalImage broken = demo;
        c.set(broken, c.breaks);
        const auto found = CheckCalibration(broken, &libraries, {});
        ASSERT_EQ(found.size(), 1u) << Lines(found);
        EXPECT_EQ(std::tuple(found[0].rule, found[0].severity, found[0].output, found[0].place),
                  std::tuple(c.rule, c.severity, c.output, c.place))
            << found[0].message;
        EXPECT_THAT(found[0].message,
                    ::testing::StartsWith("Output " + std::to_string(c.output + 1) + " ("));
        CalImage kept = demo;
        c.set(kept, c.keeps);
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

}  // namespace
}  // namespace vx42
