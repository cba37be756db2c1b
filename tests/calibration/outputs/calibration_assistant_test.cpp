#include "calibration/outputs/calibration_assistant.h"

#include "outputs_fixture.h"

namespace vx42 {
namespace {

// Output 1 at 100 Hz (period 10000) with an 8-bit primary signal shown raw, the default
// battery rows, breakpoints 0, 10, ..., 150 and 0, 5, ..., 75 % in the 14.01 V row.
class CalibrationAssistantTest : public OutputFixture {
  protected:
    RecordingLiveLink link;

    void SetUp() override {
        image.StoreWord(Cal().Period, 10000);
        UseSlot(0, 0, 1, 0, 8);
        SetDefaultBatteryBreakpoints(Out());
        for (int k = 0; k < 16; ++k) {
            image.StoreWord(*CellAddress(Scope(), TableGrid::Analog, 0, k + 1), 10 * k);
            image.StoreWord(*CellAddress(Scope(), TableGrid::Analog, 4, k + 1), 500 * k);
        }
        sink.writes.clear();
        changed = false;
    }

    AssistantChoice Choice(std::vector<double> marks, TableGrid grid = TableGrid::Analog) {
        AssistantChoice choice;
        choice.grid = grid;
        choice.marks = std::move(marks);
        choice.voltsNow = DefaultVoltsNow(Scope());
        return choice;
    }
    unsigned Word(TableGrid grid, int row, int col) {
        return *TableCellWord(Scope(), grid, row, col);
    }
};

TEST_F(CalibrationAssistantTest, MarksRefusedUnlessTwoToSixteenIncreasingNumbers) {
    SelectMessage(0, 0, 0.5, 0);  // two display units a raw step: 0 and 0.2 share a word
    const char* accepted[] = {"0, 20, 40", "0 20;40", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15"};
    const char* refused[] = {"5", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16", "0, 2x", "0, 20, 10",
                             "0, 0.2"};
    const auto accepts = [&](const char* text) {
        const auto marks = ReadMarks(text);
        return marks && MarkWords(Scope(), TableGrid::Analog, *marks);
    };
    for (const char* text : accepted) EXPECT_TRUE(accepts(text)) << text;
    for (const char* text : refused) EXPECT_FALSE(accepts(text)) << text;
    EXPECT_EQ(*MarkWords(Scope(), TableGrid::Freq, {0, 20, 40}),
              (std::vector<unsigned>{0, 40, 80}));
}

// Raw 81 shows as 8.1 at a multiplier of 0.1, which reads back as 80.99999: kept breakpoints
// keep their words.
TEST_F(CalibrationAssistantTest, KeptBreakpointsKeepTheirWords) {
    SelectMessage(0, 0, 0.1, 0);
    image.StoreWord(*CellAddress(Scope(), TableGrid::Freq, 0, 8), 81);
    AssistantChoice choice = Choice(CurrentMarks(Scope(), TableGrid::Freq), TableGrid::Freq);
    choice.keepBreakpoints = true;
    const auto cells = AssistantCells(Scope(), choice, KeptDrives(16, 5.0));
    ASSERT_TRUE(cells);
    const CalImage preview = AssistantPreview(Scope(), TableGrid::Freq, *cells);
    EXPECT_EQ(preview.Word(*CellAddress(Scope(), TableGrid::Freq, 0, 8)), 81u);
    EXPECT_EQ(preview.Word(*CellAddress(Scope(), TableGrid::Freq, 1, 8)), 50u);
}

TEST_F(CalibrationAssistantTest, DrivesGuessesAndKeepsWithoutTouchingTheImage) {
    const CalImage before = image;
    CalibrationAssistant assistant(link, Scope(), Choice({0, 20, 40, 60}));
    ASSERT_TRUE(assistant.Start(prompt));
    EXPECT_EQ(link.written, (LiveWrites{{0x3901, 1}, {0x390D, 0}, {0x390E, 0}}));
    assistant.Step(2.5);
    assistant.Keep();
    EXPECT_EQ(assistant.Value(), 10);  // the table now at 20: one mark kept is no line yet
    assistant.Step(1.5);
    assistant.Keep();
    EXPECT_EQ(assistant.Value(), 20.5);  // on the line through 2.5 at 0 and 11.5 at 20
    assistant.Skip();
    EXPECT_EQ(assistant.Value(), 29.5);  // the skipped mark is no point of the line
    link.written.clear();
    assistant.Back();
    assistant.Back();
    EXPECT_EQ(assistant.Mark(), 1);
    EXPECT_EQ(assistant.Value(), 11.5);  // what was kept there
    EXPECT_EQ(link.written,
              (LiveWrites{{0x390D, 0x08}, {0x390E, 0x02}, {0x390D, 0x04}, {0x390E, 0x7E}}));
    assistant.Drive(250);
    EXPECT_EQ(assistant.Value(), 100);
    assistant.End();
    EXPECT_TRUE(assistant.Reviewing());
    EXPECT_EQ(assistant.Kept(), (KeptDrives{2.5, 11.5, std::nullopt, std::nullopt}));
    EXPECT_EQ(image, before);
    EXPECT_FALSE(changed);
}

TEST_F(CalibrationAssistantTest, RefusedOffline) {
    link.online = false;
    CalibrationAssistant assistant(link, Scope(), Choice({0, 20}));
    prompt.ExpectMessage(kAssistantOfflineText);
    EXPECT_FALSE(assistant.Start(prompt));
    EXPECT_TRUE(link.written.empty());
}

// The kept drives become the table: breakpoints from the marks, spread on to the top of the
// 8-bit signal, and each drive row by the fill chosen.
TEST_F(CalibrationAssistantTest, StoreRuleForBothFillsAndBothTables) {
    using G = TableGrid;
    using Fill = BatteryFill;
    constexpr auto none = std::nullopt;
    const std::vector<unsigned> breakpoints = {0,   20,  37,  54,  70,  87,  104, 121,
                                               138, 154, 171, 188, 205, 221, 238, 255};
    // Per drive row: the words at the first two breakpoints and at the last.
    using Words = std::vector<unsigned>;
    Words sameDuty;
    for (int row = 0; row < 6; ++row) sameDuty.insert(sameDuty.end(), {1000, 9000, 9000});
    const struct {
        const char* name;
        TableGrid grid;
        BatteryFill fill;
        double volts;
        KeptDrives kept;
        Words rows;
    } cases[] = {
        {"speedo", G::Freq, Fill::SameDuty, 0, {100, none, 250.5}, {1000, 2505, 2505}},
        {"analog, same duty", G::Analog, Fill::SameDuty, 14.01, {10, none, 90}, sameDuty},
        {"analog, scaled by 12 V, capped at 100 %",
         G::Analog,
         Fill::ScaledByBattery,
         12,
         {10, none, 90},
         {1501, 10000, 10000, 1202, 10000, 10000, 1000, 9000, 9000, 856, 7711, 7711, 749, 6747,
          6747, 666, 5997, 5997}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AssistantChoice choice = Choice({0, 10, 20}, c.grid);
        choice.fill = c.fill;
        choice.voltsNow = c.volts;
        const auto cells = AssistantCells(Scope(), choice, c.kept);
        ASSERT_TRUE(cells);
        const CalImage preview = AssistantPreview(Scope(), c.grid, *cells);
        const OutputScope shown{preview, ctx, 0};
        const int first = c.grid == TableGrid::Analog ? 1 : 0;
        for (int k = 0; k < 16; ++k)
            EXPECT_EQ(*TableCellWord(shown, c.grid, 0, first + k), breakpoints[k]);
        Words words;
        for (int row = 1; row <= static_cast<int>(c.rows.size()) / 3; ++row)
            for (int col : {first, first + 1, first + 15})
                words.push_back(*TableCellWord(shown, c.grid, row, col));
        EXPECT_EQ(words, c.rows);
    }
}

TEST_F(CalibrationAssistantTest, StoreWritesOnlyChangedCellsAndStopsLiveCalibration) {
    // Marks at the current breakpoints 0 and 10, the first kept as it is.
    CalibrationAssistant assistant(link, Scope(), Choice({0, 10}));
    ASSERT_TRUE(assistant.Start(prompt));
    assistant.Keep();
    EXPECT_FALSE(assistant.Store(Out()));  // one mark kept is no table
    EXPECT_TRUE(sink.writes.empty());
    assistant.Drive(7);
    assistant.Keep();
    link.written.clear();
    const auto changes = assistant.Store(Out());
    ASSERT_TRUE(changes);
    EXPECT_EQ(link.written, (LiveWrites{{0x3901, 0}}));
    EXPECT_FALSE(assistant.Running());
    // Every analog row holds 0 % and 7 %, flat after the second breakpoint, whose word (10)
    // is unchanged; the 14.01 V row's 0 % at the first breakpoint is unchanged too.
    EXPECT_EQ(Word(TableGrid::Analog, 0, 3), 28u);
    EXPECT_EQ(Word(TableGrid::Analog, 0, 16), 255u);
    EXPECT_EQ(Word(TableGrid::Analog, 4, 2), 700u);
    EXPECT_EQ(Word(TableGrid::Analog, 1, 16), 700u);
    for (const WordChange& change : *changes) {
        EXPECT_FALSE(change.row == 0 && change.col <= 2);
        EXPECT_FALSE(change.row == 4 && change.col == 1);
    }
    EXPECT_EQ(changes->size(), 14u + 6 * 15);
    EXPECT_TRUE(changed);
    EXPECT_FALSE(sink.writes.empty());
}

}  // namespace
}  // namespace vx42
