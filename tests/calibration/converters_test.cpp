#include "calibration/converters.h"

#include <gtest/gtest.h>

namespace vx42 {
namespace {

TEST(Converters, ByteSplitsClampAndDropFractions) {
    // Clamped at 65535 and 0, the fraction dropped.
    EXPECT_EQ((Bytes{HighByte(70000), LowByte(70000), HighByte(-5), LowByte(-5), HighByte(300.9),
                     LowByte(300.9), PercentHighByte(40, 10000), PercentLowByte(40, 10000),
                     PercentHighByte(200, 60000)}),
              (Bytes{0xFF, 0xFF, 0, 0, 0x01, 0x2C, 0x0F, 0xA0, 0xFF}));
    EXPECT_EQ(MakeWord(0x09, 0xC4), 2500u);
    EXPECT_DOUBLE_EQ(WordTenths(0x04, 0xD2), 123.4);
    EXPECT_DOUBLE_EQ(WordPercentOfPeriod(0x09, 0xC4, 5000), 50.0);
}

TEST(Converters, VoltsRoundHalvesToEven) {
    EXPECT_EQ((Bytes{VoltsHighByte(14.01), VoltsLowByte(14.01)}), (Bytes{0x04, 0x13}));
    EXPECT_NEAR(WordVolts(0x04, 0x13), 14.005127, 1e-6);
    // 0.5 / 4096 * 55 and 1.5 / 4096 * 55 lie exactly on halves of a raw step.
    EXPECT_EQ((std::vector{VoltsToRaw(14.01), VoltsToRaw(0.5 * 55 / 4096),
                           VoltsToRaw(1.5 * 55 / 4096), VoltsToRaw(2.5 * 55 / 4096)}),
              (std::vector{1043u, 0u, 2u, 2u}));
}

TEST(Converters, HexAndLittleEndianNumbers) {
    EXPECT_EQ(HexToBytes("1A3", 4), (Bytes{0x00, 0x00, 0x01, 0xA3}));
    EXPECT_EQ(HexToBytes("c7fde200", 4), (Bytes{0xC7, 0xFD, 0xE2, 0x00}));
    EXPECT_EQ(HexToBytes("123456", 2), (Bytes{0x34, 0x56}));  // keeps the last digits
    EXPECT_EQ(std::tuple(BytesToHex(Bytes{0x0A, 0xFF}), ByteToHex(0x05)), std::tuple("0AFF", "05"));
    EXPECT_EQ(LongToBytes(0x12345678), (std::array<std::uint8_t, 4>{0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(BytesToLong(std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF}), -1);
    EXPECT_EQ(BytesToDouble(DoubleToBytes(-273.15)), -273.15);
    EXPECT_EQ(Split24(0x012345), (std::array<std::uint8_t, 3>{0x01, 0x23, 0x45}));
}

TEST(Converters, BitsOutsideTheByteAreIgnored) {
    EXPECT_EQ(
        (std::vector{IsBitSet(0x24, 5), IsBitSet(0x24, 4), IsBitSet(0xFF, 8), IsBitSet(0xFF, -1)}),
        (std::vector{true, false, false, false}));
    EXPECT_EQ((Bytes{SetBit(0x00, 7), SetBit(0x00, 9), ClearBit(0xFF, 0), ClearBit(0xFF, 8)}),
              (Bytes{0x80, 0x00, 0xFE, 0xFF}));
}

}  // namespace
}  // namespace vx42
