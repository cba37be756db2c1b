#include "calibration/cal_image.h"

#include <gtest/gtest.h>

namespace vx42 {
namespace {

TEST(AddressMap, PlacesTheSettingsWhereTheModuleKeepsThem) {
    const auto& m = CalAddresses();
    EXPECT_EQ(m.OutputCal[0].FunctionFlags, 0x400);
    EXPECT_EQ(m.OutputCal[3].FunctionFlags, 0x7C0);
    EXPECT_EQ(m.OutputCal[3].TableBlock, 0x800);
    EXPECT_EQ(m.OutputCal[0].DataSource[1].MessageSlot, 0x40A);
    EXPECT_EQ(m.OutputCal[0].PrimaryBlock, 0x410);
    EXPECT_EQ(m.OutputCal[0].SecondaryBlock, 0x430);
    EXPECT_EQ(m.CanSpeed, 0x900);
    EXPECT_EQ(m.MessageSlot[0].CanId, 0x902);
    EXPECT_EQ(m.MessageSlot[7].TimeoutData, 0x972);
    EXPECT_EQ(m.OutputName[0], 0x97A);
    EXPECT_EQ(m.OutputName[3], 0x9C2);
    EXPECT_EQ(m.MessageDefSlot[0].LibraryName, 0x9DA);
    EXPECT_EQ(m.MessageDefSlot[7].Offset, 0xE8E);
    EXPECT_EQ(m.ShowFormatted[0], 0xE92);
    EXPECT_EQ(m.Reserved[0], 0xE96);
    EXPECT_EQ(m.OutputOptions[0], 0xE9A);
    EXPECT_EQ(m.EndianLength[7], 0xEA5);
    EXPECT_EQ(m.End, 0xEA6);
    EXPECT_EQ(ImageIndex(0xEA6), kCalImageLast);
}

TEST(CalImage, StartsZeroAndReadsPastTheEndAs0xFF) {
    CalImage image;
    const Bytes tail = image.CopyFromImage(2720, 15);
    ASSERT_EQ(tail.size(), 16u);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(tail[i], 0x00) << i;
    for (int i = 7; i < 16; ++i) EXPECT_EQ(tail[i], 0xFF) << i;
}

TEST(CalImage, CopyIntoImageDropsWhatFallsOutside) {
    CalImage image;
    const Bytes bytes = {1, 2, 3, 4};
    image.CopyIntoImage(bytes, kCalImageLast - 1);
    EXPECT_EQ(image[kCalImageLast - 1], 1);
    EXPECT_EQ(image[kCalImageLast], 2);
    image.CopyIntoImage(bytes, -2);
    EXPECT_EQ(image[0], 3);
    EXPECT_EQ(image[1], 4);
}

// Clamping and truncation are the byte splits' (converters_test); here the byte order.
TEST(CalImage, WordsAreBigEndian) {
    CalImage image;
    const int a = CalAddresses().OutputCal[0].Period;
    image.StoreWord(a, 300.9);
    EXPECT_EQ(image.Byte(a), 0x01);
    EXPECT_EQ(image.Byte(a + 1), 0x2C);
}

TEST(CalImage, TextFieldsArePaddedCutAndTrimmed) {
    CalImage image;
    const int a = CalAddresses().OutputName[1];
    image.StoreText(a, width::OutputName, "  Oil °C");
    EXPECT_EQ(image.Byte(a + 6), 0xB0);  // "°" is one byte
    EXPECT_EQ(image.Byte(a + 23), ' ');
    EXPECT_EQ(image.Text(a, width::OutputName), "Oil °C");
    image.StoreText(a, width::OutputName, std::string(30, 'x'));
    EXPECT_EQ(image.Text(a, width::OutputName), std::string(24, 'x'));
    EXPECT_EQ(image.Byte(a + 24), 0);  // the neighbour is untouched
}

TEST(CalImage, NumbersOfTheMessageDefinitionsAreLittleEndian) {
    CalImage image;
    const auto& def = CalAddresses().MessageDefSlot[7];
    image.StoreLong(def.Offset, -40);
    EXPECT_EQ(image.Byte(def.Offset), 0xD8);
    EXPECT_EQ(image.Byte(def.Offset + 3), 0xFF);
    EXPECT_EQ(image.Long(def.Offset), -40);
    image.StoreDouble(def.Multiplier, 0.1);
    EXPECT_EQ(image.Double(def.Multiplier), 0.1);
    EXPECT_EQ(image.Byte(def.Multiplier + 7), 0x3F);
}

TEST(CalImage, AFieldReachingPastTheImageIsRefused) {
    CalImage image;
    EXPECT_THROW(image.StoreText(kCalBaseAddress + kCalImageLast - 2, 24, "x"), std::out_of_range);
    EXPECT_THROW((void)image.Byte(0x3FF), std::out_of_range);
}

}  // namespace
}  // namespace vx42
