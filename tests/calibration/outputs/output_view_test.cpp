#include "calibration/outputs/output_view.h"

#include "outputs_fixture.h"

namespace vx42 {
namespace {

class OutputViewTest : public OutputFixture {
  protected:
    void StoreNames(int slot, std::string_view library, std::string_view message) {
        const auto& def = CalAddresses().MessageDefSlot[slot];
        image.StoreText(def.LibraryName, width::LibraryName, library);
        image.StoreText(def.MessageName, width::MessageName, message);
    }
};

TEST_F(OutputViewTest, RelayOutputShownFromTheImage) {
    const auto& cal = Cal(1);
    image.SetByte(cal.FunctionFlags, 0x5C);  // relay, Off voltage, On ground
    image.StoreWord(cal.Period, 2500);
    image.SetByte(cal.SecondaryMode, 2);
    image.StoreText(CalAddresses().OutputName[1], width::OutputName, "Fan relay");
    image.SetByte(cal.PrimaryBlock + 8, 0x24);
    image.StoreWord(cal.PrimaryBlock + 0, 100);  // On A
    image.StoreWord(cal.PrimaryBlock + 2, 150);  // Off A above On A: red for a rising window
    image.StoreWord(cal.SecondaryBlock + 0, 100);
    image.StoreWord(cal.SecondaryBlock + 2, 150);  // falling: in order
    UseSlot(1, 0, 3, 0, 8);
    image.SetByte(cal.DataSource[0].SamplePeriod, 0);
    image.SetByte(cal.DataSource[0].FilterSize, 4);
    image.StoreWord(CalAddresses().MessageSlot[2].Timeout, 750);
    StoreNames(2, "Engine", "");

    const OutputView v = GetCalValues(Scope(1));
    EXPECT_EQ(v.function, OutputFunction::RelayControl);
    EXPECT_EQ(v.drive, (DriveStates{Drive::Voltage, Drive::Ground}));
    EXPECT_EQ(v.outputName, "Fan relay");
    EXPECT_FALSE(v.showFormatted);
    EXPECT_TRUE(v.useSecondary);
    EXPECT_EQ(v.andOr, AndOr::Or);
    EXPECT_EQ(v.period, "2500");
    EXPECT_EQ(v.frame, FunctionFrame::Relay);
    EXPECT_EQ(v.periodLabel, "Time Delay (ms)");
    EXPECT_EQ(v.useSecondaryCaption, "Use primary and secondary data");

    const DataSourceView& p = v.data[0];
    EXPECT_TRUE(p.slotSettingsEnabled);
    EXPECT_EQ(p.timeout, "750");
    EXPECT_EQ(p.selection, (MessageSelection{"Engine", "None"}));
    EXPECT_EQ(p.samplePeriod, "256");
    EXPECT_EQ(p.averageLength, "4");
    EXPECT_EQ(p.switchFunction, SwitchFunction::WindowSwitchOn);
    EXPECT_TRUE(p.bPointsShown);
    EXPECT_EQ(p.switchPoints, (std::array<std::string, 4>{"100", "150", "0", "0"}));
    using enum TextColour;
    EXPECT_EQ(p.switchColours, (std::array{Red, Red, Black, Black}));

    const DataSourceView& s = v.data[1];
    EXPECT_EQ(s.selection, std::nullopt);  // no slot: the lists are left as they are
    EXPECT_FALSE(s.slotSettingsEnabled);
    EXPECT_EQ(s.timeout, "0");
    EXPECT_EQ(s.switchFunction, SwitchFunction::SimpleOnToOff);
    EXPECT_FALSE(s.bPointsShown);
    EXPECT_EQ(s.switchColours, (std::array{Black, Black, Black, Black}));
    EXPECT_EQ(v.captions, (CanDataCaptions{"Unformated CAN Data", {"Raw", "Raw"}}));
}

TEST_F(OutputViewTest, GaugeTablesAndVoltageBoxesShown) {
    const auto& cal = Cal(0);
    image.SetByte(cal.FunctionFlags, 0x02);
    image.SetByte(CalAddresses().OutputOptions[0], 0x01);
    image.StoreWord(cal.Period, 10000);
    image.StoreWord(cal.TableBlock, 1000);       // row 1, column 1
    image.StoreWord(cal.TableBlock + 2, 8000);   // row 1, column 2
    image.StoreWord(cal.SecondaryBlock, 1043);   // battery row 1
    image.StoreWord(cal.PrimaryBlock + 2, 900);  // breakpoint 2
    image.StoreWord(cal.TableBlock + 30, 1234);  // frequency table, column 15

    const OutputView v = GetCalValues(Scope(0));
    EXPECT_EQ(v.function, OutputFunction::VoltageOut);
    EXPECT_EQ(v.frame, FunctionFrame::VoltageOut);
    EXPECT_EQ(v.period, "100.00");
    EXPECT_EQ(v.data[0].voltOutDuty, "10.0");
    EXPECT_EQ(v.data[1].voltOutDuty, "80.0");
    EXPECT_EQ(v.data[0].voltOutData, "0");
    EXPECT_EQ(v.data[1].voltOutData, "900");
    ASSERT_EQ(v.analogTable.size(), 7u);
    EXPECT_EQ(v.analogTable[1][0], "14.01");
    EXPECT_EQ(v.analogTable[1][1], "10.0");
    EXPECT_EQ(v.analogTable[0][2], "900");
    EXPECT_EQ(v.analogTable[0][0], "");
    ASSERT_EQ(v.freqTable.size(), 2u);
    EXPECT_EQ(v.freqTable[1][15], "123.4");
    EXPECT_EQ(v.freqTable[0][1], "900");
}

TEST_F(OutputViewTest, CaptionsFollowShowFormattedAndTheMessages) {
    image.SetByte(CalAddresses().ShowFormatted[0], 1);
    EXPECT_EQ(CanDataCaptionsOf(Scope()),
              (CanDataCaptions{"CAN Data With No Format", {"None", "None"}}));
    ctx.data[1] = {true, 1, 0, "rpm"};
    EXPECT_EQ(CanDataCaptionsOf(Scope()).caption, "CAN Data With No Format");
    ctx.data[0] = {true, 1, 0, " KPH "};
    EXPECT_EQ(CanDataCaptionsOf(Scope()),
              (CanDataCaptions{"CAN Data Formated in MPH", {"MPH", "rpm"}}));
    // Formatted values follow the unit setting: 100 KPH shows 62 MPH.
    image.StoreWord(Cal().PrimaryBlock, 100);
    EXPECT_EQ(GetCalValues(Scope()).analogTable[0][1], "62");
}

}  // namespace
}  // namespace vx42
