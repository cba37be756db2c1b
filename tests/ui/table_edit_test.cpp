// Table editing in the window: the keyboard operations, the right-click menu, copy and paste,
// and undo/redo, each checked in the image and in the simulator's memory.

#include <QAction>
#include <QClipboard>
#include <QMenu>

#include "output_page_fixture.h"
#include "ui/table_grid.h"

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
    // Duty cell (row, col) in the image and in the module, as tenths of a percent.
    unsigned Duty(int row, int col) { return image().Word(DutyAddress(row, col)); }
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
    TableGridWidget* grid = nullptr;
};

}  // namespace

class TableEditTest : public QObject {
    Q_OBJECT
  private slots:
    void linearizeStoresAndUndoRestores();
    void interpolationAndItsRefusals();
    void percentPlusMinusAndSetTo();
    void frequencyTableLimits();
    void digitsOpenTheEditorOrSetSelection();
    void cornerIsIgnored();
    void copyAndPaste();
    void rightClickMenu();
};

void TableEditTest::linearizeStoresAndUndoRestores() {
    AnalogFixture f;
    f.SetRow(1, {"10", "0", "0", "0", "20"});
    f.grid->selectCells(1, 1, 1, 5);
    QTest::keyClick(f.grid, Qt::Key_L, Qt::ControlModifier);
    f.Settle();
    const unsigned expected[] = {1000, 1200, 1500, 1800, 2000};  // 12.5 and 17.5 to even
    for (int c = 0; c < 5; ++c) {
        QCOMPARE(f.Duty(1, c + 1), expected[c]);
        QCOMPARE(f.ModuleDuty(1, c + 1), expected[c]);
    }
    QCOMPARE(QString::fromStdString(f.grid->cellText(1, 3)), QString("15.0"));
    QVERIFY(f.page().mEditUndo->isEnabled());

    f.page().mEditUndo->trigger();
    f.Settle();
    QCOMPARE(f.Duty(1, 2), 0u);
    QCOMPARE(f.ModuleDuty(1, 3), 0u);
    QCOMPARE(f.Duty(1, 5), 2000u);
    QCOMPARE(QString::fromStdString(f.grid->cellText(1, 2)), QString("0.0"));
    // Ctrl+Y on the table redoes.
    QTest::keyClick(f.grid, Qt::Key_Y, Qt::ControlModifier);
    f.Settle();
    QCOMPARE(f.ModuleDuty(1, 4), 1800u);
    // Undo of single cells, one step each, back to before the row was typed.
    for (int k = 0; k < 6; ++k) f.page().Undo();
    f.Settle();
    QCOMPARE(f.Duty(1, 1), 0u);
    QCOMPARE(f.ModuleDuty(1, 5), 0u);
    QVERIFY(!f.page().mEditUndo->isEnabled());

    // Two rows selected: refused, selection reduced to the active row, nothing changed.
    f.w.prompt.ExpectMessage("You may only linearize 1 row at a time.");
    f.grid->selectCells(1, 1, 2, 3);
    QTest::keyClick(f.grid, Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(f.grid->selectedRanges().first().rowCount(), 1);
}

void TableEditTest::interpolationAndItsRefusals() {
    AnalogFixture f;
    f.SetRow(0, {"0", "10", "40"});
    f.SetRow(2, {"0", "55", "80"});
    f.grid->selectCells(2, 3, 2, 1);  // the corner left of the active cell
    QTest::keyClick(f.grid, Qt::Key_T, Qt::ControlModifier);
    f.Settle();
    QCOMPARE(f.ModuleDuty(2, 1), 0u);
    QCOMPARE(f.ModuleDuty(2, 2), 2000u);
    QCOMPARE(f.ModuleDuty(2, 3), 8000u);
    // Equal end breakpoints: refused.
    f.SetRow(0, {"40"}, 1);
    f.w.prompt.ExpectMessage();
    f.grid->selectCells(2, 1, 2, 3);
    QTest::keyClick(f.grid, Qt::Key_T, Qt::ControlModifier);
    QCOMPARE(f.ModuleDuty(2, 2), 2000u);
    QVERIFY(f.w.prompt.ScriptDone());
}

void TableEditTest::percentPlusMinusAndSetTo() {
    AnalogFixture f;
    // Percent on a data breakpoint of 65000 clamps to 65535; -99 on 100 gives 1.
    f.SetRow(0, {"65000", "100"});
    f.w.prompt.AnswerInput("10");
    f.grid->selectCells(0, 1);
    QTest::keyClick(f.grid, Qt::Key_P, Qt::ControlModifier);
    f.Settle();
    QCOMPARE(f.Word(f.cal(0).PrimaryBlock), 65535u);
    f.w.prompt.AnswerInput("-99");
    f.grid->selectCells(0, 2);
    QTest::keyClick(f.grid, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(f.image().Word(f.cal(0).PrimaryBlock + 2), 1u);
    f.w.prompt.AnswerInput("100");
    f.w.prompt.ExpectMessage("Please enter a value between +/- 99");
    QTest::keyClick(f.grid, Qt::Key_P, Qt::ControlModifier);
    QCOMPARE(f.image().Word(f.cal(0).PrimaryBlock + 2), 1u);

    // Increase/decrease by -5 on 3 gives 0.
    f.SetRow(3, {"3"});
    f.w.prompt.AnswerInput("-5");
    f.grid->selectCells(3, 1);
    QTest::keyClick(f.grid, Qt::Key_I, Qt::ControlModifier);
    QCOMPARE(f.Duty(3, 1), 0u);
    // Plus and minus 1 over a selection.
    f.grid->selectCells(3, 1, 4, 2);
    QTest::keyClick(f.grid, Qt::Key_Equal, Qt::ControlModifier);
    QTest::keyClick(f.grid, Qt::Key_Equal, Qt::ControlModifier);
    QTest::keyClick(f.grid, Qt::Key_Minus, Qt::ControlModifier);
    f.Settle();
    QCOMPARE(f.ModuleDuty(4, 2), 100u);

    // Set to 70000 is refused with the range; 12 fills the selection.
    f.w.prompt.AnswerInput("70000");
    f.w.prompt.ExpectMessage("Please enter a value between 0 and 65535.");
    QTest::keyClick(f.grid, Qt::Key_J, Qt::ControlModifier);
    QCOMPARE(f.ModuleDuty(4, 2), 100u);
    f.w.prompt.AnswerInput("12");
    QTest::keyClick(f.grid, Qt::Key_J, Qt::ControlModifier);
    f.Settle();
    for (int r : {3, 4})
        for (int c : {1, 2}) QCOMPARE(f.ModuleDuty(r, c), 1200u);
    QVERIFY(f.w.prompt.ScriptDone());
}

void TableEditTest::frequencyTableLimits() {
    PageFixture f;
    f.GoOnline();
    f.page().optType[4]->click();
    TableGridWidget* grid = f.page().mshFreqTable;
    grid->setFocus();
    f.w.prompt.AnswerInput("6553");
    grid->selectCells(1, 0);
    QTest::keyClick(grid, Qt::Key_J, Qt::ControlModifier);
    QTest::keyClick(grid, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
    f.Settle();
    QCOMPARE(QString::fromStdString(grid->cellText(1, 0)), QString("6553.5"));
    QCOMPARE(f.Word(f.cal(0).TableBlock), 65535u);
    f.page().Undo();
    f.Settle();
    QCOMPARE(f.Word(f.cal(0).TableBlock), 65530u);
}

void TableEditTest::digitsOpenTheEditorOrSetSelection() {
    AnalogFixture f;
    f.grid->selectCells(2, 2);
    QTest::keyClick(f.grid, Qt::Key_7);
    QVERIFY(f.grid->editorOpen());
    QCOMPARE(f.grid->editor()->text(), QString("7"));
    QCOMPARE(f.grid->editor()->cursorPosition(), 1);
    QTest::keyClick(f.grid->editor(), Qt::Key_Escape);
    f.grid->selectCells(2, 2, 2, 3);
    f.w.prompt.AnswerInput(std::nullopt);  // cancelled
    QTest::keyClick(f.grid, Qt::Key_7);
    const auto calls = f.w.prompt.Calls();
    QCOMPARE(QString::fromStdString(calls.back().title), QString("Set Selection"));
    QVERIFY(!f.grid->editorOpen());
}

void TableEditTest::cornerIsIgnored() {
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
}

void TableEditTest::copyAndPaste() {
    AnalogFixture f;
    f.SetRow(1, {"1", "2"});
    f.SetRow(2, {"3", "4"});
    f.grid->selectCells(1, 1, 2, 2);
    f.window().mEditCopy->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QString("1.0\t2.0\r3.0\t4.0"));
    // Paste into a wider selection: fills from its top-left, leaves cells without data.
    QApplication::clipboard()->setText("50\t60\r70");
    f.grid->selectCells(4, 5, 5, 7);
    f.window().mEditPaste->trigger();
    f.Settle();
    QCOMPARE(f.ModuleDuty(4, 5), 5000u);
    QCOMPARE(f.ModuleDuty(4, 6), 6000u);
    QCOMPARE(f.ModuleDuty(5, 5), 7000u);
    QCOMPARE(f.ModuleDuty(4, 7), 0u);
    QCOMPARE(f.ModuleDuty(5, 6), 0u);
    f.page().Undo();
    f.Settle();
    QCOMPARE(f.ModuleDuty(4, 5), 0u);
    // The Edit menu on a text box copies and pastes its text.
    f.page().txtOutputName->setFocus();
    f.page().txtOutputName->setText("Tacho");
    f.page().txtOutputName->selectAll();
    f.window().mEditCopy->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QString("Tacho"));
}

void TableEditTest::rightClickMenu() {
    AnalogFixture f;
    QMenu* menu = f.page().mEditFlexGrid;
    QCOMPARE(menu->objectName(), QString("mEditFlexGrid"));
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << (a->isSeparator() ? "-" : a->text() + "|" + a->shortcut().toString());
    QCOMPARE(captions, (QStringList{"Copy|", "Paste|", "-", "Linearize|Ctrl+L",
                                    "Linear In&terpolation|Ctrl+T", "Percent add/subtract|Ctrl+P",
                                    "-", "Increase 1|", "Decrease 1|", "&Increase/Decrease|Ctrl+I",
                                    "Set to..."
                                    "|"}));
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

QTEST_MAIN(TableEditTest)
#include "table_edit_test.moc"
