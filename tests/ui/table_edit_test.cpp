// Table editing in the window: the keyboard operations, the right-click menu, copy and paste,
// and undo/redo, each checked in the image and in the simulator's memory. What an operation
// makes of the cells is the grid's rule, tested there.

#include "calibration/grid/grid_model.h"
#include "calibration/outputs/output_tables.h"
#include "ui_fixture.h"

namespace {

// The analog table of output 1 with period 100 Hz.
struct AnalogFixture : PageFixture {
    AnalogFixture() {
        Connect();
        page().optType[2]->click();
        Type(page().txtPeriod, "100");
        grid = page().mshAnalogTable;
        grid->setFocus();
        Settle();  // the function and the period in the module before a step takes its picture
    }
    // Duty cell (row, col) in the module, as tenths of a percent.
    unsigned ModuleDuty(int row, int col) { return Word(DutyAddress(row, col)); }
    int DutyAddress(int row, int col) { return cal(0).TableBlock + 32 * (row - 1) + 2 * (col - 1); }
    // The text typed into a cell, left open or committed with Enter.
    void TypePending(int row, int col, const char* text) {
        TypeIntoCell(grid, row, col, text, false);
    }
    void Enter(int row, int col, const char* text) { TypeIntoCell(grid, row, col, text); }
    // A word put into the image and the module alike, as a retrieve would leave it.
    void Plant(int address, unsigned word) {
        image().StoreWord(address, word);
        Held().Memory()[address] = static_cast<std::uint8_t>(word >> 8);
        Held().Memory()[address + 1] = static_cast<std::uint8_t>(word & 0xFF);
        window.session().Retrieved(image());  // the tool knows the module holds it
    }
    // Ctrl and the key on the selected cells, the answer given to the question it asks.
    void Key(Qt::Key k, int row, int col, int rowTo, int colTo, const char* answer = nullptr) {
        if (answer) prompt.AnswerInput(answer);
        grid->selectCells(row, col, rowTo, colTo);
        QTest::keyClick(grid, k, Qt::ControlModifier);
    }
    // Output 1's primary data from "Coolant" (-40 °C offset, shown in °F) and words no display
    // text gives back exactly: duty shown to 0.1 %, breakpoints shown in whole degrees and
    // battery volts to 0.01 V.
    void PlantOddWords() {
        SelectMessage(0, "Coolant");
        page().chkFormatCAN->click();
        Settle();
        for (int r = 1; r <= 6; ++r)
            for (int c = 1; c <= 16; ++c) Plant(DutyAddress(r, c), 1533 + 7 * r + c);
        for (int k = 0; k < 16; ++k) Plant(cal(0).PrimaryBlock + 2 * k, 16 + 3 * k);
        for (int k = 0; k < 6; ++k) Plant(cal(0).SecondaryBlock + 2 * k, 601 + k);
        Plant(DutyAddress(5, 7), 3000);  // off the line its neighbours span
        page().Reload();
        grid->setFocus();
    }
    TableGridWidget* grid = nullptr;
};

// Every byte of the image and of the module but those of the cells at `changed` is as it was;
// those changed, and the module holds them.
void ExpectOnlyChanged(AnalogFixture& f, const CalImage& image, const CalImage& module,
                       const std::vector<int>& changed, const char* what) {
    auto inside = [&](int address) {
        for (int at : changed)
            if (address == at || address == at + 1) return true;
        return false;
    };
    const CalImage now = f.ModuleImage();
    for (int i = 0; i < kCalImageSize; ++i) {
        const int address = kCalBaseAddress + i;
        if (inside(address)) continue;
        QVERIFY2(f.image()[i] == image[i] && now[i] == module[i],
                 qPrintable(QString("%1: 0x%2").arg(what).arg(address, 0, 16)));
    }
    for (int at : changed)
        QVERIFY2(f.image().Word(at) != image.Word(at) && f.Word(at) == f.image().Word(at),
                 qPrintable(QString("%1: 0x%2 not changed in both").arg(what).arg(at, 0, 16)));
}

// A step of the table, and the cells it changes (none: nothing changes).
struct Step {
    const char* what;
    std::function<void()> run;
    std::vector<int> changed;
};

// Runs each step and checks that it changed only its cells, and asked and said what it should.
void RunSteps(AnalogFixture& f, const std::vector<Step>& steps) {
    for (const Step& step : steps) {
        const CalImage image = f.image();
        const CalImage module = f.ModuleImage();
        step.run();
        f.Settle();
        ExpectOnlyChanged(f, image, module, step.changed, step.what);
        QVERIFY2(f.prompt.ScriptDone(), step.what);
        if (QTest::currentTestFailed()) return;
    }
}

}  // namespace

