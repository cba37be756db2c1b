#include "app/scripted_prompt.h"
#include "calibration/outputs/output_tables.h"
#include "outputs_fixture.h"

namespace vx42 {
namespace {

using G = TableGrid;

class Tables : public OutputFixture {
  protected:
    void SetPeriod(unsigned period, int output = 0) { image.StoreWord(Cal(output).Period, period); }
};

TEST_F(Tables, CellPlacesInTheBlocks) {
    const OutputScope s = Scope(2);
    EXPECT_EQ(CellAddress(s, G::Analog, 0, 0), std::nullopt);
    EXPECT_EQ(CellAddress(s, G::Analog, 0, 1), Cal(2).PrimaryBlock);
    EXPECT_EQ(CellAddress(s, G::Analog, 0, 16), Cal(2).PrimaryBlock + 30);
    EXPECT_EQ(CellAddress(s, G::Analog, 6, 0), Cal(2).SecondaryBlock + 10);
    EXPECT_EQ(CellAddress(s, G::Analog, 1, 1), Cal(2).TableBlock);
    EXPECT_EQ(CellAddress(s, G::Analog, 6, 16), Cal(2).TableBlock + 5 * 32 + 30);
    EXPECT_EQ(CellAddress(s, G::Analog, 7, 1), std::nullopt);
    EXPECT_EQ(CellAddress(s, G::Freq, 0, 0), Cal(2).PrimaryBlock);
    EXPECT_EQ(CellAddress(s, G::Freq, 1, 15), Cal(2).TableBlock + 30);
    EXPECT_EQ(CellAddress(s, G::Freq, 1, 16), std::nullopt);
    EXPECT_EQ(GetTableCellText(s, G::Analog, 0, 0), "");
    EXPECT_EQ(GetTableCellText(s, G::Freq, -1, 0), "");
}

TEST_F(Tables, DutyCellKeepsItsOnTimeWhenTheFrequencyChanges) {
    SetPeriod(10000);  // 100 Hz
    EXPECT_EQ(CommitTableCell(Out(), G::Analog, 3, 5, "25"), "25.0");
    const int at = Cal().TableBlock + 2 * 32 + 2 * 4;
    ExpectWrites({{at, {0x09, 0xC4}}});
    SetPeriod(5000);  // 200 Hz
    EXPECT_EQ(GetTableCellText(Scope(), G::Analog, 3, 5), "50.0");
    EXPECT_EQ(CommitTableCell(Out(), G::Analog, 3, 5, "140"), "100.0");  // clamped to 100 %
    EXPECT_EQ(image.Word(at), 5000u);
    SetPeriod(0);  // taken as 1
    EXPECT_EQ(GetTableCellText(Scope(), G::Analog, 3, 5), "500000.0");
}

TEST_F(Tables, FrequencyCellsInTenthsAndBatteryVolts) {
    EXPECT_EQ(CommitTableCell(Out(), G::Freq, 1, 4, "123.45"), "123.4");
    ExpectWrites({{Cal().TableBlock + 8, {0x04, 0xD2}}});
    EXPECT_EQ(CommitTableCell(Out(), G::Freq, 1, 4, "9000"), "6553.5");
    EXPECT_EQ(CommitTableCell(Out(), G::Freq, 0, 0, "-12"), "0");
    EXPECT_EQ(CommitTableCell(Out(), G::Analog, 4, 0, "14.01"), "14.01");
    EXPECT_EQ(image.Word(Cal().SecondaryBlock + 6), 1043u);
}

TEST_F(Tables, DataBreakpointsFollowTheFormatting) {
    SelectMessage(0, 0, 0.1, -40);
    EXPECT_EQ(CommitTableCell(Out(), G::Analog, 0, 2, "0"), "0");
    EXPECT_EQ(image.Word(Cal().PrimaryBlock + 2), 400u);
    EXPECT_EQ(CommitTableCell(Out(), G::Freq, 0, 15, "10"), "10");
    EXPECT_EQ(image.Word(Cal().PrimaryBlock + 30), 500u);
}

TEST_F(Tables, WholeTableStoredFromItsTexts) {
    SetPeriod(1000);
    TableTexts texts = GetTableTexts(Scope(), G::Analog);
    ASSERT_EQ(texts.size(), 7u);
    ASSERT_EQ(texts[0].size(), 17u);
    texts[0][0] = "999";  // the corner stores nothing
    texts[2][3] = "12.5";
    texts[0][16] = "4000";
    const TableTexts shown = StoreCalValIfChanged(Out(), texts);
    EXPECT_EQ(shown[2][3], "12.5");
    EXPECT_EQ(shown[0][16], "4000");
    EXPECT_EQ(shown[0][0], "");
    EXPECT_EQ(sink.writes.size(), 7u * 17u - 1u);
    EXPECT_EQ(image.Word(Cal().TableBlock + 32 + 4), 125u);
    EXPECT_EQ(GetTableTexts(Scope(), G::Freq).at(1).size(), 16u);
}

TEST_F(Tables, VoltageOutputBoxesFillTheirCells) {
    SetPeriod(10000, 1);
    EXPECT_EQ(StoreVoltOutDuty(Out(1), 1, "80"), "80.0");
    EXPECT_EQ(sink.writes.size(), 90u);
    for (const auto& [address, bytes] : sink.writes) EXPECT_EQ(bytes, (Bytes{0x1F, 0x40}));
    // Column by column, rows 1 to 6 within a column.
    EXPECT_EQ(sink.writes[0].first, Cal(1).TableBlock + 2);
    EXPECT_EQ(sink.writes[1].first, Cal(1).TableBlock + 32 + 2);
    EXPECT_EQ(sink.writes[89].first, Cal(1).TableBlock + 5 * 32 + 30);
    sink.writes.clear();

    EXPECT_EQ(StoreVoltOutDuty(Out(1), 0, "10"), "10.0");
    EXPECT_EQ(sink.writes.size(), 6u);
    EXPECT_EQ(image.Word(Cal(1).TableBlock), 1000u);
    EXPECT_EQ(image.Word(Cal(1).TableBlock + 2), 8000u);  // max cells untouched
    sink.writes.clear();

    EXPECT_EQ(StoreVoltOutData(Out(1), 1, "70000"), "65535");
    EXPECT_EQ(sink.writes.size(), 15u);
    EXPECT_EQ(image.Word(Cal(1).PrimaryBlock), 0u);
    EXPECT_EQ(image.Word(Cal(1).PrimaryBlock + 30), 65535u);
    EXPECT_EQ(StoreVoltOutData(Out(1), 0, "12"), "12");
    EXPECT_EQ(VoltOutDataText(Scope(1), 1), "65535");
}

TEST_F(Tables, BreakpointsSpreadOverTheMessagesBits) {
    ScriptedPrompt prompt;
    ASSERT_TRUE(SetBreakpointsToMessageRange(Out(), 8, prompt));
    for (int k = 0; k < 16; ++k) EXPECT_EQ(image.Word(Cal().PrimaryBlock + 2 * k), 17u * k);
    ASSERT_EQ(sink.writes.size(), 2u);
    EXPECT_EQ(sink.writes[0].first, Cal().PrimaryBlock);
    EXPECT_EQ(sink.writes[0].second.size(), 16u);
    EXPECT_EQ(sink.writes[1].first, Cal().PrimaryBlock + 16);
    EXPECT_EQ(sink.writes[1].second, Bytes(image.data() + ImageIndex(Cal().PrimaryBlock) + 16,
                                           image.data() + ImageIndex(Cal().PrimaryBlock) + 32));
    sink.writes.clear();

    SetBreakpointsToMessageRange(Out(), 16, prompt);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(image.Word(Cal().PrimaryBlock + 2 * k), 4369u * k);
    SetBreakpointsToMessageRange(Out(), 10, prompt);  // 1023 / 15 = 68.2: rounded
    EXPECT_EQ(image.Word(Cal().PrimaryBlock + 2), 68u);
    EXPECT_EQ(image.Word(Cal().PrimaryBlock + 2 * 8), 546u);  // 545.6
    EXPECT_EQ(image.Word(Cal().PrimaryBlock + 30), 1023u);
    EXPECT_TRUE(prompt.Unexpected().empty());
}

TEST_F(Tables, BreakpointsRefusedWithoutAPrimaryMessage) {
    ScriptedPrompt prompt;
    prompt.ExpectMessage("primary CAN message");
    const CalImage before = image;
    EXPECT_FALSE(SetBreakpointsToMessageRange(Out(), std::nullopt, prompt));
    EXPECT_EQ(image, before);
    EXPECT_TRUE(sink.writes.empty());
    EXPECT_FALSE(changed);
    EXPECT_TRUE(prompt.ScriptDone());
    EXPECT_TRUE(prompt.Unexpected().empty());
}

}  // namespace
}  // namespace vx42
