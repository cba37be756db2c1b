#include "calibration/grid/grid_model.h"

#include <gtest/gtest.h>

#include "base/scripted_prompt.h"
#include "calibration/grid/grid_clipboard.h"
#include "calibration/grid/grid_history.h"
#include "calibration/grid/grid_ops.h"

namespace vx42 {
namespace {

TEST(GridClipboard, CopiesTheSelectionWithTabsAndCarriageReturns) {
    GridModel g = GridModel::FreqTable();
    g.SetRow(0, {"1", "2", "9"});
    g.SetRow(1, {"3", "4", "9"});
    g.Select(1, 1, 0, 0);
    EXPECT_EQ(CopySelectionText(g), "1\t2\r3\t4");
    g.Select(1, 2);
    EXPECT_EQ(CopySelectionText(g), "9");
}

TEST(GridClipboard, PasteFillsTheSelectionOnlyAndSaysWhatItLeftOut) {
    GridModel g = GridModel::FreqTable();
    g.SetRow(0, {"a", "b", "c", "d"});
    g.SetRow(1, {"e", "f", "g", "h"});
    g.Select(1, 2, 0, 1);
    ScriptedPrompt prompt;
    // A 3 x 3 block on a 2 x 2 selection: once, cut at the selection.
    prompt.ExpectMessage(
        "Pasted 4 values into 2 rows x 2 columns. 3 values fell outside the selection and were "
        "left out.");
    const auto out = PasteSelectionText(g, "1\t2\t3\r\n4\t5\n6\t7\n", prompt);
    EXPECT_TRUE(out.changed);
    EXPECT_EQ(out.step, "Paste");
    EXPECT_EQ(out.cells.size(), 4u);
    EXPECT_EQ(out.cells[3].value, 5);
    EXPECT_EQ(CopySelectionText(g), "1\t2\r4\t5");
    EXPECT_EQ(g.Text(0, 3), "d");  // beyond the selection: dropped

    // A block smaller than the selection and no whole fraction of it: once, and the cells it
    // does not reach keep their values, said so.
    g.Select(0, 0, 1, 3);
    prompt.ExpectMessage(
        "Pasted 2 values into 1 row x 3 columns. 5 selected cells had no value to take and kept "
        "theirs.");
    PasteSelectionText(g, "10\t \t1.5\r", prompt);
    EXPECT_EQ(CopySelectionText(g), "10\t1\t1.5\td\re\t4\t5\th");  // no data: unchanged
    EXPECT_FALSE(PasteSelectionText(g, "", prompt).changed);
    // A field that is no number refuses the whole paste rather than being read as 1.
    for (const char* bad : {"7\t1,5", "word"}) {
        prompt.ExpectMessage(NotANumberText(bad[0] == '7' ? "1,5" : "word"));
        EXPECT_FALSE(PasteSelectionText(g, bad, prompt).changed);
    }
    EXPECT_EQ(g.Text(0, 0), "10");
    EXPECT_TRUE(prompt.ScriptDone());
    EXPECT_TRUE(prompt.Unexpected().empty());
}

TEST(GridClipboard, OneCellTakesTheWholeBlockAWholeMultipleRepeatsItAndTheCornerNothing) {
    GridModel g = GridModel::AnalogTable();
    ScriptedPrompt prompt;
    // Four values onto one cell: all four, and the window is told where they went.
    g.Select(2, 3);
    prompt.ExpectMessage("Pasted 4 values into 2 rows x 2 columns.");
    PasteSelectionText(g, "1\t2\r3\t4", prompt);
    g.Select(2, 3, 3, 4);
    EXPECT_EQ(CopySelectionText(g), "1\t2\r3\t4");

    // At the table's corner the block is cut by the table.
    g.Select(6, 15);
    prompt.ExpectMessage(
        "Pasted 2 values into 1 row x 2 columns. 4 values fell outside the table and were left "
        "out.");
    PasteSelectionText(g, "5\t6\t7\r8\t9\t10", prompt);
    EXPECT_EQ(g.Text(6, 16), "6");

    // One value fills every selected cell, a 1 x 2 block a 2 x 4 selection twice over: the
    // selection is filled exactly, so nothing is said. One value on one cell neither.
    g.Select(1, 1, 2, 4);
    PasteSelectionText(g, "9", prompt);
    EXPECT_EQ(CopySelectionText(g), "9\t9\t9\t9\r9\t9\t9\t9");
    PasteSelectionText(g, "1\t2", prompt);
    EXPECT_EQ(CopySelectionText(g), "1\t2\t1\t2\r1\t2\t1\t2");
    g.Select(5, 5);
    PasteSelectionText(g, "8", prompt);
    EXPECT_EQ(g.Text(5, 5), "8");
    // Never into the analog table's corner.
    g.Select(0, 0, 1, 1);
    PasteSelectionText(g, "1\t2\r3\t4", prompt);
    EXPECT_EQ(CopySelectionText(g), "\t2\r3\t4");
    EXPECT_TRUE(prompt.ScriptDone());
    EXPECT_TRUE(prompt.Unexpected().empty());
}

TEST(GridModel, SelectionIsOrderedAndKeptInsideTheGrid) {
    GridModel g = GridModel::AnalogTable();
    g.Select(4, 9, 1, 20);
    const CellRange sel = g.Selection();
    EXPECT_EQ(std::tuple(sel.top, sel.bottom, sel.left, sel.right), std::tuple(1, 4, 9, 16));
    EXPECT_FALSE(g.SetText(0, 0, "5") || g.SetText(7, 0, "5"));
    EXPECT_EQ(g.Text(7, 0), "");
}

TEST(GridModel, SizesColumnsEvenlyOrAfterTheFirst) {
    EXPECT_EQ(SizeGridColumns(1000, 4, 0), (std::vector<int>{250, 250, 250, 250}));
    EXPECT_EQ(SizeGridColumns(10, 4, 0), (std::vector<int>{2, 2, 2, 2}));  // 2.5 to even
    std::vector<int> analog(17, 53);                                       // 850 / 16 = 53.125
    analog[0] = 150;
    EXPECT_EQ(SizeGridColumns(1000, 17, 150), analog);
    EXPECT_EQ(SizeGridColumns(100, 3, 150), (std::vector<int>{150, 0, 0}));
    EXPECT_TRUE(SizeGridColumns(100, 0, 0).empty());
}

TEST(GridModel, ExactNumbersLastUntilTheTextIsReplaced) {
    GridModel g = GridModel::FreqTable();
    g.SetRow(1, {"15.3"});
    EXPECT_EQ(g.Number(1, 0), 15.3);
    g.SetRowNumbers(1, {15.33});
    EXPECT_EQ(g.Text(1, 0), "15.3");
    EXPECT_EQ(g.Number(1, 0), 15.33);
    const GridModel before = g;
    g.SetNumber(1, 0, 15.33);  // the same value: no change
    EXPECT_TRUE(DiffCells(before, g).empty());
    g.SetNumber(1, 0, 15.3);  // the same text, another value: a change
    ASSERT_EQ(DiffCells(before, g).size(), 1u);
    g.SetText(1, 0, "7");
    EXPECT_EQ(g.Number(1, 0), 7);
}

TEST(GridHistory, UndoAndRedoGiveBackTheWordsOfEachStep) {
    GridHistory history;
    EXPECT_FALSE(history.Undo() || history.Redo());
    const TableRef freq{2, TableKind::Frequency};
    EXPECT_EQ(history.UndoCaption(), "Undo");
    history.Record(freq, {{1, 0, 5, 6}, {1, 1, 0, 7}}, "Linearize");
    history.Record({2, TableKind::Analog}, {{3, 3, 1533, 1600}}, "Edit Cell");
    history.Record(freq, {}, "Paste");  // nothing changed: no step
    EXPECT_EQ(history.UndoCaption(), "Undo Edit Cell");
    EXPECT_EQ(history.RedoCaption(), "Redo");

    auto undo = history.Undo();
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->table.kind, TableKind::Analog);
    EXPECT_EQ(undo->cells, (std::vector<CellWord>{{3, 3, 1533}}));
    EXPECT_EQ(history.UndoCaption(), "Undo Linearize");
    EXPECT_EQ(history.RedoCaption(), "Redo Edit Cell");
    undo = history.Undo();
    EXPECT_EQ(undo->table, freq);
    EXPECT_EQ(undo->cells, (std::vector<CellWord>{{1, 0, 5}, {1, 1, 0}}));
    EXPECT_FALSE(history.CanUndo());