class TableEditTest : public QObject {
    Q_OBJECT
  private slots:
    void eachOperationChangesOnlyItsCellsInTheModule() {
        AnalogFixture f;
        f.PlantOddWords();
        const int cell = f.DutyAddress(2, 3);
        using K = Qt::Key;
        const std::vector<Step> steps = {
            {"+1", [&] { f.Key(K::Key_Equal, 2, 3, 2, 3); }, {cell}},
            {"-1", [&] { f.Key(K::Key_Minus, 2, 3, 2, 3); }, {cell}},
            {"percent", [&] { f.Key(K::Key_P, 2, 3, 2, 3, "10"); }, {cell}},
            {"increase", [&] { f.Key(K::Key_I, 2, 3, 2, 3, "2"); }, {cell}},
            {"set to", [&] { f.Key(K::Key_J, 2, 3, 2, 3, "7"); }, {cell}},
            {"undo", [&] { f.page().Undo(); }, {cell}},
            {"redo", [&] { QTest::keyClick(f.grid, Qt::Key_Y, Qt::ControlModifier); }, {cell}},
            {"paste",
             [&] {
                 QApplication::clipboard()->setText("9");
                 f.grid->selectCells(2, 3);
                 f.window.mEditPaste->trigger();
             },
             {cell}},
            {"the right-click menu's +1",
             [&] {
                 f.grid->selectCells(2, 3);
                 f.page().mEditFlexIncrease1->trigger();
             },
             {cell}},
            // In order between its neighbours (a breakpoint out of order stays out of the module).
            {"set to breakpoint",
             [&] { f.Key(K::Key_J, 0, 5, 0, 5, "13"); },
             {f.cal(0).PrimaryBlock + 8}},
            // Every cell of the line is rounded, its ends included.
            {"linearize",
             [&] { f.Key(K::Key_L, 4, 6, 4, 8); },
             {f.DutyAddress(4, 6), f.DutyAddress(4, 7), f.DutyAddress(4, 8)}},
            {"interpolation", [&] { f.Key(K::Key_T, 5, 6, 5, 8); }, {f.DutyAddress(5, 7)}},
            {"linearize two rows",
             [&] {
                 f.prompt.ExpectMessage("You may only linearize 1 row at a time.");
                 f.Key(K::Key_L, 1, 1, 2, 3);
             },
             {}},
        };
        RunSteps(f, steps);
    }

    // Enter, leaving the cell, "Set to" and a paste each reach the tables' rule (one result per
    // input, tested there): a comma is refused and told, after any question asked; a value taken
    // on leaving the cell reaches the module.
    void everyCommitPathReachesTheRule() {
        AnalogFixture f;
        const auto refused = [&f] { f.prompt.ExpectMessage(NotANumberText("1,5")); };
        const std::vector<Step> paths = {
            {"enter a comma", [&] { refused(), f.Enter(1, 1, "1,5"); }, {}},
            {"leave a comma",
             [&] {
                 refused();
                 f.TypePending(1, 1, "1,5");
                 f.page().txtOutputName->setFocus();
             },
             {}},
            {"set to a comma",
             [&] {
                 f.prompt.AnswerInput("1,5");
                 refused();
                 f.Key(Qt::Key_J, 1, 1, 1, 2);
             },
             {}},
            {"paste a comma",
             [&] {
                 refused();
                 QApplication::clipboard()->setText("1,5");
                 f.grid->setFocus();
                 f.grid->selectCells(1, 1);
                 f.page().PasteFocused();
             },
             {}},
            {"leave",
             [&] {
                 f.TypePending(1, 1, "15");
                 f.page().txtOutputName->setFocus();
             },
             {f.DutyAddress(1, 1)}},
        };
        RunSteps(f, paths);
    }

    // A typed or pasted value beyond the speedo table's frequencies is brought to the limit (its
    // row's own, reached by the operation), and the status bar says what was stored.
    void frequencyTableLimitsAreSaid() {
        OnlinePage f;
        f.page().optType[4]->click();
        TableGridWidget* grid = f.page().mshFreqTable;
        const int second = f.cal(0).TableBlock + 2;
        auto note = [&f] { return f.window.statusBar()->currentMessage(); };
        PageFixture::TypeIntoCell(grid, 1, 1, "7000");
        f.Settle();
        QCOMPARE(note(), QString("7000 is above 6553.5 Hz: stored 6553.5"));
        QCOMPARE(f.Word(second), 65535u);
        QApplication::clipboard()->setText("-2");
        f.window.mEditPaste->trigger();
        f.Settle();
        QCOMPARE(note(), QString("-2 is below 0 Hz: stored 0.0"));
        QCOMPARE(f.Word(second), 0u);
    }

