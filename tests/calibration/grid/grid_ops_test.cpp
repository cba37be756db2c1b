#include "calibration/grid/grid_ops.h"

#include <gtest/gtest.h>

#include "base/scripted_prompt.h"

namespace vx42 {
namespace {

using Row = std::vector<std::string>;

// The texts of columns left to right of a row (all of them by default).
Row RowOf(const GridModel& g, int row, int left = 0, int right = -1) {
    Row texts;
    for (int c = left; c <= (right < 0 ? g.Cols() - 1 : right); ++c)
        texts.push_back(g.Text(row, c));
    return texts;
}

class GridOps : public ::testing::Test {
  protected:
    void TearDown() override {
        EXPECT_TRUE(prompt.Unexpected().empty()) << prompt.Unexpected().front();
        EXPECT_TRUE(prompt.ScriptDone());
    }
    GridOutcome Key(GridModel& g, GridKey key, GridLimits limits = AnalogTableLimits()) {
        return GridKeyDown(g, key, limits, prompt);
    }
    PromptCall LastCall() const { return prompt.Calls().back(); }

    ScriptedPrompt prompt;
    GridModel freq = GridModel::FreqTable();
    GridModel analog = GridModel::AnalogTable();
};

TEST_F(GridOps, LinearizeRoundsEveryCellHalvesToEvenInEitherDirection) {
    freq.SetRow(1, {"9.5", "0", "0", "0", "20.5"});
    freq.Select(1, 4, 1, 0);  // opposite corner left of the active cell
    const auto out = Key(freq, GridKey::Ctrl('L'));
    EXPECT_TRUE(out.changed);
    // 12.25, 15, 17.75 between the ends; the ends round to even as well.
    EXPECT_EQ(RowOf(freq, 1),
              (Row{"10", "12", "15", "18", "20", "", "", "", "", "", "", "", "", "", "", ""}));
    EXPECT_EQ(out.cells.size(), 5u);
}

TEST_F(GridOps, LinearizeAndInterpolationRefuseWrongSelections) {
    freq.SetRow(0, {"5", "7", "5"});
    freq.SetRow(1, {"1", "2", "3"});
    const GridModel before = freq;
    // The selection (row, col, rowSel, colSel), the key, the message and its title.
    const std::tuple<int, int, int, int, char, const char*, const char*> cases[] = {
        {1, 0, 0, 2, 'L', "You may only linearize 1 row at a time.", "Linearize"},
        {1, 1, 1, 1, 'L', "You must select two or more points to linearize.", "Linearize"},
        {0, 0, 1, 1, 'T', "You may only use linear Interpolation on 1 row at a time.",
         "Linear Interpolation"},
        {1, 2, 1, 2, 'T', "You must select two or more points to do a linear Interpolation.",
         "Linear Interpolation"},
        {1, 0, 1, 2, 'T', "equal", "Linear Interpolation"},  // breakpoints 5 and 5
    };
    for (const auto& [row, col, rowSel, colSel, key, message, title] : cases) {
        freq.Select(row, col, rowSel, colSel);
        prompt.ExpectMessage(message);
        EXPECT_FALSE(Key(freq, GridKey::Ctrl(key)).changed) << message;
        EXPECT_EQ(LastCall().title, title);
    }
    freq.Select(1, 0, 0, 2);
    prompt.ExpectMessage("You may only linearize 1 row at a time.");
    Key(freq, GridKey::Ctrl('L'));
    EXPECT_EQ(freq.RowSel, 1);  // the selection is reduced to the active row
    EXPECT_TRUE(DiffCells(before, freq).empty());
}

TEST_F(GridOps, PercentClampsRoundsAndRefusesOutOfRange) {
    analog.SetRow(1, {"", "65000", "100", "5"});
    analog.Select(1, 3, 1, 1);  // reversed: normalised
    prompt.AnswerInput("10");
    EXPECT_TRUE(Key(analog, GridKey::Ctrl('P')).changed);
    EXPECT_EQ(LastCall().title, "Percent Add/Subtract");
    EXPECT_EQ(LastCall().text,
              "Please enter the percentage you would like to add/subtract. Allowable ranges are "
              "between -99 to 99. (Ex. 12 or -25)");
    EXPECT_EQ(RowOf(analog, 1, 1, 3), (Row{"65535", "110", "6"}));  // 5.5 to even

    analog.SetText(1, 2, "100");
    analog.Select(1, 2);
    prompt.AnswerInput("-99");
    Key(analog, GridKey::Ctrl('P'));
    EXPECT_EQ(RowOf(analog, 1)[2], "1");

    for (const char* refused : {"100", "-100"}) {
        prompt.AnswerInput(refused);
        prompt.ExpectMessage("Please enter a value between +/- 99");
        EXPECT_FALSE(Key(analog, GridKey::Ctrl('P')).changed);
        EXPECT_EQ(LastCall().title, "Percent Add/Subtract");
    }
    prompt.AnswerInput("  ");
    prompt.AnswerInput(std::nullopt);
    EXPECT_FALSE(Key(analog, GridKey::Ctrl('P')).changed);
    EXPECT_FALSE(Key(analog, GridKey::Ctrl('P')).changed);
    for (const char* notNumber : {"1,5", "12abc"})  // refused, never read as 1 or 12
        for (const char key : {'P', 'I'}) {
            prompt.AnswerInput(notNumber);
            prompt.ExpectMessage(NotANumberText(notNumber));
            EXPECT_FALSE(Key(analog, GridKey::Ctrl(key)).changed) << key;
        }
    EXPECT_EQ(RowOf(analog, 1)[2], "1");
}

TEST_F(GridOps, PlusAndMinusOneClampToTheTableLimits) {
    freq.SetRow(1, {"6553", "", "abc", "0"});
    freq.Select(1, 3, 1, 0);
    EXPECT_TRUE(Key(freq, GridKey::Keypad(keys::kPlus, true), FreqTableLimits(1)).changed);
    // Clamped, not rounded; an empty or non-numeric cell counts as 0.
    EXPECT_EQ(RowOf(freq, 1, 0, 3), (Row{"6553.5", "1", "1", "1"}));
    Key(freq, GridKey::Ctrl(keys::kMinus), FreqTableLimits(1));
    Key(freq, GridKey::Ctrl(keys::kMinus), FreqTableLimits(1));
    EXPECT_EQ(RowOf(freq, 1, 0, 3), (Row{"6551", "0", "0", "0"}));  // 6552.5 rounds to even
}

TEST_F(GridOps, IncreaseDecreaseAddsTheAmountWithinLimits) {
    analog.SetRow(2, {"7", "3", "65530"});
    analog.Select(2, 2, 2, 0);
    prompt.AnswerInput("-5");
    EXPECT_TRUE(Key(analog, GridKey::Ctrl('I')).changed);
    EXPECT_EQ(LastCall().title, "Increase/Decrease");
    EXPECT_EQ(RowOf(analog, 2),
              (Row{"2", "0", "65525", "", "", "", "", "", "", "", "", "", "", "", "", "", ""}));
    prompt.AnswerInput("10");
    Key(analog, GridKey::Ctrl('I'));
    EXPECT_EQ(RowOf(analog, 2)[2], "65535");
}

TEST_F(GridOps, SetToWritesTheValueOrRefusesANonNumber) {
    analog.Select(3, 3, 2, 1);
    prompt.AnswerInput("1,5");  // refused, never read as 1
    prompt.ExpectMessage(NotANumberText("1,5"));
    EXPECT_FALSE(Key(analog, GridKey::Ctrl('J')).changed);
    // The question with its initial text, then the refusal.
    EXPECT_EQ(std::tuple(prompt.Calls()[0].title, prompt.Calls()[0].text,
                         prompt.Calls()[0].dialog.fileName, LastCall().title, analog.Text(2, 2)),
              std::tuple("Set Selection",
                         "Please enter the value you would like to set the entire selection to.",
                         "", "Not A Number", ""));

    prompt.AnswerInput(" 12.25 ");
    const auto set = Key(analog, GridKey::Ctrl('J'));
    EXPECT_TRUE(set.changed);
    EXPECT_EQ(std::pair(set.cells.size(), set.cells[0].value),
              std::pair(std::size_t{6}, std::optional{12.25}));
    EXPECT_EQ(analog.Text(2, 1) + " " + analog.Text(3, 3), "12.25 12.25");  // not rounded here
}

TEST_F(GridOps, SetToBeyondTheCellsLimitsIsRefusedWithTheirRange) {
    const std::tuple<const char*, GridLimits, const char*> cases[] = {
        {"70000", AnalogTableLimits(), "Please enter a value between 0 and 65535."},
        {"7000", FreqTableLimits(1), "Please enter a value between 0 and 6553.5."},
        {"150", {0, 100, "%"}, "Please enter a value between 0 and 100."},
        {"-1", {0, 100, "%"}, "Please enter a value between 0 and 100."},
    };
    for (const auto& [answer, limits, message] : cases) {
        freq.SetRow(1, {"5", "6"});
        freq.Select(1, 0, 1, 1);
        prompt.AnswerInput(answer);
        prompt.ExpectMessage(message);
        EXPECT_FALSE(Key(freq, GridKey::Ctrl('J'), limits).changed) << answer;
        EXPECT_EQ(LastCall().title, "Set Selection");
        EXPECT_EQ(RowOf(freq, 1, 0, 1), (Row{"5", "6"})) << answer;
    }
    // The limits themselves are values like any other.
    prompt.AnswerInput("6553.5");
    EXPECT_TRUE(Key(freq, GridKey::Ctrl('J'), FreqTableLimits(1)).changed);
    EXPECT_EQ(RowOf(freq, 1)[1], "6553.5");
}

TEST(GridLimitNote, SaysWhatAValueBroughtToItsLimitStored) {
    const std::tuple<double, GridLimits, const char*, std::optional<std::string>> cases[] = {
        {150, {0, 100, "%"}, "100.0", "150 is above 100 %: stored 100.0"},
        {7000, {0, 6553.5, "Hz"}, "6553.5", "7000 is above 6553.5 Hz: stored 6553.5"},
        {-3.5, {0, 65535, ""}, "0", "-3.5 is below 0: stored 0"},
        {-60, {-40, 100, "°F"}, "-40", "-60 is below -40 °F: stored -40"},
        {100, {0, 100, "%"}, "100.0", std::nullopt},  // within the limits: no note
        {0, {0, 100, "%"}, "0.0", std::nullopt},
    };
    for (const auto& [typed, limits, stored, note] : cases)
        EXPECT_EQ(LimitNote(typed, limits, stored), note) << typed;
    EXPECT_EQ((std::vector{LimitNotes({}), LimitNotes({"a"}), LimitNotes({"a", "b"}),
                           LimitNotes({"a", "b", "c"})}),
              (std::vector<std::string>{"", "a", "a (and 1 more cell stored at its limit)",
                                        "a (and 2 more cells stored at their limits)"}));
}

TEST_F(GridOps, OperationsComputeFromExactValuesAndReportOnlyChangedCells) {
    // Shown rounded to 0.1, held exactly: the ends of a linear interpolation keep theirs.
    freq.SetRow(0, {"0", "10", "20"});
    freq.SetRow(1, {"15.3", "0", "20.1"});
    freq.SetRowNumbers(1, {15.33, 0, 20.07});
    freq.Select(1, 0, 1, 2);
    const auto out = Key(freq, GridKey::Ctrl('T'), FreqTableLimits(1));
    ASSERT_EQ(out.cells.size(), 1u);
    EXPECT_EQ(std::tuple(out.cells[0].col, freq.Number(1, 0)), std::tuple(1, 15.33));
    EXPECT_DOUBLE_EQ(*out.cells[0].value, 17.7);

    // +1 on exact values, and a cell whose result is its own value is not reported.
    freq.SetRowNumbers(1, {15.33, 17.7, 6553.5});
    freq.Select(1, 0, 1, 2);
    const auto plus = Key(freq, GridKey::Ctrl(keys::kPlus), FreqTableLimits(1));
    ASSERT_EQ(plus.cells.size(), 2u);
    EXPECT_EQ(std::pair(plus.cells[0].value, plus.cells[1].value),
              std::pair(std::optional{16.0}, std::optional{19.0}));  // 16.33, 18.7 rounded
}

TEST_F(GridOps, KeysThatStartTheEditor) {
    freq.SetRow(1, {"42"});
    freq.Select(1, 0);
    for (int code : {keys::kBackspace, keys::kEnter, keys::kSpace, 0, 12, 18}) {
        const auto out = Key(freq, GridKey::Plain(code));
        EXPECT_TRUE(out.openEditor) << code;
        EXPECT_EQ(out.editorText, "42");
    }
    EXPECT_EQ(Key(freq, GridKey::Plain('7')).editorText, "7");
    EXPECT_EQ(Key(freq, GridKey::Keypad('3')).editorText, "3");
    EXPECT_EQ(Key(freq, GridKey::Keypad(keys::kMinus)).editorText, "-");
    EXPECT_EQ(Key(freq, GridKey::Plain(keys::kPeriod)).editorText, ".");
    for (GridKey none : {GridKey::Plain(keys::kTab), GridKey{keys::kTab, false, true, false},
                         GridKey::Plain(keys::kControl), GridKey::Plain(keys::kShift),
                         GridKey::Plain('A'), GridKey::Ctrl('C')}) {
        const auto out = Key(freq, none);
        EXPECT_FALSE(out.openEditor || out.changed) << none.code;
    }
    EXPECT_EQ(GridDoubleClick(freq, prompt).editorText, "42");
}

TEST_F(GridOps, DigitWithSeveralCellsSelectedAsksSetSelection) {
    freq.Select(1, 0, 1, 1);
    prompt.AnswerInput("75");
    const auto out = Key(freq, GridKey::Plain('7'), FreqTableLimits(1));
    EXPECT_TRUE(!out.openEditor && out.changed);  // the window must store what was set
    EXPECT_EQ(std::tuple(LastCall().title, LastCall().dialog.fileName, RowOf(freq, 1)[1]),
              std::tuple("Set Selection", "7", "75"));
}

TEST_F(GridOps, TheAnalogCornerIsNeverChanged) {
    analog.Select(0, 0);
    EXPECT_FALSE(GridDoubleClick(analog, prompt).openEditor);
    EXPECT_FALSE(Key(analog, GridKey::Ctrl('J')).changed);  // no dialog either

    analog.Select(2, 2, 0, 0);
    EXPECT_TRUE(Key(analog, GridKey::Ctrl(keys::kPlus)).changed);
    EXPECT_EQ(std::pair(analog.Text(0, 0), analog.Text(0, 1)),
              std::pair(std::string(), std::string("1")));

    // Linearize along the breakpoint row starts after the corner.
    analog.SetRow(0, {"", "0", "0", "30"});
    analog.Select(0, 3, 0, 0);
    Key(analog, GridKey::Ctrl('L'));
    EXPECT_EQ(RowOf(analog, 0, 0, 3), (Row{"", "0", "15", "30"}));
}

TEST(GridEditor, EnterNormalisesTheTextWithinTheLimits) {
    const GridLimits word{0, 65535};
    const std::pair<const char*, std::optional<std::string>> cases[] = {
        {" 1 2.5 ", "12.5"}, {".25", "0.25"},      {"70000", "65535"},   {"-3", "0"},
        {"", "0"},           {"x7", std::nullopt}, {",5", std::nullopt}, {"1,5", std::nullopt},
    };
    for (const auto& [typed, normal] : cases)
        EXPECT_EQ(NormaliseEditorText(typed, word), normal) << typed;
    EXPECT_EQ((std::vector{NormaliseEditorText("", GridLimits{5, 10}),
                           NormaliseEditorText("-40", GridLimits{-40, 100}),
                           NormaliseEditorText("6553.57", GridLimits{0, 6553.5})}),
              (std::vector<std::optional<std::string>>{"5", "-40", "6553.5"}));

    GridModel g = GridModel::AnalogTable();
    g.Select(2, 3);
    std::string text = " 4 ";
    EXPECT_EQ(EditorKeyDown(g, keys::kEnter, text, word), EditorAction::Store);
    EXPECT_EQ(text, "4");
    text = "1,5";
    EXPECT_EQ((std::vector{EditorKeyDown(g, keys::kEnter, text, word),
                           EditorKeyDown(g, keys::kEscape, text, word),
                           EditorKeyDown(g, 'A', text, word)}),
              (std::vector{EditorAction::Refuse, EditorAction::Cancel, EditorAction::None}));
}

TEST(GridEditor, UpAndDownStopAtTheFirstNonFixedAndLastRow) {
    GridModel g = GridModel::AnalogTable();
    std::string text;
    g.Select(2, 3, 4, 5);
    EXPECT_EQ(EditorKeyDown(g, keys::kUp, text, {}), EditorAction::ToTable);
    EXPECT_EQ(std::pair(g.Row, g.RowSel), std::pair(1, 1));
    EditorKeyDown(g, keys::kUp, text, {});
    EXPECT_EQ(g.Row, 1);  // row 0 is fixed
    g.Select(5, 3);
    EditorKeyDown(g, keys::kDown, text, {});
    EditorKeyDown(g, keys::kDown, text, {});
    EXPECT_EQ(std::pair(g.Row, g.Col), std::pair(6, 3));
}

TEST(GridClampRound, RoundsInsideAndClampsOutsideUnrounded) {
    EXPECT_EQ((std::vector{ClampRound(2.5, 0, 10, 0), ClampRound(3.5, 0, 10, 0),
                           ClampRound(10, 0, 10, 0), ClampRound(6554, 0, 6553.5, 0),
                           ClampRound(-0.4, 0.5, 10, 0), ClampRound(1.25, 0, 10, 1)}),
              (std::vector{2.0, 4.0, 10.0, 6553.5, 0.5, 1.2}));
}

}  // namespace
}  // namespace vx42
