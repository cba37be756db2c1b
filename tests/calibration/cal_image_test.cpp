#include "calibration/cal_image.h"

#include <gtest/gtest.h>

namespace vx42 {
namespace {

TEST(AddressMap, PlacesTheSettingsWhereTheModuleKeepsThem) {
    const auto& m = CalAddresses();
    EXPECT_EQ((std::vector{m.OutputCal[0].FunctionFlags, m.OutputCal[3].FunctionFlags,
                           m.OutputCal[3].TableBlock, m.OutputCal[0].DataSource[1].MessageSlot,
                           m.OutputCal[0].PrimaryBlock, m.OutputCal[0].SecondaryBlock, m.CanSpeed,
                           m.MessageSlot[0].CanId, m.MessageSlot[7].TimeoutData, m.OutputName[0],
                           m.OutputName[3], m.MessageDefSlot[0].LibraryName,
                           m.MessageDefSlot[7].Offset, m.ShowFormatted[0], m.Reserved[0],
                           m.OutputOptions[0], m.EndianLength[7], m.End}),
              (std::vector{0x400, 0x7C0, 0x800, 0x40A, 0x410, 0x430, 0x900, 0x902, 0x972, 0x97A,
                           0x9C2, 0x9DA, 0xE8E, 0xE92, 0xE96, 0xE9A, 0xEA5, 0xEA6}));
    EXPECT_EQ(ImageIndex(0xEA6), kCalImageLast);
}

// Zero at first; read past the end as 0xFF; what falls outside dropped on copying in and
// refused on a field's store or read.
TEST(CalImage, TheImagesBounds) {
    CalImage image;
    Bytes expected(7, 0x00);
    expected.resize(16, 0xFF);
    EXPECT_EQ(image.CopyFromImage(2720, 15), expected);
    const Bytes bytes = {1, 2, 3, 4};
    image.CopyIntoImage(bytes, kCalImageLast - 1);
    image.CopyIntoImage(bytes, -2);
    EXPECT_EQ(image.CopyFromImage(kCalImageLast - 1, 1), (Bytes{1, 2}));
    EXPECT_EQ(image.CopyFromImage(0, 1), (Bytes{3, 4}));
    EXPECT_THROW(image.StoreText(kCalBaseAddress + kCalImageLast - 2, 24, "x"), std::out_of_range);
    EXPECT_THROW((void)image.Byte(0x3FF), std::out_of_range);
}

// Words are big-endian (their clamping and truncation are the byte splits', converters_test);
// the numbers of the message definitions little-endian.
TEST(CalImage, ByteOrderOfWordsAndOfTheMessageDefinitionsNumbers) {
    CalImage image;
    const int a = CalAddresses().OutputCal[0].Period;
    image.StoreWord(a, 300.9);
    EXPECT_EQ(image.CopyFromImage(ImageIndex(a), 1), (Bytes{0x01, 0x2C}));
    const auto& def = CalAddresses().MessageDefSlot[7];
    image.StoreLong(def.Offset, -40);
    image.StoreDouble(def.Multiplier, 0.1);
    EXPECT_EQ(std::tuple(image.Byte(def.Offset), image.Byte(def.Offset + 3), image.Long(def.Offset),
                         image.Double(def.Multiplier), image.Byte(def.Multiplier + 7)),
              std::tuple(0xD8, 0xFF, -40, 0.1, 0x3F));
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

}  // namespace
}  // namespace vx42
