#include "calibration/outputs/output_function.h"
#include "calibration/outputs/output_tables.h"
#include "calibration/outputs/relay_drive.h"
#include "outputs_fixture.h"

namespace vx42 {
namespace {

using F = OutputFunction;

// Bits five, two, one and zero read in that order; the drive bits and bit 7 are no function.
TEST(OutputFunction, ReadsAndChoosesTheFunctionsBits) {
    EXPECT_EQ((std::vector{FunctionOf(0x27, 0), FunctionOf(0x07, 0), FunctionOf(0x03, 0x00),
                           FunctionOf(0x03, 0x01), FunctionOf(0x01, 0x01), FunctionOf(0x98, 0x01)}),
              (std::vector{F::SpeedoTach, F::RelayControl, F::AnalogGauge, F::VoltageOut, F::Off,
                           F::Off}));
    using FF = FunctionFrame;
    EXPECT_EQ((std::vector{FrameOf(0x27, 0), FrameOf(0x06, 0), FrameOf(0x02, 1), FrameOf(0x02, 0),
                           FrameOf(0x01, 0)}),
              (std::vector{FF::FreqTable, FF::Relay, FF::VoltageOut, FF::Table, FF::None}));
    // Choosing keeps every other bit of both bytes.
    const FunctionBytes start{0xDF, 0xFE};  // every function bit set, drive bits and bit 7 too
    EXPECT_EQ((std::vector{WithFunction(start, F::Off), WithFunction(start, F::VoltageOut),
                           WithFunction({0xDF, 0xFF}, F::AnalogGauge),
                           WithFunction({0xDF, 0xFF}, F::RelayControl),
                           WithFunction(start, F::SpeedoTach)}),
              (std::vector<FunctionBytes>{
                  {0xD9, 0xFE}, {0xDA, 0xFF}, {0xDA, 0xFE}, {0xDC, 0xFF}, {0xF8, 0xFE}}));
    for (int f = 0; f < 5; ++f) {
        const auto fn = static_cast<F>(f);
        const FunctionBytes b = WithFunction({0x00, 0x00}, fn);
        EXPECT_EQ(FunctionOf(b.functionFlags, b.outputOptions), fn) << kFunctionCaptions[f];
    }
}

TEST(OutputFunction, CaptionsFollowTheFunction) {
    EXPECT_EQ(UseSecondaryCaption(0x04), "Use primary and secondary data");
    EXPECT_EQ(UseSecondaryCaption(0x02), "Use secondary data on timeout");
    // Bit 5 before bit 2.
    EXPECT_EQ((std::vector<std::string>{PeriodRuleOf(0x24).label, PeriodRuleOf(0x04).label,
                                        PeriodRuleOf(0x02).label, PeriodRuleOf(0x01).label}),
              (std::vector<std::string>{"Duty Cycle (%)", "Time Delay (ms)", "Frequency (hz)",
                                        "Frequency (hz)"}));
}

using SelectFunctionTest = OutputFixture;

TEST_F(SelectFunctionTest, StoresFunctionThenOptionsEachWritten) {
    const int options = CalAddresses().OutputOptions[2];
    image.SetByte(Cal(2).FunctionFlags, 0x98);
    SelectFunction(Out(2), F::VoltageOut);
    EXPECT_TRUE(changed);
    ExpectWrites({{Cal(2).FunctionFlags, {0x9A}}, {options, {0x01}}});

    // Relay mode forces "Relay Control" by the same store.
    SelectFunction(Out(2), F::RelayControl);
    ExpectWrites({{Cal(2).FunctionFlags, {0x9C}}, {options, {0x01}}});
}

TEST_F(SelectFunctionTest, DefaultBatteriesOnlyForAGaugeWithOptionsBitOne) {
    const int options = CalAddresses().OutputOptions[1];
    image.SetByte(options, 0x02);
    SelectFunction(Out(1), F::RelayControl);
    EXPECT_EQ(sink.writes.size(), 2u);  // no gauge: no defaults
    sink.writes.clear();

    SelectFunction(Out(1), F::AnalogGauge);
    ASSERT_EQ(sink.writes.size(), 8u);
    const double volts[] = {7.99, 9.98, 11.98, 14.01, 16.01, 18.01};  // the default batteries
    for (int k = 0; k < 6; ++k) {
        const int at = Cal(1).SecondaryBlock + 2 * k;
        EXPECT_EQ(image.Word(at), VoltsToRaw(volts[k]));
        EXPECT_EQ(sink.writes[2 + k], (std::pair(at, Bytes{image.Byte(at), image.Byte(at + 1)})));
    }
}

// ---- Relay drive.

using D = Drive;

TEST(RelayDrive, StatesReadFromBitsThreeFourSix) {
    const std::pair<std::uint8_t, DriveStates> cases[] = {
        {0x00, {D::Open, D::Open}},      {0x08, {D::Open, D::Voltage}},
        {0x10, {D::Ground, D::Open}},    {0x18, {D::Ground, D::Voltage}},
        {0x48, {D::Voltage, D::Open}},   {0x50, {D::Open, D::Ground}},
        {0x58, {D::Voltage, D::Ground}}, {0xA7, {D::Open, D::Open}},  // no drive bits
    };
    for (const auto& [bits, states] : cases) EXPECT_EQ(DriveStatesOf(bits), states) << int(bits);
}

struct ClickRow {
    D chosen;
    D other;             // the other group's state on the screen
    std::uint8_t start;  // a stored byte showing that state (relay bit 2 and bit 7 set)
    std::uint8_t expected;
    D resultingOther;
};

// Each row: the click gives the expected byte, which shows the chosen state and the
// resulting other state.
template <std::size_t N>
void CheckClicks(const ClickRow (&rows)[N], bool clickOn) {
    for (const auto& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << (clickOn ? "On " : "Off ") << kDriveCaptions[int(r.chosen)] << ", other "
                     << kDriveCaptions[int(r.other)]);
        const DriveStates before = DriveStatesOf(r.start);
        ASSERT_EQ(clickOn ? before.off : before.on, r.other);
        const std::uint8_t b =
            clickOn ? ClickOn(r.start, r.chosen, r.other) : ClickOff(r.start, r.chosen, r.other);
        EXPECT_EQ(b, r.expected);
        const DriveStates after = clickOn ? DriveStates{r.resultingOther, r.chosen}
                                          : DriveStates{r.chosen, r.resultingOther};
        EXPECT_EQ(DriveStatesOf(b), after);
    }
}

TEST(RelayDrive, EveryRowOfTheOffAndOnTables) {
    const ClickRow off[] = {
        {D::Voltage, D::Voltage, 0x8C, 0xDC, D::Ground},
        {D::Voltage, D::Ground, 0xD4, 0xDC, D::Ground},
        {D::Voltage, D::Open, 0x84, 0xCC, D::Open},
        {D::Ground, D::Voltage, 0x8C, 0x9C, D::Voltage},
        {D::Ground, D::Ground, 0xD4, 0x94, D::Open},
        {D::Ground, D::Open, 0x84, 0x94, D::Open},
        {D::Open, D::Voltage, 0x9C, 0x8C, D::Voltage},
        {D::Open, D::Ground, 0xDC, 0xD4, D::Ground},
        {D::Open, D::Open, 0x84, 0x8C, D::Voltage},  // bit 3 set, 4 and 6 clear
    };
    CheckClicks(off, /*clickOn=*/false);
    const ClickRow on[] = {
        {D::Voltage, D::Voltage, 0xCC, 0x9C, D::Ground},
        {D::Voltage, D::Ground, 0x94, 0x9C, D::Ground},
        {D::Voltage, D::Open, 0x84, 0x8C, D::Open},
        {D::Ground, D::Voltage, 0xCC, 0xDC, D::Voltage},
        {D::Ground, D::Ground, 0x94, 0xD4, D::Open},  // bits 4 and 6 set, bit 3 clear
        {D::Ground, D::Open, 0x84, 0xD4, D::Open},
        {D::Open, D::Voltage, 0xDC, 0xCC, D::Voltage},
        {D::Open, D::Ground, 0x9C, 0x94, D::Ground},
        {D::Open, D::Open, 0x84, 0xCC, D::Voltage},
    };
    CheckClicks(on, /*clickOn=*/true);
}

using RelayDriveStore = OutputFixture;

TEST_F(RelayDriveStore, ClickStoresAndWritesTheFunctionByte) {
    image.SetByte(Cal(3).FunctionFlags, 0x84);
    EXPECT_EQ(StoreDriveOff(Out(3), D::Open, D::Open), (DriveStates{D::Open, D::Voltage}));
    ExpectWrites({{Cal(3).FunctionFlags, {0x8C}}});
    EXPECT_EQ(StoreDriveOn(Out(3), D::Ground, D::Open), (DriveStates{D::Open, D::Ground}));
    ExpectWrites({{Cal(3).FunctionFlags, {0xD4}}});
    EXPECT_TRUE(changed);
}

}  // namespace
}  // namespace vx42
