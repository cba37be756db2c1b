// The output tab's settings and tables through its widgets: every control's change reaches
// the module byte for byte as one named undo step, the frames follow the function, switch
// points out of order are held back, the message selection's marker, presets, the plots, the
// in-place editor's keys and live gauge calibration. What each setting stores is the outputs'
// rule, tested there.

#include "calibration/outputs/output_settings.h"

#include "base/numbers.h"
#include "calibration/outputs/live_calibration.h"
#include "calibration/outputs/output_tables.h"
#include "calibration/outputs/relay_drive.h"
#include "ui/output/relay_picture.h"
#include "ui/widgets/table_plot.h"
#include "ui_fixture.h"

namespace {

constexpr int kMarker = 0x38F4;  // where a message selection leaves 0xCB, 0xE0

bool IsRed(QLineEdit* box) {
    return box->palette().color(QPalette::Text) == QColor(255, 0, 0);
}

// The first cell of the visible table that does not show what the tables' rule shows for
// the calibration in the window; empty when every cell does.
QString CellShownWrong(PageFixture& f) {
    const OutputScope scope{f.image(), {}, 0};
    for (auto [widget, grid] : {std::pair{f.page().mshAnalogTable, TableGrid::Analog},
                                std::pair{f.page().mshFreqTable, TableGrid::Freq}}) {
        if (!widget->isVisible()) continue;
        for (int r = 0; r < SizeOf(grid).rows; ++r)
            for (int c = 0; c < SizeOf(grid).cols; ++c)
                if (widget->cellText(r, c) != GetTableCellText(scope, grid, r, c))
                    return QString("row %1, column %2").arg(r).arg(c);
    }
    return {};
}

}  // namespace

class OutputSettingsTest : public QObject {
    Q_OBJECT
  private slots:
    // Each change of the page is one named undo step, which puts the image and the module back
    // byte for byte; done again, it is the state the next change starts from.
    void everyChangeOfThePageReachesTheModuleAsOneUndoStep() {
        PageFixture f;
        f.ListPresets({FuelGaugePreset("SP-8000-E")});
        OutputPage& p = f.page();
        f.Connect();
        QVERIFY(f.image() == f.ModuleImage());
        const auto canSpeed = [&] {
            OnModal<FrmCanSpeed>([](FrmCanSpeed& d) {
                QTest::mouseClick(d.optSpeedCAN[3], Qt::LeftButton);
                d.cmdOK->click();
            });
            f.window.menuComSetCAN->trigger();
        };
        // The switching rules' lists and box are stored and written, but kept in no undo step.
        const struct {
            const char* caption;
            std::function<void()> change;
            bool undone = true;
        } steps[] = {
            {"Preset SP-8000-E", [&] { PageFixture::Choose(p.cmbPresets, "Fuel - SP-8000-E"); }},
            {"Frequency (hz)", [&] { PageFixture::Type(p.txtPeriod, "50"); }},
            {"Output Name",
             [&] { PageFixture::Type(p.txtOutputName, "Fuel level sender output"); }},
            {"Primary Message Level", [&] { f.SelectMessage(0, "Level"); }},
            {"Set Breakpoints", [&] { p.cmdSetBreakpoints->click(); }},
            {"Edit Cell", [&] { PageFixture::TypeIntoCell(p.mshAnalogTable, 1, 1, "25"); }},
            {"Primary Sample Period", [&] { PageFixture::Type(p.txtSamplePeriod[0], "100"); }},
            {"Primary Filter Size", [&] { PageFixture::Type(p.txtAverageLength[0], "40"); }},
            {"Primary Timeout", [&] { PageFixture::Type(p.txtTimoutTimer[0], "2500"); }},
            {"Primary Data On Timeout", [&] { PageFixture::Type(p.txtDataOnTimeout[0], "30"); }},
            {"Function Speedo/Tach Gauge", [&] { p.optType[4]->click(); }},
            {"Primary Message Wide", [&] { f.SelectMessage(0, "Wide"); }},
            {"Set Breakpoints", [&] { p.cmdSetBreakpointsFreq->click(); }},
            {"Function Voltage Out", [&] { p.optType[1]->click(); }},
            {"Max Duty Cycle", [&] { PageFixture::Type(p.txtVoltOutDuty[1], "80"); }},
            {"CAN Data Max", [&] { PageFixture::Type(p.txtVoltOutData[1], "200"); }},
            {"CAN Speed 125 kbit/s", canSpeed},
            {"Function Relay Control", [&] { p.optType[3]->click(); }},
            {"Off State Voltage", [&] { p.optOff[0]->click(); }},
            {"Primary Off A", [&] { PageFixture::Type(p.txtOffA[0], "20"); }},
            {"Switch Function", [&] { PageFixture::Choose(p.cmbOptions[0], "Window Switch On"); },
             false},
            {"And/Or", [&] { PageFixture::Choose(p.cmbAndOr, "Or"); }, false},
            {"Use Secondary", [&] { p.chkUseSecondary->click(); }, false},
        };
        std::size_t recorded = 0;
        for (const auto& [caption, change, undone] : steps) {
            const CalImage before = f.image();
            change();
            f.Settle();
            QVERIFY2(!(f.image() == before), caption);
            QVERIFY2(f.image() == f.ModuleImage(), caption);
            QVERIFY2(CellShownWrong(f).isEmpty(), qPrintable(caption + (": " + CellShownWrong(f))));
            if (!undone) continue;
            ++recorded;
            QCOMPARE(p.mEditUndo->text(), QString("&Undo ") + caption);
            p.mEditUndo->trigger();
            f.Settle();
            QVERIFY2(f.image() == before && f.ModuleImage() == before, caption);
            p.mEditRedo->trigger();
            f.Settle();
            QVERIFY2(f.ModuleImage() == f.image() && !(f.image() == before), caption);
        }
        // Nothing but a new calibration clears the history (a library or unit change reloads the
        // page and keeps it), and the window says so.
        p.Reload();
        QCOMPARE(p.history().UndoCount(), recorded);
        f.prompt.AnswerYesNo(Answer::No);  // the changes are not saved to a file first
        f.window.RetrieveCommand();
        f.Settle();
        QCOMPARE(p.history().UndoCount(), std::size_t{0});
        QVERIFY(f.window.statusBar()->currentMessage().contains("can no longer be undone"));
    }

