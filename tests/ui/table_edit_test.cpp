// Table editing in the window: the keyboard operations, the right-click menu, copy and paste,
// and undo/redo, each checked in the image and in the simulator's memory.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QStatusBar>
#include <functional>
#include <map>

#include "calibration/grid/grid_model.h"
#include "calibration/outputs/output_tables.h"
#include "output_page_fixture.h"
#include "ui/widgets/table_grid.h"

using namespace vx42;
using namespace vx42::test;

namespace {

// The analog table of output 1 with period 100 Hz and one row of duty cells.
struct AnalogFixture : PageFixture {
    AnalogFixture() {
        GoOnline();
        page().optType[2]->click();
        Type(page().txtPeriod, "100");
        grid = page().mshAnalogTable;
        grid->setFocus();
    }
    // Duty cell (row, col) in the module, as tenths of a percent.
    unsigned ModuleDuty(int row, int col) { return Word(DutyAddress(row, col)); }
    int DutyAddress(int row, int col) { return cal(0).TableBlock + 32 * (row - 1) + 2 * (col - 1); }
    void SetRow(int row, std::initializer_list<const char*> texts, int col = 1) {
        for (const char* t : texts) {
            grid->selectCells(row, col);
            QTest::keyClick(grid, Qt::Key_Backspace);
            grid->editor()->setText(t);
            QTest::keyClick(grid->editor(), Qt::Key_Return);
            ++col;
        }
    }
    // A word put into the image and the module alike, as a retrieve would leave it.
    void Plant(int address, unsigned word) {
        image().StoreWord(address, word);
        w.sim->Module().Memory()[address] = static_cast<std::uint8_t>(word >> 8);
        w.sim->Module().Memory()[address + 1] = static_cast<std::uint8_t>(word & 0xFF);
        window().session().Retrieved(image());  // the tool knows the module holds it
    }
    // The module's calibration memory.
    Bytes ModuleCalibration() {
        const auto& memory = w.sim->Module().Memory();
        return Bytes(memory.begin() + kCalBaseAddress,
                     memory.begin() + kCalBaseAddress + kCalImageSize);
    }
    // Opens the editor on a cell and types the text into it.
    void TypePending(int row, int col, const char* text) {
        grid->setFocus();
        grid->selectCells(row, col);
        QTest::keyClick(grid, Qt::Key_Backspace);
        grid->editor()->setText(text);
    }
    TableGridWidget* grid = nullptr;
};

// Every byte of the image and of the module but those of the cells at `changed`.
void ExpectOnlyChanged(AnalogFixture& f, const CalImage& image, const Bytes& module,
                       const std::vector<int>& changed, const char* what) {
    auto inside = [&](int address) {
        for (int at : changed)
            if (address == at || address == at + 1) return true;
        return false;
    };
    const Bytes now = f.ModuleCalibration();
    for (int i = 0; i < kCalImageSize; ++i) {
        const int address = kCalBaseAddress + i;
        if (inside(address)) continue;
        QVERIFY2(f.image()[i] == image[i],
                 qPrintable(QString("%1: image 0x%2").arg(what).arg(address, 0, 16)));
        QVERIFY2(now[i] == module[i],
                 qPrintable(QString("%1: module 0x%2").arg(what).arg(address, 0, 16)));
    }
    for (int at : changed) {
        QVERIFY2(f.image().Word(at) != image.Word(at),
                 qPrintable(QString("%1: unchanged").arg(what)));
        QVERIFY2(f.Word(at) == f.image().Word(at),
                 qPrintable(QString("%1: not in the module").arg(what)));
    }
}

}  // namespace

class TableEditTest : public QObject {
    Q_OBJECT
  private slots:
    void linearizeStoresAndUndoRestores();
    void frequencyTableLimits();
    void cornerIsIgnoredAndADigitOnSeveralCellsAsks();
    void copyAndPaste();
    void rightClickMenu();
    void oneCellOperationChangesOnlyThatCell();
    void commitPathsGiveOneResultPerInput();
    void pendingEditLandsInItsOwnOutput();
    void undoActsOnlyWhileTheCellsHoldWhatTheStepLeft();
};

