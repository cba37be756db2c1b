#include "calibration/outputs/switching.h"

#include "outputs_fixture.h"

namespace vx42 {
namespace {

using SF = SwitchFunction;
using SP = SwitchPoint;
constexpr auto B = TextColour::Black;
constexpr auto R = TextColour::Red;

class SecondaryUse : public OutputFixture {};

TEST_F(SecondaryUse, CheckBoxAndAndOrStoreTheOneByte) {
    const int mode = Cal(1).SecondaryMode;
    // Ticking stores 1 ("And") even while the list shows "Or".
    image.SetByte(mode, 2);
    StoreUseSecondary(Out(1), true);
    ExpectWrites({{mode, {1}}});
    StoreUseSecondary(Out(1), false);
    ExpectWrites({{mode, {0}}});
    // "Or" with the box clear stores 2, which turns the secondary data on.
    StoreAndOr(Out(1), AndOr::Or);
    ExpectWrites({{mode, {2}}});
    EXPECT_TRUE(UseSecondaryShown(image.Byte(mode)));
    EXPECT_EQ(AndOrShown(image.Byte(mode)), AndOr::Or);
    StoreAndOr(Out(1), AndOr::And);
    EXPECT_EQ(AndOrShown(image.Byte(mode)), AndOr::And);
    // Any other value ticks the box and leaves the list as it is.
    EXPECT_TRUE(UseSecondaryShown(7));
    EXPECT_EQ(AndOrShown(7), std::nullopt);
    EXPECT_EQ(AndOrShown(0), std::nullopt);
}

// One-hot nibbles in list order, stored and written at the block's byte 8: choosing again
// replaces only that data's nibble; of several bits the first in list order wins, and none
// shows "Simple Off to On".
TEST(SwitchFunctions, NibblesAreOneHotInListOrder) {
    EXPECT_EQ((Bytes{WithSwitchFunction(0xF3, 0, SF::WindowSwitchOff),
                     WithSwitchFunction(0x3F, 1, SF::SimpleOffToOn)}),
              (Bytes{0x13, 0x38}));
    EXPECT_EQ((std::vector{SwitchFunctionOf(0x24, 0), SwitchFunctionOf(0x24, 1),
                           SwitchFunctionOf(0x30, 0), SwitchFunctionOf(0x05, 1),
                           SwitchFunctionOf(0x0F, 0), SwitchFunctionOf(0xF0, 1)}),
              (std::vector{SF::WindowSwitchOn, SF::SimpleOnToOff, SF::WindowSwitchOn,
                           SF::SimpleOnToOff, SF::SimpleOffToOn, SF::SimpleOffToOn}));
    EXPECT_TRUE(ShowsBPoints(SF::WindowSwitchOff) && !ShowsBPoints(SF::SimpleOnToOff));
}

class SwitchPoints : public OutputFixture {};

TEST_F(SwitchPoints, FunctionByteIsStoredAndWrittenAtBlockPlusEight) {
    StoreSwitchFunction(Out(1), 0, SF::WindowSwitchOn);
    StoreSwitchFunction(Out(1), 1, SF::SimpleOnToOff);
    const int at = Cal(1).PrimaryBlock + 8;
    ExpectWrites({{at, {0x20}}, {at, {0x24}}});
    EXPECT_EQ(SwitchFunctionShown(Scope(1), 0), SF::WindowSwitchOn);
}

TEST_F(SwitchPoints, PointsStoredInTheirBlocksRawOrThroughTheMessageScaling) {
    EXPECT_EQ(StoreSwitchPoint(Out(0), 0, SP::OffB, " 1234.9"), "1234");
    EXPECT_EQ(StoreSwitchPoint(Out(0), 1, SP::OnA, "70000"), "65535");
    EXPECT_EQ(StoreSwitchPoint(Out(0), 1, SP::OffA, "-3"), "0");
    ExpectWrites({{Cal().PrimaryBlock + 6, {0x04, 0xD2}},
                  {Cal().SecondaryBlock + 0, {0xFF, 0xFF}},
                  {Cal().SecondaryBlock + 2, {0x00, 0x00}}});
    // Formatted, through the message's scaling.
    SelectMessage(0, 0, 0.1, -40);
    EXPECT_EQ(StoreSwitchPoint(Out(0), 0, SP::OnA, "0"), "0.0");
    EXPECT_EQ(image.Word(Cal().PrimaryBlock), 400u);
    EXPECT_EQ(StoreSwitchPoint(Out(0), 0, SP::OffA, "12.35"), "12.3");  // raw 523.5 -> 523
    EXPECT_EQ(image.Word(Cal().PrimaryBlock + 2), 523u);
    // The secondary data has no message: raw values, but still "###0.0".
    EXPECT_EQ(StoreSwitchPoint(Out(0), 1, SP::OnA, "17"), "17.0");
}

TEST_F(SwitchPoints, OrderColoursBothBoxesOfAPair) {
    const auto colours = [&](std::array<std::string, 4> texts) {
        return SwitchPointColours(Scope(), 0, texts);
    };
    // Rising (and no function chosen): Off A <= On A, On B <= Off B.
    EXPECT_EQ(colours({"100", "50", "200", "300"}), (std::array{B, B, B, B}));
    EXPECT_EQ(colours({"50", "100", "300", "200"}), (std::array{R, R, R, R}));
    EXPECT_EQ(colours({"100", "100", "7", "7"}), (std::array{B, B, B, B}));
    // Outside the data range is red whatever the partner says.
    EXPECT_EQ(colours({"70000", "50", "-1", "300"}), (std::array{R, B, R, B}));

    // A falling function reverses the order, for its own data only.
    image.SetByte(Cal().PrimaryBlock + 8, WithSwitchFunction(0, 1, SF::WindowSwitchOff));
    EXPECT_EQ(colours({"100", "50", "200", "300"}), (std::array{B, B, B, B}));
    EXPECT_EQ(SwitchPointColours(Scope(), 1, {"100", "50", "200", "300"}),
              (std::array{R, R, R, R}));
    EXPECT_EQ(SwitchPointColours(Scope(), 1, {"50", "100", "300", "200"}),
              (std::array{B, B, B, B}));
}

TEST_F(SwitchPoints, RangeStartsFromTheFormattedDataRange) {
    SelectMessage(0, 0, 0.1, -40);  // -40 .. 6513.5
    DataRange r = SwitchPointRange(Scope(), 0, SP::OnA, -100);
    EXPECT_DOUBLE_EQ(r.minimum, -40);
    EXPECT_DOUBLE_EQ(r.maximum, 6513.5);
    r = SwitchPointRange(Scope(), 0, SP::OffA, 20);
    EXPECT_DOUBLE_EQ(r.minimum, -40);
    EXPECT_DOUBLE_EQ(r.maximum, 20);
    // A negative multiplier still gives a range lowest first.
    SelectMessage(0, 0, -1, 0);
    r = SwitchPointRange(Scope(), 0, SP::OffB, -100000);
    EXPECT_DOUBLE_EQ(r.minimum, -65535);
    EXPECT_DOUBLE_EQ(r.maximum, 0);
}

}  // namespace
}  // namespace vx42
