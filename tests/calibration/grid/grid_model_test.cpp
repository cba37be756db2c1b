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

TEST(GridClipboard, PasteFillsTheSelectionOnly) {
    GridModel g = GridModel::FreqTable();
    g.SetRow(0, {"a", "b", "c", "d"});
    g.SetRow(1, {"e", "f", "g", "h"});
    g.Select(1, 2, 0, 1);
    ScriptedPrompt prompt;
    const auto out = PasteSelectionText(g, "1\t2\t3\r\n4\t5\n6\t7\n", prompt);
    EXPECT_TRUE(out.changed);
    EXPECT_EQ(out.cells.size(), 4u);
    EXPECT_EQ(out.cells[3].value, 5);
    EXPECT_EQ(CopySelectionText(g), "1\t2\r4\t5");
    EXPECT_EQ(g.Text(0, 3), "d");  // beyond the selection: dropped

    g.Select(0, 0, 1, 3);
    PasteSelectionText(g, "10\t \t\t1.5\r", prompt);
    EXPECT_EQ(CopySelectionText(g), "10\t1\t2\t1.5\re\t4\t5\th");  // no data: unchanged
    EXPECT_FALSE(PasteSelectionText(g, "", prompt).changed);
    // A field that is no number refuses the whole paste rather than being read as 1.
    for (const char* bad : {"7\t1,5", "word"}) {
        prompt.ExpectMessage(NotANumberText(bad[0] == '7' ? "1,5" : "word"));
        EXPECT_FALSE(PasteSelectionText(g, bad, prompt).changed);
    }
    EXPECT_EQ(g.Text(0, 0), "10");
    EXPECT_TRUE(prompt.Unexpected().empty());
}

TEST(GridClipboard, PasteNeverWritesTheAnalogCorner) {
    GridModel g = GridModel::AnalogTable();
    g.Select(0, 0, 1, 1);
    ScriptedPrompt prompt;
    PasteSelectionText(g, "1\t2\r3\t4", prompt);
    EXPECT_EQ(CopySelectionText(g), "\t2\r3\t4");
}

TEST(GridModel, SelectionIsOrderedAndKeptInsideTheGrid) {
    GridModel g = GridModel::AnalogTable();
    g.Select(4, 9, 1, 20);
    const CellRange sel = g.Selection();
    EXPECT_EQ(sel.top, 1);
    EXPECT_EQ(sel.bottom, 4);
    EXPECT_EQ(sel.left, 9);
    EXPECT_EQ(sel.right, 16);
    EXPECT_FALSE(g.SetText(0, 0, "5"));
    EXPECT_FALSE(g.SetText(7, 0, "5"));
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
    history.Record(freq, {{1, 0, 5, 6}, {1, 1, 0, 7}});
    history.Record({2, TableKind::Analog}, {{3, 3, 1533, 1600}});
    history.Record(freq, {});  // nothing changed: no step

    auto undo = history.Undo();
    ASSERT_TRUE(undo);
    EXPECT_EQ(undo->table.kind, TableKind::Analog);
    EXPECT_EQ(undo->cells, (std::vector<CellWord>{{3, 3, 1533}}));
    undo = history.Undo();
    EXPECT_EQ(undo->table, freq);
    EXPECT_EQ(undo->cells, (std::vector<CellWord>{{1, 0, 5}, {1, 1, 0}}));
    EXPECT_FALSE(history.CanUndo());

    auto redo = history.Redo();
    EXPECT_EQ(redo->cells, (std::vector<CellWord>{{1, 0, 6}, {1, 1, 7}}));
    EXPECT_EQ(history.RedoCount(), 1u);
    history.Record(freq, {{1, 2, 1, 2}});  // a new change ends the redo side
    EXPECT_FALSE(history.CanRedo());
    EXPECT_EQ(history.UndoCount(), 2u);
    history.Clear();
    EXPECT_FALSE(history.CanUndo());
}

TEST(GridHistory, KeepsOnlyTheNewestSteps) {
    GridHistory history(3);
    for (unsigned i = 0; i < 5; ++i) history.Record({}, {{1, 1, i, i + 1}});
    EXPECT_EQ(history.UndoCount(), 3u);
    unsigned oldest = 0;
    while (auto step = history.Undo()) oldest = step->cells[0].word;
    EXPECT_EQ(oldest, 2u);
    EXPECT_EQ(history.RedoCount(), 3u);
}

}  // namespace
}  // namespace vx42