void TableEditTest::linearizeStoresAndUndoRestores() {
    AnalogFixture f;
    f.SetRow(1, {"10", "0", "0", "0", "20"});
    f.grid->selectCells(1, 1, 1, 5);
    QTest::keyClick(f.grid, Qt::Key_L, Qt::ControlModifier);
    f.Settle();
    QCOMPARE(f.ModuleDuty(1, 3), 1500u);
    QCOMPARE(QString::fromStdString(f.grid->cellText(1, 3)), QString("15.0"));
    QVERIFY(f.page().mEditUndo->isEnabled());

    f.page().mEditUndo->trigger();
    f.Settle();
    QCOMPARE(f.ModuleDuty(1, 3), 0u);
    QCOMPARE(QString::fromStdString(f.grid->cellText(1, 3)), QString("0.0"));
    // Ctrl+Y on the table redoes.
    QTest::keyClick(f.grid, Qt::Key_Y, Qt::ControlModifier);
    f.Settle();
    QCOMPARE(f.ModuleDuty(1, 4), 1800u);
    // Undo of single cells, one step each, back to before the row was typed.
    for (int k = 0; k < 6; ++k) f.page().Undo();
    f.Settle();
    QCOMPARE(f.ModuleDuty(1, 5), 0u);
    QVERIFY(!f.page().mEditUndo->isEnabled());

    // Two rows selected: refused, selection reduced to the active row, nothing changed.
    f.w.prompt.ExpectMessage("You may only linearize 1 row at a time.");
    f.grid->selectCells(1, 1, 2, 3);
    QTest::keyClick(f.grid, Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(f.grid->selectedRanges().first().rowCount(), 1);
}

void TableEditTest::frequencyTableLimits() {
    OnlinePage f;
    f.page().optType[4]->click();
    TableGridWidget* grid = f.page().mshFreqTable;
    grid->setFocus();
    f.w.prompt.AnswerInput("6553");
    grid->selectCells(1, 0);
    QTest::keyClick(grid, Qt::Key_J, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    f.Settle();
    // The active row's limits reached the operations (their values are the table's rule):
    // one more than the highest frequency leaves the highest.
    const unsigned word = f.image().Word(f.cal(0).TableBlock);
    QCOMPARE(TypedCellWord(OutputScope{f.image(), {}, 0}, TableGrid::Freq, 1, 0, 1e9), word);
    QCOMPARE(f.Word(f.cal(0).TableBlock), word);
    QCOMPARE(QString::fromStdString(grid->cellText(1, 0)),
             QString::fromStdString(
                 GetTableCellText(OutputScope{f.image(), {}, 0}, TableGrid::Freq, 1, 0)));

    // A typed or pasted value beyond the frequencies' range is brought to the limit, and the
    // status bar says what was stored.
    const int second = f.cal(0).TableBlock + 2;
    grid->selectCells(1, 1);
    auto note = [&f] { return f.window().statusBar()->currentMessage(); };
    QTest::keyClick(grid, Qt::Key_Backspace);
    grid->editor()->setText("7000");
    QTest::keyClick(grid->editor(), Qt::Key_Return);
    f.Settle();
    QCOMPARE(note(), QString("7000 is above 6553.5 Hz: stored 6553.5"));
    QCOMPARE(f.Word(second), 65535u);
    f.window().statusBar()->clearMessage();
    QApplication::clipboard()->setText("-2");
    grid->selectCells(1, 1);
    f.window().mEditPaste->trigger();
    f.Settle();
    QCOMPARE(note(), QString("-2 is below 0 Hz: stored 0.0"));
    QCOMPARE(f.Word(second), 0u);
    QVERIFY(f.w.prompt.ScriptDone());
}

void TableEditTest::cornerIsIgnoredAndADigitOnSeveralCellsAsks() {
    AnalogFixture f;
    const CalImage before = f.image();
    f.grid->selectCells(0, 0);
    QTest::mouseDClick(f.grid->viewport(), Qt::LeftButton, {},
                       f.grid->visualItemRect(f.grid->item(0, 0)).center());
    QVERIFY(!f.grid->editorOpen());
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
    f.w.prompt.AnswerInput(std::nullopt);  // cancelled
    QTest::keyClick(f.grid, Qt::Key_7);
    QCOMPARE(QString::fromStdString(f.w.prompt.Calls().back().title), QString("Set Selection"));
    QVERIFY(!f.grid->editorOpen());
}

void TableEditTest::copyAndPaste() {
    AnalogFixture f;
    f.SetRow(1, {"1", "2"});
    f.SetRow(2, {"3", "4"});
    f.grid->selectCells(1, 1, 2, 2);
    f.window().mEditCopy->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QString("1.0\t2.0\r3.0\t4.0"));
    // Paste into a wider selection: fills from its top-left, leaves cells without data, and
    // says so.
    QApplication::clipboard()->setText("50\t60\r70");
    f.grid->selectCells(4, 5, 5, 7);
    f.w.prompt.ExpectMessage("Pasted 3 values into 2 rows x 2 columns. 2 selected cells");
    f.window().mEditPaste->trigger();
    f.Settle();
    QCOMPARE(f.ModuleDuty(4, 5), 5000u);
    QCOMPARE(f.ModuleDuty(5, 5), 7000u);
    QCOMPARE(f.ModuleDuty(4, 7), 0u);
    QCOMPARE(f.page().mEditUndo->text(), QString("&Undo Paste"));
    f.page().Undo();
    f.Settle();
    QCOMPARE(f.ModuleDuty(4, 5), 0u);
    QVERIFY(f.w.prompt.ScriptDone());
}

void TableEditTest::rightClickMenu() {
    AnalogFixture f;
    QMenu* menu = f.page().mEditFlexGrid;
    // The menu opens on a right click and its entries act on that table.
    QTest::mousePress(f.grid->viewport(), Qt::RightButton, {},
                      f.grid->visualItemRect(f.grid->item(1, 1)).center());
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
    f.grid->selectCells(1, 1);
    f.page().mEditFlexIncrease1->trigger();
    f.Settle();
    QCOMPARE(f.ModuleDuty(1, 1), 100u);
    QVERIFY(f.window().windowTitle().contains("Auto Retrieved"));
}

void TableEditTest::oneCellOperationChangesOnlyThatCell() {
    AnalogFixture f;
    f.SelectMessage(0, "Coolant");  // -40 °C offset, shown in °F
    f.page().chkFormatCAN->click();
    f.Settle();
    // Words no display text gives back exactly: duty shown to 0.1 %, breakpoints shown in
    // whole degrees and battery volts to 0.01 V.
    for (int r = 1; r <= 6; ++r)
        for (int c = 1; c <= 16; ++c) f.Plant(f.DutyAddress(r, c), 1533 + 7 * r + c);
    for (int k = 0; k < 16; ++k) f.Plant(f.cal(0).PrimaryBlock + 2 * k, 16 + 3 * k);
    for (int k = 0; k < 6; ++k) f.Plant(f.cal(0).SecondaryBlock + 2 * k, 601 + k);
    f.Plant(f.DutyAddress(5, 7), 3000);  // off the line its neighbours span
    f.page().Reload();
    f.grid->setFocus();

    struct Step {
        const char* what;
        std::function<void()> run;
        std::vector<int> changed;
    };
    const int cell = f.DutyAddress(2, 3);
    auto key = [&](Qt::Key k, int row, int col, int rowSel, int colSel,
                   const char* answer = nullptr) {
        return [&f, k, row, col, rowSel, colSel, answer] {
            if (answer) f.w.prompt.AnswerInput(answer);
            f.grid->selectCells(row, col, rowSel, colSel);
            QTest::keyClick(f.grid, k, Qt::ControlModifier);
        };
    };
    const Step steps[] = {
        {"+1", key(Qt::Key_Equal, 2, 3, 2, 3), {cell}},
        {"-1", key(Qt::Key_Minus, 2, 3, 2, 3), {cell}},
        {"percent", key(Qt::Key_P, 2, 3, 2, 3, "10"), {cell}},
        {"increase", key(Qt::Key_I, 2, 3, 2, 3, "2"), {cell}},
        {"set to", key(Qt::Key_J, 2, 3, 2, 3, "7"), {cell}},
        {"undo", [&f] { f.page().Undo(); }, {cell}},
        {"paste",
         [&f] {
             QApplication::clipboard()->setText("9");
             f.grid->selectCells(2, 3);
             f.window().mEditPaste->trigger();
         },
         {cell}},
        // In order between its neighbours (a breakpoint out of order stays out of the module).
        {"set to breakpoint", key(Qt::Key_J, 0, 5, 0, 5, "13"), {f.cal(0).PrimaryBlock + 8}},
        // Every cell of the line is rounded, its ends included.
        {"linearize",
         key(Qt::Key_L, 4, 6, 4, 8),
         {f.DutyAddress(4, 6), f.DutyAddress(4, 7), f.DutyAddress(4, 8)}},
        {"interpolation", key(Qt::Key_T, 5, 6, 5, 8), {f.DutyAddress(5, 7)}},
    };
    for (const Step& step : steps) {
        const CalImage image = f.image();
        const Bytes module = f.ModuleCalibration();
        step.run();
        f.Settle();
        ExpectOnlyChanged(f, image, module, step.changed, step.what);
        if (QTest::currentTestFailed()) return;
    }
    // Undo gives back the words that were there, byte for byte.
    const CalImage beforeLast = f.image();
    f.grid->selectCells(2, 3);
    QTest::keyClick(f.grid, Qt::Key_Equal, Qt::ControlModifier);
    f.page().Undo();
    f.Settle();
    QVERIFY(f.image() == beforeLast);
    QVERIFY(f.ModuleCalibration() == Bytes(beforeLast.bytes().begin(), beforeLast.bytes().end()));
    QVERIFY(f.w.prompt.ScriptDone());
}

// Each input gives one result whichever way it reaches a cell: Enter in the editor, leaving
// the cell, "Set to" and a paste. What the result is, is the tables' rule (tested there);
// here every path must reach it, send it to the module, and tell a refusal.
void TableEditTest::commitPathsGiveOneResultPerInput() {
    AnalogFixture f;  // period 10000 (100 Hz)
    f.SelectMessage(0, "Coolant");
    f.page().chkFormatCAN->click();
    f.Settle();
    struct Input {
        int row, col;
        const char* text;
        bool taken;
    };
    const Input inputs[] = {
        {0, 1, "-40", true},   // a breakpoint in °F: formatted, converted, clamped
        {1, 1, "1,5", false},  // refused: "." is the decimal point
    };
    // A refused input is told, after any question the path asks.
    auto refusal = [&f](const Input& in) {
        if (!in.taken) f.w.prompt.ExpectMessage(NotANumberText(in.text));
    };
    using Path = std::function<void(const Input&)>;
    const std::pair<const char*, Path> paths[] = {
        {"enter",
         [&](const Input& in) {
             refusal(in);
             f.TypePending(in.row, in.col, in.text);
             QTest::keyClick(f.grid->editor(), Qt::Key_Return);
         }},
        {"leave",
         [&](const Input& in) {
             refusal(in);
             f.TypePending(in.row, in.col, in.text);
             f.page().txtOutputName->setFocus();
         }},
        {"set to",
         [&](const Input& in) {
             f.w.prompt.AnswerInput(in.text);
             refusal(in);
             f.grid->selectCells(in.row, in.col, in.row, in.col + 1);
             QTest::keyClick(f.grid, Qt::Key_J, Qt::ControlModifier);
         }},
        {"paste",
         [&](const Input& in) {
             refusal(in);
             QApplication::clipboard()->setText(in.text);
             f.grid->selectCells(in.row, in.col);
             f.page().PasteFocused();
         }},
    };
    std::map<std::string, unsigned> results;  // per input, from the first path
    for (const auto& [name, path] : paths) {
        for (const Input& in : inputs) {
            const int at =
                *CellAddress(OutputScope{f.image(), {}, 0}, TableGrid::Analog, in.row, in.col);
            f.Plant(at, 1234);
            f.page().Reload();
            f.grid->setFocus();
            path(in);
            f.Settle();
            const QString what = QString(name) + " " + in.text;
            const unsigned word = f.image().Word(at);
            QVERIFY2((word != 1234) == in.taken, qPrintable(what));
            QVERIFY2(f.Word(at) == word, qPrintable(what + " module"));
            const auto first = results.emplace(in.text, word).first->second;
            QVERIFY2(word == first, qPrintable(what + " differs from the first path"));
        }
    }
    QVERIFY(f.w.prompt.ScriptDone());
    QVERIFY(f.unexpected().isEmpty());
}

// A pending edit is committed into the output it was typed for before the tab changes or a
// menu command runs.
void TableEditTest::pendingEditLandsInItsOwnOutput() {
    AnalogFixture f;
    f.TypePending(1, 1, "42");
    f.SelectTab(1);
    f.Settle();
    QCOMPARE(f.Word(f.DutyAddress(1, 1)), 4200u);
    QVERIFY(!f.page().mshAnalogTable->editorOpen());
    QCOMPARE(f.image().Word(f.cal(1).TableBlock), 0u);

    f.SelectTab(0);
    f.TypePending(1, 2, "17");
    emit f.window().menuFile->aboutToShow();  // the menu opening for a command
    f.Settle();
    QCOMPARE(f.Word(f.DutyAddress(1, 2)), 1700u);
    // A command that replaces the calibration commits first too (the dialog is cancelled).
    f.TypePending(1, 3, "5");
    f.w.prompt.AnswerYesNo(Answer::No);   // do not save first
    f.w.prompt.AnswerYesNo(Answer::Yes);  // open and program the module
    f.w.prompt.AnswerOpenFile(std::nullopt);
    f.window().OpenCommand();
    QCOMPARE(f.image().Word(f.DutyAddress(1, 3)), 500u);
}

// A cell changed since by another path (a compared copy, a preset) is not reverted by an
// undo of the step before it: the undo says so and changes nothing.
void TableEditTest::undoActsOnlyWhileTheCellsHoldWhatTheStepLeft() {
    AnalogFixture f;
    f.SetRow(2, {"10"});
    f.Settle();
    QCOMPARE(f.ModuleDuty(2, 1), 1000u);
    const int address = f.DutyAddress(2, 1);
    EditTarget other = f.window().edit();
    other.StoreAndWriteWord(address, 300);
    f.Settle();
    f.w.prompt.ExpectMessage("Nothing was undone");
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
    f.w.prompt.ExpectMessage("Nothing was redone");
    f.page().Redo();
    f.Settle();
    QCOMPARE(f.ModuleDuty(2, 1), 77u);
}

QTEST_MAIN(TableEditTest)
#include "table_edit_test.moc"
