// The output tables through the page: cells committed from the in-place editor, the tables
// following the period, breakpoint fills, the voltage-output boxes, the plots, and live gauge
// calibration, checked in the image and in the simulator's memory. What a value becomes is the
// tables' own rule, tested where it lives; here the page must store it, send it and show
// what the rule shows.

#include "calibration/outputs/output_tables.h"

#include <QPushButton>

#include "base/numbers.h"
#include "calibration/outputs/live_calibration.h"
#include "output_page_fixture.h"
#include "ui/widgets/entry_box.h"
#include "ui/widgets/table_grid.h"
#include "ui/widgets/table_plot.h"

using namespace vx42;
using namespace vx42::test;

namespace {

// Opens the editor on a cell by typing, as a user does, and commits with Enter.
void TypeIntoCell(TableGridWidget* grid, int row, int col, const QString& text) {
    grid->setFocus();
    grid->selectCells(row, col);
    QTest::keyClick(grid, Qt::Key_Backspace);  // opens the editor with the cell's text
    QLineEdit* editor = grid->editor();
    QVERIFY(editor->isVisible());
    editor->clear();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
}

// A cell as the tables' rule shows it for the calibration in the window.
QString RuleText(PageFixture& f, TableGrid grid, int row, int col) {
    return QString::fromStdString(GetTableCellText(OutputScope{f.image(), {}, 0}, grid, row, col));
}

QString Shown(TableGridWidget* grid, int row, int col) {
    return QString::fromStdString(grid->cellText(row, col));
}

}  // namespace

class OutputTablesTest : public QObject {
    Q_OBJECT
  private slots:
    void dutyCellsFollowThePeriod();
    void editorCancelsOnEscapeAndCommitsOnUp();
    void breakpointsFromTheMessageRange();
    void voltageOutputBoxesFillTheirCells();
    void liveCalibrationDrivesTheModuleOnly();
    void liveCalibrationStopsWhenItsOutputIsLeft();
};

void OutputTablesTest::dutyCellsFollowThePeriod() {
    OnlinePage f;
    OutputPage& p = f.page();
    p.optType[2]->click();
    PageFixture::Type(p.txtPeriod, "100");
    TypeIntoCell(p.mshAnalogTable, 1, 1, "25");
    f.Settle();
    const int cell = f.cal(0).TableBlock;
    const unsigned word = f.image().Word(cell);
    QVERIFY(word != 0);
    QCOMPARE(f.Word(cell), word);
    QCOMPARE(Shown(p.mshAnalogTable, 1, 1), RuleText(f, TableGrid::Analog, 1, 1));
    QVERIFY(f.w.app.files.CalibrationChanged);
    // The plot follows the edit at once.
    const auto value = [&] {
        return *GetTableCellValue(OutputScope{f.image(), {}, 0}, TableGrid::Analog, 1, 1);
    };
    QCOMPARE(p.plotAnalogTable->curves().at(0).values.at(0), value());
    // A new period: the table and the plot are shown again.
    const QString before = Shown(p.mshAnalogTable, 1, 1);
    PageFixture::Type(p.txtPeriod, "200");
    QCOMPARE(f.image().Word(cell), word);
    QVERIFY(Shown(p.mshAnalogTable, 1, 1) != before);
    QCOMPARE(Shown(p.mshAnalogTable, 1, 1), RuleText(f, TableGrid::Analog, 1, 1));
    QCOMPARE(p.plotAnalogTable->curves().at(0).values.at(0), value());
}

