#include <functional>

#include "calibration/grid/grid_model.h"
#include "calibration/grid/grid_ops.h"
#include "calibration/outputs/output_tables.h"
#include "calibration/outputs/table_plot_data.h"
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

// Duty in tenths of a percent of the period (a changed frequency keeps the on time), the
// frequency row in tenths of a hertz, the battery rows in volts and data breakpoints as
// formatted.
TEST_F(Tables, EachCellInItsOwnUnit) {
    SetPeriod(10000);  // 100 Hz
    EXPECT_EQ(CommitTableCell(Out(), G::Analog, 3, 5, "25"), "25.0");
    ExpectWrites({{Cal().TableBlock + 2 * 32 + 2 * 4, {0x09, 0xC4}}});
    SetPeriod(5000);  // 200 Hz
    EXPECT_EQ(GetTableCellText(Scope(), G::Analog, 3, 5), "50.0");
    SetPeriod(0);  // taken as 1
    EXPECT_EQ(GetTableCellText(Scope(), G::Analog, 3, 5), "250000.0");

    EXPECT_EQ(CommitTableCell(Out(), G::Freq, 1, 4, "123.45"), "123.4");
    ExpectWrites({{Cal().TableBlock + 8, {0x04, 0xD2}}});
    EXPECT_EQ(CommitTableCell(Out(), G::Freq, 1, 4, "9000"), "6553.5");
    EXPECT_EQ(CommitTableCell(Out(), G::Freq, 0, 0, "-12"), "0");
    EXPECT_EQ(CommitTableCell(Out(), G::Analog, 4, 0, "14.01"), "14.01");
    EXPECT_EQ(image.Word(Cal().SecondaryBlock + 6), 1043u);

    SelectMessage(0, 0, 0.1, -40);
    EXPECT_EQ(CommitTableCell(Out(), G::Analog, 0, 2, "0"), "0");
    EXPECT_EQ(CommitTableCell(Out(), G::Freq, 0, 15, "10"), "10");
    EXPECT_EQ(std::pair(image.Word(Cal().PrimaryBlock + 2), image.Word(Cal().PrimaryBlock + 30)),
              std::pair(400u, 500u));
}

TEST_F(Tables, PlotsDrawTheStoredValuesNotTheRoundedTexts) {
    // A signal scaled so that the breakpoints read -62 and -61: the points keep their tenths.
    SelectMessage(0, 0, 0.1, -62);
    SetPeriod(10000);
    for (int k = 0; k < 16; ++k) image.StoreWord(Cal().PrimaryBlock + 2 * k, 3 + k);
    image.StoreWord(Cal().TableBlock + 2, 2525);      // 25.25 %, shown 25.3
    image.StoreWord(Cal().SecondaryBlock + 6, 1043);  // 14.01 V
    image.StoreWord(Cal().TableBlock + 30, 1234);     // 123.4 Hz in the frequency row
    EXPECT_EQ(GetTableCellText(Scope(), G::Analog, 0, 1),
              GetTableCellText(Scope(), G::Analog, 0, 2));
    const TablePlotData analog = TablePlotOf(Scope(), G::Analog);
    ASSERT_EQ(analog.breakpoints.size(), 16u);
    for (int k = 0; k < 16; ++k)
        EXPECT_DOUBLE_EQ(analog.breakpoints[k], *GetTableCellValue(Scope(), G::Analog, 0, k + 1));
    EXPECT_LT(analog.breakpoints[0], analog.breakpoints[1]);
    ASSERT_EQ(analog.curves.size(), 6u);
    EXPECT_DOUBLE_EQ(analog.curves[0].values[1], 25.25);
    EXPECT_EQ(analog.curves[3].name, "14.01 V");
    const TablePlotData freq = TablePlotOf(Scope(), G::Freq);
    ASSERT_EQ(freq.curves.size(), 1u);
    EXPECT_DOUBLE_EQ(freq.curves[0].values[15], 123.4);
    EXPECT_DOUBLE_EQ(freq.breakpoints[15], *GetTableCellValue(Scope(), G::Freq, 0, 15));
}