    auto redo = history.Redo();
    EXPECT_EQ(redo->cells, (std::vector<CellWord>{{1, 0, 6}, {1, 1, 7}}));
    EXPECT_EQ(history.RedoCount(), 1u);
    history.Record(freq, {{1, 2, 1, 2}}, "Paste");  // a new change ends the redo side
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.UndoCount(), 2u);
    history.Clear();
    EXPECT_FALSE(history.CanUndo());
}

TEST(GridHistory, ImageChangesJoinNearRunsAndNameEveryKindOfStep) {
    CalImage before, after;
    EXPECT_TRUE(ImageChanges(before, after).empty());
    after[0] = 1;   // the first byte
    after[5] = 2;   // four alike between: one run
    after[11] = 3;  // five alike between: a run of its own
    after[kCalImageLast] = 4;
    const auto runs = ImageChanges(before, after);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0], (ByteChange{kCalBaseAddress, Bytes(6, 0), {1, 0, 0, 0, 0, 2}}));
    EXPECT_EQ(runs[1], (ByteChange{kCalBaseAddress + 11, {0}, {3}}));
    EXPECT_EQ(runs[2].address, kCalBaseAddress + kCalImageLast);

    EXPECT_EQ(
        (std::vector{PresetStepName("SP-8000-E", "Electronic Speedometer"),
                     PresetStepName("", "Fuel Level"), FunctionStepName("Voltage Out"),
                     DriveStepName(true, "Ground"), RestoreStepName("FT4XK2QZ")}),
        (std::vector<std::string>{"Preset SP-8000-E", "Preset Fuel Level", "Function Voltage Out",
                                  "Off State Ground", "Restore Point FT4XK2QZ"}));
    GridHistory history;
    history.RecordBytes(runs, "Preset Fuel Level");
    history.RecordBytes(runs, "Restore Point FT4XK2QZ");
    history.RecordBytes({{kCalBaseAddress, {1}, {1}}}, "Nothing");  // no change: no step
    EXPECT_EQ(history.UndoCount(), 2u);
    EXPECT_EQ(history.UndoCaption(), "Undo Restore Point FT4XK2QZ");
    const auto undo = history.Undo();
    ASSERT_TRUE(undo);
    // Undone last run first, each back to its bytes before.
    EXPECT_EQ(undo->bytes.front().address, kCalBaseAddress + kCalImageLast);
    EXPECT_EQ(undo->bytes.back(), (BytesAt{kCalBaseAddress, Bytes(6, 0)}));
    EXPECT_EQ(history.RedoCaption(), "Redo Restore Point FT4XK2QZ");
}

TEST(GridHistory, KeepsOnlyTheNewestSteps) {
    GridHistory history(3);
    for (unsigned i = 0; i < 5; ++i) history.Record({}, {{1, 1, i, i + 1}}, "Edit Cell");
    EXPECT_EQ(history.UndoCount(), 3u);
    unsigned oldest = 0;
    while (auto step = history.Undo()) oldest = step->cells[0].word;
    EXPECT_EQ(oldest, 2u);
    EXPECT_EQ(history.RedoCount(), 3u);
}

}  // namespace
}  // namespace vx42