void OutputTablesTest::editorCancelsOnEscapeAndCommitsOnUp() {
    OnlinePage f;
    OutputPage& p = f.page();
    p.optType[4]->click();
    TableGridWidget* grid = p.mshFreqTable;
    const int cell = f.cal(0).TableBlock;
    // Escape stores nothing.
    grid->setFocus();
    grid->selectCells(1, 3);
    QTest::keyClick(grid, Qt::Key_5);
    QCOMPARE(grid->editor()->text(), QString("5"));
    QCOMPARE(grid->editor()->cursorPosition(), 1);
    QTest::keyClick(grid->editor(), Qt::Key_Escape);
    QVERIFY(!grid->editorOpen());
    QCOMPARE(f.image().Word(cell + 6), 0u);
    // A digit opens the editor with the digit; Up commits, and stays out of the header row.
    QTest::keyClick(grid, Qt::Key_7);
    QTest::keyClick(grid->editor(), Qt::Key_Up);
    f.Settle();
    QCOMPARE(f.Word(cell + 6), 70u);
    QCOMPARE(p.plotFreqTable->curves().at(0).values.at(3), 7.0);
    QCOMPARE(grid->currentRow(), 1);
    QVERIFY(grid->hasFocus());
}

void OutputTablesTest::breakpointsFromTheMessageRange() {
    OnlinePage f;
    OutputPage& p = f.page();
    p.optType[2]->click();
    f.SelectMessage(0, "Level");  // 8 bits
    p.cmdSetBreakpoints->click();
    f.Settle();
    const int last = f.cal(0).PrimaryBlock + 30;
    const unsigned eightBits = f.image().Word(last);
    QVERIFY(eightBits != 0);
    QCOMPARE(f.Word(last), eightBits);
    QCOMPARE(Shown(p.mshAnalogTable, 0, 16), RuleText(f, TableGrid::Analog, 0, 16));

    f.SelectMessage(0, "Wide");  // 16 bits, from the speedo table's own button
    p.optType[4]->click();
    p.cmdSetBreakpointsFreq->click();
    f.Settle();
    QVERIFY(f.image().Word(last) > eightBits);  // the selected message's bits were used
    QCOMPARE(f.Word(last), f.image().Word(last));
    QCOMPARE(Shown(p.mshFreqTable, 0, 15), RuleText(f, TableGrid::Freq, 0, 15));
}

void OutputTablesTest::voltageOutputBoxesFillTheirCells() {
    OnlinePage f;
    OutputPage& p = f.page();
    p.optType[1]->click();
    PageFixture::Type(p.txtPeriod, "100");
    const OutputScope scope{f.image(), {}, 0};
    const int table = f.cal(0).TableBlock;
    using BoxText = std::string (*)(const OutputScope&, int);
    const struct {
        EntryBox* box;
        const char* text;
        int address, row, col;  // a cell the box fills
        BoxText shown;
        int index;
    } boxes[] = {
        {p.txtVoltOutDuty[1], "80", table + 32 * 5 + 30, 6, 16, VoltOutDutyText, 1},
        {p.txtVoltOutDuty[0], "10", table, 1, 1, VoltOutDutyText, 0},
        {p.txtVoltOutData[1], "500", f.cal(0).PrimaryBlock + 30, 0, 16, VoltOutDataText, 1},
    };
    for (const auto& b : boxes) {
        PageFixture::Type(b.box, b.text);
        f.Settle();
        QVERIFY2(f.image().Word(b.address) != 0, b.text);
        QCOMPARE(f.Word(b.address), f.image().Word(b.address));
        QCOMPARE(Shown(p.mshAnalogTable, b.row, b.col),
                 RuleText(f, TableGrid::Analog, b.row, b.col));
        QCOMPARE(b.box->text(), QString::fromStdString(b.shown(scope, b.index)));
    }
}