TEST_F(Tables, ABatchStoresOnlyChangedWordsAsFewStagedChanges) {
    SetPeriod(10000);
    image.StoreWord(Cal().TableBlock, 1533);  // shown as 15.3
    image.StoreWord(Cal().PrimaryBlock + 30, 16);
    const CalImage before = image;
    // +1 over a whole row as an operation computes it from exact values; the end cell
    // keeps its value, so only its neighbours change.
    std::vector<CellValue> cells;
    for (int c = 1; c <= 16; ++c) cells.push_back({1, c, c == 16 ? 0.0 : 1.0});
    const auto changes = StoreTableValues(Out(), G::Analog, cells);
    EXPECT_EQ(changes.size(), 15u);
    EXPECT_EQ(changes[0], (WordChange{1, 1, 1533, 100}));
    EXPECT_TRUE(changed);
    // Two contiguous runs in address order: 16 bytes, then the remaining 14.
    ASSERT_EQ(sink.writes.size(), 2u);
    EXPECT_EQ(std::tuple(sink.writes[0].first, sink.writes[0].second.size(), sink.writes[1].first,
                         sink.writes[1].second.size()),
              std::tuple(Cal().TableBlock, 16u, Cal().TableBlock + 16, 14u));
    sink.writes.clear();

    // The words as they were, back as one batch (undo): the image is whole again, so the
    // batch touched nothing but its words.
    TableCellBatch undo(Out(), G::Analog);
    for (const WordChange& change : changes) undo.StoreWord(change.row, change.col, change.before);
    undo.StoreWord(0, 16, 16);  // unchanged: not written
    EXPECT_EQ(undo.Finish().size(), 15u);
    EXPECT_EQ(image, before);
    EXPECT_EQ(sink.writes.size(), 2u);
}

TEST_F(Tables, StagedChangesJoinTouchingRunsUpToSixteenBytes) {
    const std::vector<ByteSpan> staged =
        StagedChanges({{0x500, 2}, {0x480, 2}, {0x482, 2}, {0x490, 2}, {0x520, 1}, {0x501, 2}});
    EXPECT_EQ(staged, (std::vector<ByteSpan>{{0x480, 4}, {0x490, 2}, {0x500, 3}, {0x520, 1}}));
    std::vector<ByteSpan> row;
    for (int k = 0; k < 40; ++k) row.push_back({0x600 + 2 * k, 2});
    EXPECT_EQ(
        StagedChanges(row),
        (std::vector<ByteSpan>{{0x600, 16}, {0x610, 16}, {0x620, 16}, {0x630, 16}, {0x640, 16}}));
    EXPECT_TRUE(StagedChanges({{0x600, 0}}).empty());
}

// One number reading and one clamp whatever path a value takes into a cell: typed into the
// editor, answered to an operation's question, computed by an operation or carried in by a
// preset (a batch), or typed into a voltage-output box.
TEST_F(Tables, EveryPathGivesOneResultPerInput) {
    SetPeriod(10000);
    ctx.units.MetricTemperature = false;
    SelectMessage(0, 0, 1, -40, "°C");  // raw 0 is -40 °C, -40 °F
    struct Input {
        int row, col;
        const char* text;
        std::optional<unsigned> word;  // nothing: refused
        bool beyond = false;           // outside the cell's range: "Set to" refuses it
    };
    const Input typed[] = {
        {1, 1, "150", 10000, true},   // duty beyond 100 %: the period
        {0, 1, "-40", 0},             // -40 °F is raw 0: taken
        {0, 1, "-60", 0, true},       // below raw 0: clamped
        {1, 1, "1,5", std::nullopt},  // not a number with "." as the point
    };
    using Path = std::function<void(const Input&)>;
    const std::vector<std::pair<const char*, Path>> textPaths = {
        {"editor",
         [&](const Input& in) { CommitTableCell(Out(), G::Analog, in.row, in.col, in.text); }},
        {"operation's question",
         [&](const Input& in) {
             GridModel grid = GridModel::AnalogTable();
             grid.Select(in.row, in.col);
             const DataRange range =
                 TableLimits(Scope(), G::Analog, in.row, in.col, in.row, in.col);
             prompt.AnswerInput(in.text);
             if (!in.word) prompt.ExpectMessage(NotANumberText(in.text));
             if (in.beyond) prompt.ExpectMessage("Please enter a value between");
             const GridOutcome outcome =
                 SetSelectionTo(grid, GridLimits{range.minimum, range.maximum}, "", prompt);
             std::vector<CellValue> values;
             for (const CellChange& cell : outcome.cells)
                 if (cell.value) values.push_back({cell.row, cell.col, *cell.value});
             StoreTableValues(Out(), G::Analog, values);
         }},
    };
    for (const auto& [name, path] : textPaths) {
        for (const Input& in : typed) {
            const int at = *CellAddress(Scope(), G::Analog, in.row, in.col);
            image.StoreWord(at, 1234);
            path(in);
            const bool refused = !in.word || (in.beyond && name == textPaths[1].first);
            EXPECT_EQ(image.Word(at), refused ? 1234u : *in.word) << name << " " << in.text;
        }
    }
    EXPECT_TRUE(prompt.ScriptDone());
    // A batch takes numbers (an operation's results, a preset's values) and clamps them the same.
    struct Value {
        int row, col;
        double value;
        unsigned word;
    };
    for (const Value& v : {Value{1, 1, 150, 10000}, Value{0, 1, -40, 0}, Value{0, 1, -60, 0}}) {
        const int at = *CellAddress(Scope(), G::Analog, v.row, v.col);
        image.StoreWord(at, 1234);
        TableCellBatch batch(Out(), G::Analog);
        batch.Store(v.row, v.col, v.value);
        batch.Finish();
        EXPECT_EQ(image.Word(at), v.word) << v.value;
    }
    // The voltage-output boxes read and clamp the same way.
    EXPECT_EQ(StoreVoltOutDuty(Out(), 0, "150", prompt), "100.0");
    prompt.ExpectMessage(NotANumberText("1,5"));
    EXPECT_EQ(StoreVoltOutDuty(Out(), 0, "1,5", prompt), "100.0");
    EXPECT_EQ(StoreVoltOutData(Out(), 0, "-40", prompt), "-40");
    EXPECT_EQ(image.Word(Cal().PrimaryBlock), 0u);
    EXPECT_EQ(TableLimits(Scope(), G::Analog, 0, 1, 1, 1).minimum, -40);
    EXPECT_EQ(TableLimits(Scope(), G::Analog, 1, 1, 1, 1).maximum, 100);
}