    void theFramesFollowTheFunction() {
        OnlinePage f;
        OutputPage& p = f.page();
        const QWidget* frames[] = {p.fraFreqTable, p.fraRelay, p.fraVoltageOut, p.fraTable};
        const struct {
            int option;
            QWidget* frame;
            const char* label;
        } cases[] = {
            {4, p.fraFreqTable, "Duty Cycle (%)"},  {3, p.fraRelay, "Time Delay (ms)"},
            {1, p.fraVoltageOut, "Frequency (hz)"}, {2, p.fraTable, "Frequency (hz)"},
            {0, nullptr, "Frequency (hz)"},
        };
        for (const auto& c : cases) {
            p.optType[c.option]->click();
            for (const QWidget* frame : frames) QCOMPARE(frame->isVisibleTo(&p), frame == c.frame);
            QCOMPARE(p.lblOutSetting->text(), QString(c.label));
        }
        // The live calibration of a gauge sits in the frame shown for it.
        p.optType[1]->click();
        QVERIFY(p.fraVoltageOut->isAncestorOf(p.fraGaugeCal) && p.fraGaugeCal->isVisibleTo(&p));
        p.optType[2]->click();
        QVERIFY(p.fraTable->isAncestorOf(p.fraGaugeCal));
    }

    // Out of range shows red while typing; Enter shows what was stored; leaving a box without
    // Enter commits nothing. Without a message the timeout takes nothing.
    void aBoxColoursWhileTypingAndCommitsOnEnterOnly() {
        OnlinePage f;
        OutputPage& p = f.page();
        const int period = f.cal(0).Period;
        p.optType[2]->click();
        p.txtPeriod->setText("2000");
        QVERIFY(IsRed(p.txtPeriod));
        QTest::keyClick(p.txtPeriod, Qt::Key_Return);
        const unsigned clamped = f.image().Word(period);
        QCOMPARE(p.txtPeriod->text(),
                 QString::fromStdString(PeriodTextOf(OutputScope{f.image(), {}, 0})));
        QVERIFY(!IsRed(p.txtPeriod));
        p.txtPeriod->setText("7");
        p.txtOutputName->setFocus();
        QCOMPARE(f.image().Word(period), clamped);
        QVERIFY(!p.txtTimoutTimer[0]->isEnabled());
    }

