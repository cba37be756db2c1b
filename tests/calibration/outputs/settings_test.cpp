#include "calibration/outputs/entry_filters.h"
#include "calibration/outputs/output_function.h"
#include "calibration/outputs/output_settings.h"
#include "outputs_fixture.h"

namespace vx42 {
namespace {

TEST(EntryFilters, ColourIsBlackOnlyInsideTheRangeAndScaledValuesDropTheFractionNotTheNoise) {
    using enum TextColour;
    EXPECT_EQ((std::vector{ColourTextBox("15.25", 15.25, 1000), ColourTextBox("1000", 15.25, 1000),
                           ColourTextBox("15.24", 15.25, 1000), ColourTextBox("", 1, 32)}),
              (std::vector{Black, Black, Red, Red}));  // empty counts as 0
    // 57 / 100 * 100 is 56.99... in binary.
    EXPECT_EQ(
        (std::vector{OnTimeCounts(57, 100), OnTimeCounts(25, 10000), OnTimeCounts(33.33, 1000),
                     OnTimeCounts(100, 65535 * 2.0), TenthsCounts(123.45), TenthsCounts(6553.5)}),
        (std::vector<double>{57, 2500, 333, 65535, 1234, 65535}));
}

class PeriodTest : public OutputFixture {
  protected:
    std::string Enter(std::uint8_t flags, std::string_view text) {
        image.SetByte(Cal().FunctionFlags, flags);
        return StorePeriod(Out(), text);
    }
    unsigned Stored() const { return image.Word(Cal().Period); }
};

// Duty cycle in 36ths (speedo), frequency as a period in µs (gauge), time delay in ms (relay),
// each clamped to its function's range.
TEST_F(PeriodTest, EachFunctionStoresItsOwnUnit) {
    // The function's flags, the text typed, the text shown and the word stored.
    const std::tuple<std::uint8_t, const char*, const char*, unsigned> cases[] = {
        {0x20, "50", "50", 1800},        {0x20, "100", "100", 3600},
        {0x20, "150", "100", 3600},      {0x02, "100", "100.00", 10000},
        {0x02, "15.25", "15.26", 65535}, {0x01, "1000", "1000.00", 1000},
        {0x02, "5", "15.26", 65535},     {0x02, "0", "15.26", 65535},
        {0x04, "2500", "2500", 2500},    {0x04, "99999", "65535", 65535},
    };
    for (const auto& [flags, text, shown, stored] : cases) {
        EXPECT_EQ(Enter(flags, text), shown) << int(flags) << " " << text;
        EXPECT_EQ(Stored(), stored) << int(flags) << " " << text;
    }
    ASSERT_FALSE(sink.writes.empty());
    EXPECT_EQ(sink.writes[0], (std::pair<int, Bytes>{Cal().Period, {0x07, 0x08}}));
    // A stored period of 0 shows as a frequency without dividing by zero.
    image.StoreWord(Cal().Period, 0);
    image.SetByte(Cal().FunctionFlags, 0x02);
    EXPECT_EQ(PeriodTextOf(Scope()), "1000000.00");
}

class MessageSettings : public OutputFixture {};

TEST_F(MessageSettings, TimeoutNeedsAMessage) {
    EXPECT_EQ(StoreTimeout(Out(1), 0, "500"), "0");
    EXPECT_TRUE(sink.writes.empty() && !changed);
    UseSlot(1, 1, 4);
    EXPECT_EQ(StoreTimeout(Out(1), 1, "70000"), "65535");
    ExpectWrites({{CalAddresses().MessageSlot[3].Timeout, {0xFF, 0xFF}}});
    image.SetByte(Cal(1).DataSource[1].MessageSlot, 9);  // no such slot
    EXPECT_EQ(TimeoutText(Scope(1), 1), "0");
}

TEST_F(MessageSettings, DataOnTimeoutOneOrTwoBytesAtTheSignalsByte) {
    const int data = CalAddresses().MessageSlot[2].TimeoutData;
    EXPECT_EQ(StoreDataOnTimeout(Out(1), 0, "300"), "0");  // no message: nothing stored
    EXPECT_TRUE(sink.writes.empty());

    UseSlot(1, 0, 3, 6, 12);
    EXPECT_EQ(StoreDataOnTimeout(Out(1), 0, "300"), "300");
    ExpectWrites({{data + 6, {0x01, 0x2C}}});

    UseSlot(1, 0, 3, 7, 8);
    EXPECT_EQ(StoreDataOnTimeout(Out(1), 0, "300"), "255");
    ExpectWrites({{data + 7, {0xFF}}});
    EXPECT_EQ(image.Byte(data + 6), 0x01);  // byte 6 untouched
}

TEST_F(MessageSettings, DataOnTimeoutNeverSpillsIntoTheNextSlot) {
    const int data = CalAddresses().MessageSlot[0].TimeoutData;
    const int nextId = CalAddresses().MessageSlot[1].CanId;
    ASSERT_EQ(data + 8, nextId);
    UseSlot(0, 0, 1, 7, 16);
    StoreDataOnTimeout(Out(0), 0, "4660");  // 0x1234
    ExpectWrites({{data + 7, {0x12}}});
    EXPECT_EQ(image.Byte(nextId), 0);
    UseSlot(0, 0, 1, 9, 8);
    EXPECT_EQ(StoreDataOnTimeout(Out(0), 0, "5"), "0");
    EXPECT_TRUE(sink.writes.empty());
}

TEST_F(MessageSettings, DataOnTimeoutFormattedAndClampedToTheDataRange) {
    UseSlot(0, 1, 2, 0, 16);
    SelectMessage(0, 1, 0.5, 10);  // 10 .. 32777.5
    EXPECT_EQ(StoreDataOnTimeout(Out(0), 1, "20"), "20");
    ExpectWrites({{CalAddresses().MessageSlot[1].TimeoutData, {0x00, 0x14}}});
    EXPECT_EQ(StoreDataOnTimeout(Out(0), 1, "0"), "10");
    EXPECT_EQ(image.Word(CalAddresses().MessageSlot[1].TimeoutData), 0u);
}

TEST_F(MessageSettings, FiltersKeepTheirBytes) {
    const auto& ds = Cal(2).DataSource[1];
    EXPECT_EQ(StoreSamplePeriod(Out(2), 1, "256"), "256");
    EXPECT_EQ(StoreSamplePeriod(Out(2), 1, "300"), "256");
    ExpectWrites({{ds.SamplePeriod, {0}}, {ds.SamplePeriod, {0}}});
    EXPECT_EQ((std::vector{StoreSamplePeriod(Out(2), 1, "0"), StoreSamplePeriod(Out(2), 1, "255.9"),
                           StoreFilterSize(Out(2), 1, "40"), StoreFilterSize(Out(2), 1, "-1")}),
              (std::vector<std::string>{"1", "255", "32", "1"}));
    EXPECT_EQ(image.Byte(ds.FilterSize), 1);
}

TEST_F(MessageSettings, OutputNameInTwoPiecesAndShowFormatted) {
    const int name = CalAddresses().OutputName[3];
    EXPECT_EQ(StoreOutputName(Out(3), "Oil pressure gauge, rear cab  "),
              "Oil pressure gauge, rear");
    // Written in the edit target's pieces of sixteen (edit_target_test).
    ASSERT_EQ(sink.writes.size(), 2u);
    EXPECT_EQ(sink.writes[0].first, name);
    sink.writes.clear();
    StoreShowFormatted(Out(3), true);
    ExpectWrites({{CalAddresses().ShowFormatted[3], {1}}});
}

}  // namespace
}  // namespace vx42
