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
    EXPECT_EQ(std::tuple(v.function, v.frame, v.drive, v.outputName, v.showFormatted,
                         v.useSecondary, v.andOr, v.period, v.periodLabel, v.useSecondaryCaption),
              std::tuple(OutputFunction::RelayControl, FunctionFrame::Relay,
                         DriveStates{Drive::Voltage, Drive::Ground}, "Fan relay", false, true,
                         AndOr::Or, "2500", "Time Delay (ms)", "Use primary and secondary data"));
    using enum TextColour;
    const DataSourceView& p = v.data[0];
    EXPECT_EQ(std::tuple(p.slotSettingsEnabled, p.timeout, p.selection, p.samplePeriod,
                         p.averageLength, p.switchFunction, p.bPointsShown),
              std::tuple(true, "750", MessageSelection{"Engine", "None"}, "256", "4",
                         SwitchFunction::WindowSwitchOn, true));
    EXPECT_EQ(p.switchPoints, (std::array<std::string, 4>{"100", "150", "0", "0"}));
    EXPECT_EQ(p.switchColours, (std::array{Red, Red, Black, Black}));
    // No slot: the lists are left as they are.
    const DataSourceView& s = v.data[1];
    EXPECT_EQ(std::tuple(s.selection, s.slotSettingsEnabled, s.timeout, s.switchFunction,
                         s.bPointsShown, s.switchColours),
              std::tuple(std::nullopt, false, "0", SwitchFunction::SimpleOnToOff, false,
                         std::array{Black, Black, Black, Black}));
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
    EXPECT_EQ(std::tuple(v.function, v.frame, v.period, v.data[0].voltOutDuty,
                         v.data[1].voltOutDuty, v.data[0].voltOutData, v.data[1].voltOutData),
              std::tuple(OutputFunction::VoltageOut, FunctionFrame::VoltageOut, "100.00", "10.0",
                         "80.0", "0", "900"));
    ASSERT_EQ(v.analogTable.size(), 7u);
    EXPECT_EQ(std::tuple(v.analogTable[1][0], v.analogTable[1][1], v.analogTable[0][2],
                         v.analogTable[0][0]),
              std::tuple("14.01", "10.0", "900", ""));
    ASSERT_EQ(v.freqTable.size(), 2u);
    EXPECT_EQ(std::tuple(v.freqTable[1][15], v.freqTable[0][1]), std::tuple("123.4", "900"));
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