    // Rising: On A must not lie below Off A. Stored whatever its colour, but held back from the
    // module while the order is wrong, and the status bar says why.
    void switchPointsOutOfOrderAreHeldBackAndSaid() {
        OnlinePage f;
        OutputPage& p = f.page();
        p.optType[3]->click();
        const int block = f.cal(0).PrimaryBlock;
        PageFixture::Choose(p.cmbOptions[0], "Window Switch On");
        QVERIFY(p.txtOnB[0]->isVisibleTo(&p));
        QCOMPARE(p.picRelay[0]->function(), SwitchFunction::WindowSwitchOn);
        PageFixture::Type(p.txtOffA[0], "200");
        PageFixture::Type(p.txtOnA[0], "100");
        f.Settle();
        QCOMPARE(f.image().Word(block), 100u);
        QCOMPARE(f.Word(block + 2), 0u);
        QVERIFY(f.window.lblStatusAgreement->text().contains("On A"));
        QVERIFY(IsRed(p.txtOnA[0]) && IsRed(p.txtOffA[0]));
        p.txtOnA[0]->setText("250");  // colours follow every keystroke
        QVERIFY(!IsRed(p.txtOnA[0]) && !IsRed(p.txtOffA[0]));
        // Mended: both points go to the module.
        PageFixture::Type(p.txtOnA[0], "250");
        f.Settle();
        QCOMPARE(f.Word(block), 250u);
        QCOMPARE(f.Word(block + 2), 200u);
        // Falling reverses the order: the same points turn red.
        PageFixture::Choose(p.cmbOptions[0], "Simple On to Off");
        QVERIFY(IsRed(p.txtOnA[0]));
        QVERIFY(!p.txtOnB[0]->isVisibleTo(&p));
    }

    // A selection writes the marker once the module took it; another output without a message
    // shows "None", not the previous output's message.
    void aSelectionKeptOutOfAModuleThatDiffersWritesNoMarker() {
        OnlinePage f;
        OutputPage& p = f.page();
        f.SelectMessage(0, "Speed");
        f.Settle();
        QCOMPARE(f.Word(kMarker), 0xCBE0u);
        f.SelectTab(1);
        QCOMPARE(p.cmbMessage[0]->currentText(), QString("None"));
        f.SelectTab(0);
        QCOMPARE(p.cmbMessage[0]->currentText(), QString("Speed"));
        // An output name typed offline, then the same module again: it holds another calibration.
        f.window.ConnectCommand();
        f.Settle();
        PageFixture::Type(p.txtOutputName, "Pump");
        f.Connect();
        QCOMPARE(f.window.session().Agreement(), ModuleAgreement::Differs);
        f.app.files.CalibrationChanged = false;  // as a save leaves it
        f.window.UpdateTitle();
        f.Held().Write(kMarker, sim::Bytes{0x04, 0x00});
        const int applied = f.Applied();

        // No keeps the selection in the calibration shown only: no change, no marker.
        f.prompt.AnswerYesNoCancel(Answer::No);
        f.SelectMessage(0, "Coolant");
        f.Settle();
        QCOMPARE(f.Applied(), applied);
        QCOMPARE(f.Word(kMarker), 0x0400u);
        QCOMPARE(p.mEditUndo->text(), QString("&Undo Primary Message Coolant"));
        // Cancel drops it: the bytes, the changed mark and the undo history are as they were.
        const CalImage before = f.image();
        f.app.files.CalibrationChanged = false;
        f.window.UpdateTitle();
        f.prompt.AnswerYesNoCancel(Answer::Cancel);
        f.SelectMessage(0, "Level");
        f.Settle();
        QVERIFY(f.image() == before);
        QVERIFY(!f.app.files.CalibrationChanged);
        QCOMPARE(p.mEditUndo->text(), QString("&Undo Primary Message Coolant"));
        // Cancel at an undo keeps the step where it was, still to be undone.
        f.prompt.AnswerYesNoCancel(Answer::Cancel);
        p.mEditUndo->trigger();
        f.Settle();
        QVERIFY(f.image() == before);
        QCOMPARE(p.mEditUndo->text(), QString("&Undo Primary Message Coolant"));
        QCOMPARE(f.Applied(), applied);
        QCOMPARE(f.Word(kMarker), 0x0400u);
    }