    void theCornerIsIgnoredAndADigitOnSeveralCellsAsks() {
        AnalogFixture f;
        const CalImage before = f.image();
        f.grid->selectCells(0, 0);
        QTest::mouseDClick(f.grid->viewport(), Qt::LeftButton, {},
                           f.grid->visualItemRect(f.grid->item(0, 0)).center());
        QTest::keyClick(f.grid, Qt::Key_5);
        QVERIFY(!f.grid->editorOpen());
        QVERIFY(f.image() == before);
        // A double-click elsewhere opens the editor with the cell's text.
        QTest::mouseDClick(f.grid->viewport(), Qt::LeftButton, {},
                           f.grid->visualItemRect(f.grid->item(1, 1)).center());
        QVERIFY(f.grid->editorOpen());
        QCOMPARE(f.grid->editor()->text(), QString("0.0"));
        QTest::keyClick(f.grid->editor(), Qt::Key_Escape);
        // A digit with several cells selected asks for the value of them all.
        f.grid->selectCells(2, 2, 2, 3);
        f.prompt.AnswerInput(std::nullopt);  // cancelled
        QTest::keyClick(f.grid, Qt::Key_7);
        QCOMPARE(f.prompt.Calls().back().title, std::string("Set Selection"));
        QVERIFY(!f.grid->editorOpen());
    }

    void copyPasteAndTheRightClickMenu() {
        AnalogFixture f;
        for (int k = 0; k < 4; ++k) f.Enter(1 + k / 2, 1 + k % 2, std::to_string(k + 1).c_str());
        f.grid->selectCells(1, 1, 2, 2);
        f.window.mEditCopy->trigger();
        QCOMPARE(QApplication::clipboard()->text(), QString("1.0\t2.0\r3.0\t4.0"));
        // Paste into a wider selection: fills from its top-left, leaves cells without data, and
        // says so.
        QApplication::clipboard()->setText("50\t60\r70");
        f.grid->selectCells(4, 5, 5, 7);
        f.prompt.ExpectMessage("Pasted 3 values into 2 rows x 2 columns. 2 selected cells");
        f.window.mEditPaste->trigger();
        f.Settle();
        QCOMPARE(f.ModuleDuty(5, 5), 7000u);
        QCOMPARE(f.page().mEditUndo->text(), QString("&Undo Paste"));
        // The menu opens on a right click.
        QTest::mousePress(f.grid->viewport(), Qt::RightButton, {},
                          f.grid->visualItemRect(f.grid->item(1, 1)).center());
        QTRY_VERIFY(f.page().mEditFlexGrid->isVisible());
        f.page().mEditFlexGrid->hide();
    }

    // A pending edit is committed into the output it was typed for before the tab changes or a
    // menu command runs.
    void pendingEditLandsInItsOwnOutput() {
        AnalogFixture f;
        f.TypePending(1, 1, "42");
        f.SelectTab(1);
        f.Settle();
        QCOMPARE(f.ModuleDuty(1, 1), 4200u);
        QCOMPARE(f.image().Word(f.cal(1).TableBlock), 0u);
        f.SelectTab(0);
        f.TypePending(1, 2, "17");
        emit f.window.menuFile->aboutToShow();  // the menu opening for a command
        f.Settle();
        QCOMPARE(f.ModuleDuty(1, 2), 1700u);
        // A command that replaces the calibration commits first too (the dialog is cancelled).
        f.TypePending(1, 3, "5");
        f.prompt.AnswerYesNo(Answer::No);   // do not save first
        f.prompt.AnswerYesNo(Answer::Yes);  // open and program the module
        f.prompt.AnswerOpenFile(std::nullopt);
        f.window.OpenCommand();
        QCOMPARE(f.image().Word(f.DutyAddress(1, 3)), 500u);
    }

    // A cell changed since by another path (a compared copy, a preset) is not reverted by an
    // undo of the step before it: the undo says so and changes nothing.
    void undoActsOnlyWhileTheCellsHoldWhatTheStepLeft() {
        AnalogFixture f;
        f.Enter(2, 1, "10");
        f.Settle();
        QCOMPARE(f.ModuleDuty(2, 1), 1000u);
        const int address = f.DutyAddress(2, 1);
        EditTarget other = f.window.edit();
        other.StoreAndWriteWord(address, 300);
        f.Settle();
        f.prompt.ExpectMessage("Nothing was undone");
        f.page().Undo();
        f.Settle();
        QCOMPARE(f.image().Word(address), 300u);
        QCOMPARE(f.ModuleDuty(2, 1), 300u);
        // Once the cell holds what the step left again, the undo acts.
        other.StoreAndWriteWord(address, 1000);
        f.page().Undo();
        f.Settle();
        QCOMPARE(f.ModuleDuty(2, 1), 0u);
        // Redo likewise only from what the undo left.
        other.StoreAndWriteWord(address, 77);
        f.prompt.ExpectMessage("Nothing was redone");
        f.page().Redo();
        f.Settle();
        QCOMPARE(f.ModuleDuty(2, 1), 77u);
    }
};

QTEST_MAIN(TableEditTest)
#include "table_edit_test.moc"