TEST_F(Tables, VoltageOutputBoxesFillTheirCells) {
    SetPeriod(10000, 1);
    EXPECT_EQ(StoreVoltOutDuty(Out(1), 1, "80", prompt), "80.0");
    // Columns 2 to 16 of each battery row: 30 contiguous bytes, two staged changes a row.
    ASSERT_EQ(sink.writes.size(), 12u);
    for (const auto& [address, bytes] : sink.writes)
        for (std::size_t k = 0; k < bytes.size(); k += 2)
            EXPECT_EQ((Bytes{bytes[k], bytes[k + 1]}), (Bytes{0x1F, 0x40}));
    EXPECT_EQ(std::pair(sink.writes[0].first, sink.writes[11].first),
              std::pair(Cal(1).TableBlock + 2, Cal(1).TableBlock + 5 * 32 + 18));
    sink.writes.clear();
    EXPECT_EQ(StoreVoltOutDuty(Out(1), 1, "80", prompt), "80.0");
    EXPECT_TRUE(sink.writes.empty());  // nothing changed: nothing written

    EXPECT_EQ(StoreVoltOutDuty(Out(1), 0, "10", prompt), "10.0");
    EXPECT_EQ(sink.writes.size(), 6u);
    // The max cells untouched.
    EXPECT_EQ(std::pair(image.Word(Cal(1).TableBlock), image.Word(Cal(1).TableBlock + 2)),
              std::pair(1000u, 8000u));
    sink.writes.clear();

    EXPECT_EQ(StoreVoltOutData(Out(1), 1, "70000", prompt), "65535");
    EXPECT_EQ(sink.writes.size(), 2u);
    EXPECT_EQ(std::pair(image.Word(Cal(1).PrimaryBlock), image.Word(Cal(1).PrimaryBlock + 30)),
              std::pair(0u, 65535u));
    EXPECT_EQ(StoreVoltOutData(Out(1), 0, "12", prompt), "12");
    EXPECT_EQ(VoltOutDataText(Scope(1), 1), "65535");
}

// Spread over the primary message's bits as one batch, or refused without a message.
TEST_F(Tables, BreakpointsSpreadOverTheMessagesBits) {
    const CalImage before = image;
    prompt.ExpectMessage("primary CAN message");
    EXPECT_FALSE(SetBreakpointsToMessageRange(Out(), std::nullopt, prompt));
    EXPECT_TRUE(image == before && sink.writes.empty() && !changed);

    ASSERT_TRUE(SetBreakpointsToMessageRange(Out(), 8, prompt));
    for (int k = 0; k < 16; ++k) EXPECT_EQ(image.Word(Cal().PrimaryBlock + 2 * k), 17u * k);
    EXPECT_EQ(sink.writes.size(), 2u);  // as one batch: the 32 bytes in two staged changes
    SetBreakpointsToMessageRange(Out(), 16, prompt);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(image.Word(Cal().PrimaryBlock + 2 * k), 4369u * k);
    SetBreakpointsToMessageRange(Out(), 10, prompt);  // 1023 / 15 = 68.2 and 545.6: rounded
    EXPECT_EQ((std::vector{image.Word(Cal().PrimaryBlock + 2), image.Word(Cal().PrimaryBlock + 16),
                           image.Word(Cal().PrimaryBlock + 30)}),
              (std::vector{68u, 546u, 1023u}));
}

}  // namespace
}  // namespace vx42