    void presetTurnsCustomAfterACellChange() {
        PageFixture f;
        f.ListPresets({FuelGaugePreset("FG-100")});
        f.Connect();
        OutputPage& p = f.page();
        p.chkFormatCAN->click();  // lifted for the duration, ticked again after
        PageFixture::Choose(p.cmbPresets, "Fuel - FG-100");
        f.Settle();
        QVERIFY(p.optType[2]->isChecked());
        QVERIFY(p.chkFormatCAN->isChecked());
        // One cell changed: "Custom"; undone, the preset matches again.
        p.mshAnalogTable->selectCells(2, 4);
        p.mshAnalogTable->setFocus();
        QTest::keyClick(p.mshAnalogTable, Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(p.cmbPresets->currentText(), QString("Custom"));
        p.Undo();
        QCOMPARE(p.cmbPresets->currentText(), QString("Fuel - FG-100"));
    }

    void loadingATabWritesNothing() {
        PageFixture f;
        // A calibration with every kind of output, as the module holds it.
        CalImage image;
        image.SetByte(f.cal(0).FunctionFlags, 0x04);
        image.SetByte(f.cal(1).FunctionFlags, 0x20);
        image.SetByte(f.cal(2).FunctionFlags, 0x02);
        image.SetByte(CalAddresses().OutputOptions[2], 0x01);
        image.SetByte(f.cal(3).FunctionFlags, 0x02);
        f.Connect(image);  // and the writes posted so far have reached the module
        const int applied = f.Applied();
        const bool changedBefore = f.app.files.CalibrationChanged;
        for (int tab : {1, 2, 3, 0, 4, 3}) {
            f.window.TabStrip->setCurrentIndex(tab);
            f.Settle();
        }
        QCOMPARE(f.Applied(), applied);
        QCOMPARE(f.app.files.CalibrationChanged, changedBefore);
    }

    // The plot follows a cell typed and the period; in the speedo table Up commits the digit that
    // opened the editor and stays out of the header row.
    void thePlotsFollowTheCellsAndThePeriod() {
        OnlinePage f;
        OutputPage& p = f.page();
        p.optType[2]->click();
        PageFixture::Type(p.txtPeriod, "100");
        PageFixture::TypeIntoCell(p.mshAnalogTable, 1, 1, "25");
        for (const char* period : {"100", "200"}) {
            PageFixture::Type(p.txtPeriod, period);
            QVERIFY(f.image().Word(f.cal(0).TableBlock) != 0);
            QCOMPARE(p.plotAnalogTable->curves().at(0).values.at(0),
                     *GetTableCellValue(OutputScope{f.image(), {}, 0}, TableGrid::Analog, 1, 1));
        }
        p.optType[4]->click();
        TableGridWidget* grid = p.mshFreqTable;
        grid->setFocus();
        grid->selectCells(1, 3);
        QTest::keyClick(grid, Qt::Key_7);
        QTest::keyClick(grid->editor(), Qt::Key_Up);
        f.Settle();
        QCOMPARE(f.Word(f.cal(0).TableBlock + 6), 70u);
        QCOMPARE(p.plotFreqTable->curves().at(0).values.at(3), 7.0);
        QCOMPARE(grid->currentRow(), 1);
    }

    void liveCalibrationDrivesTheModuleOnly() {
        PageFixture f;
        OutputPage& p = f.page();
        // Offline: refused with its message.
        f.prompt.ExpectMessage(kLiveOfflineText);
        p.cmdCalibrate->click();
        QVERIFY(!p.cmdUp->isEnabled());

        f.Connect();
        f.SelectTab(2);
        p.optType[2]->click();
        PageFixture::Type(p.txtPeriod, "100");
        f.Settle();
        const CalImage before = f.image();
        p.cmdCalibrate->click();
        f.Settle();
        QCOMPARE(p.cmdCalibrate->text(), QString(kStopCalibrateCaption));
        QCOMPARE(f.Byte(0x3901), 3);
        PageFixture::Type(p.txtDutyCycle, "40");
        p.cmdUp->click();
        f.Settle();
        QCOMPARE(f.Word(0x392F), 4100u);
        // Up and Down in the box step as the buttons do; a refused entry leaves the box showing
        // what the gauge is driven at.
        QTest::keyClick(p.txtDutyCycle, Qt::Key_Down);
        QTest::keyClick(p.txtDutyCycle, Qt::Key_Down);
        f.prompt.ExpectMessage(NotANumberText("12,5"));
        PageFixture::Type(p.txtDutyCycle, "12,5");
        f.Settle();
        QCOMPARE(p.txtDutyCycle->text(), QString("39"));
        QCOMPARE(f.Word(0x392F), 3900u);
        p.cmdCalibrate->click();
        f.Settle();
        QCOMPARE(f.Byte(0x3901), 0);
        QVERIFY(!p.txtDutyCycle->isEnabled());
        QVERIFY(f.image() == before);

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

    void liveCalibrationStopsWhenItsOutputIsLeft() {
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
        f.window.ConnectCommand();
        stopped();
        QVERIFY(!f.window.online());
        // Closing the window stops it too.
        f.Connect();
        start();
        f.prompt.AnswerYesNoCancel(Answer::No);  // the calibration was edited: do not save
        f.window.close();
        stopped();
    }
};

QTEST_MAIN(OutputSettingsTest)
#include "output_settings_test.moc"