void OutputTablesTest::liveCalibrationDrivesTheModuleOnly() {
    PageFixture f;
    OutputPage& p = f.page();
    // Offline: refused with its message.
    f.w.prompt.ExpectMessage(kLiveOfflineText);
    p.cmdCalibrate->click();
    QCOMPARE(p.cmdCalibrate->text(), QString(kStartCalibrateCaption));
    QVERIFY(!p.cmdUp->isEnabled());

    f.GoOnline();
    f.SelectTab(2);
    p.optType[2]->click();
    PageFixture::Type(p.txtPeriod, "100");
    f.Settle();
    const CalImage before = f.image();
    const bool changed = f.w.app.files.CalibrationChanged;
    p.cmdCalibrate->click();
    f.Settle();
    QCOMPARE(p.cmdCalibrate->text(), QString(kStopCalibrateCaption));
    QVERIFY(p.cmdUp->isEnabled());
    QCOMPARE(f.Byte(0x3901), 3);
    PageFixture::Type(p.txtDutyCycle, "40");
    p.cmdUp->click();
    f.Settle();
    QCOMPARE(p.txtDutyCycle->text(), QString("41"));
    QCOMPARE(f.Word(0x392F), 4100u);
    // Up and Down in the box step as the buttons do.
    p.txtDutyCycle->setFocus();
    QTest::keyClick(p.txtDutyCycle, Qt::Key_Down);
    QTest::keyClick(p.txtDutyCycle, Qt::Key_Down);
    QTest::keyClick(p.txtDutyCycle, Qt::Key_Up);
    f.Settle();
    QCOMPARE(p.txtDutyCycle->text(), QString("40"));
    QCOMPARE(f.Word(0x392F), 4000u);
    // A refused entry leaves the box showing what the gauge is driven at.
    f.w.prompt.ExpectMessage(NotANumberText("12,5"));
    PageFixture::Type(p.txtDutyCycle, "12,5");
    f.Settle();
    QCOMPARE(p.txtDutyCycle->text(), QString("40"));
    QCOMPARE(f.Word(0x392F), 4000u);
    p.cmdCalibrate->click();
    f.Settle();
    QCOMPARE(f.Byte(0x3901), 0);
    QCOMPARE(p.txtDutyCycle->text(), QString("0"));
    QVERIFY(!p.txtDutyCycle->isEnabled());
    QVERIFY(f.image() == before);
    QCOMPARE(f.w.app.files.CalibrationChanged, changed);

    // A speedo on output 1 at 100 Hz.
    f.SelectTab(0);
    p.optType[4]->click();
    p.cmdCalibrateSpeed->click();
    PageFixture::Type(p.txtDutyCycleSpeed, "100");
    f.Settle();
    QCOMPARE(f.Byte(0x3901), 1);
    QCOMPARE(f.Word(0x390D), 1000u);
    // The widest value shows whole.
    PageFixture::Type(p.txtDutyCycleSpeed, "6553.5");
    QCOMPARE(p.txtDutyCycleSpeed->text(), QString("6553.5"));
    QVERIFY(p.txtDutyCycleSpeed->width() >
            p.txtDutyCycleSpeed->fontMetrics().horizontalAdvance("6553.5") + 8);
    p.cmdCalibrateSpeed->click();
}

void OutputTablesTest::liveCalibrationStopsWhenItsOutputIsLeft() {
    OnlinePage f;
    OutputPage& p = f.page();
    p.optType[2]->click();
    auto start = [&] {
        p.cmdCalibrate->click();
        PageFixture::Type(p.txtDutyCycle, "40");
        f.Settle();
        QCOMPARE(f.Byte(0x3901), 1);
    };
    auto stopped = [&] {
        f.Settle();
        QCOMPARE(f.Byte(0x3901), 0);
        QCOMPARE(p.cmdCalibrate->text(), QString(kStartCalibrateCaption));
        QVERIFY(!p.cmdUp->isEnabled());
    };
    // Changing the tab stops it: Up on another output never drives this one.
    start();
    f.SelectTab(1);
    stopped();
    // Duty and speed never run at once.
    f.SelectTab(0);
    start();
    p.optType[4]->click();  // another function stops the gauge it drove
    stopped();
    p.cmdCalibrateSpeed->click();
    f.Settle();
    p.optType[2]->click();
    QVERIFY(!p.cmdUpSpeed->isEnabled());
    // Disconnecting stops it first, with the stop button's write.
    start();
    f.window().ConnectCommand();
    stopped();
    QVERIFY(!f.window().online());
    // Closing the window stops it too.
    f.GoOnline();
    start();
    f.w.prompt.AnswerYesNoCancel(Answer::No);  // the calibration was edited: do not save
    f.window().close();
    stopped();
}

QTEST_MAIN(OutputTablesTest)
#include "output_tables_test.moc"
