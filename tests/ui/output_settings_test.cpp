// The output tab's settings through its widgets: functions, relay drive, secondary use,
// switching rules, period, message-slot settings, message lists, presets and relay mode,
// checked in the image and in the module's memory.

#include "calibration/outputs/output_settings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QStatusBar>
#include <functional>

#include "calibration/outputs/output_function.h"
#include "calibration/outputs/relay_drive.h"
#include "dialog_fixture.h"
#include "output_page_fixture.h"
#include "ui/dialogs/frm_can_speed.h"
#include "ui/output/relay_picture.h"
#include "ui/widgets/entry_box.h"
#include "ui/widgets/table_grid.h"

using namespace vx42;
using namespace vx42::test;

namespace {

bool IsRed(QLineEdit* box) {
    return box->palette().color(QPalette::Text) == QColor(255, 0, 0);
}

}  // namespace

class OutputSettingsTest : public QObject {
    Q_OBJECT
  private slots:
    void functionsStoreTheirBitsAndShowTheirFrames();
    void relayDriveFollowsBothTransitionTables();
    void periodByFunction();
    void slotSettingsNeedAMessage();
    void switchFunctionsAndPointColours();
    void secondaryUseAndOr();
    void messageSelectionIsStoredAndShownAgain();
    void aSelectionKeptOutOfAModuleThatDiffersWritesNoMarker();
    void presetAppliedThenCustomAfterACellChange();
    void everyChangeOfThePageIsOneUndoStepOnline();
    void relayModeForcesTheFunction();
    void loadingATabWritesNothing();
};

void OutputSettingsTest::functionsStoreTheirBitsAndShowTheirFrames() {
    OnlinePage f;
    OutputPage& p = f.page();
    const int flags = f.cal(0).FunctionFlags, options = CalAddresses().OutputOptions[0];
    struct Case {
        int option;
        std::uint8_t functionBit;
        QWidget* frame;
        const char* label;
    };
    const Case cases[] = {
        {4, 0x20, p.fraFreqTable, "Duty Cycle (%)"},  {3, 0x04, p.fraRelay, "Time Delay (ms)"},
        {1, 0x02, p.fraVoltageOut, "Frequency (hz)"}, {2, 0x02, p.fraTable, "Frequency (hz)"},
        {0, 0x01, nullptr, "Frequency (hz)"},
    };
    for (const Case& c : cases) {
        p.optType[c.option]->click();
        f.Settle();
        QCOMPARE(f.Byte(flags) & 0x27, c.functionBit);
        QCOMPARE(f.Byte(flags), f.image().Byte(flags));
        QCOMPARE(f.Byte(options), f.image().Byte(options));
        for (QWidget* frame :
             {static_cast<QWidget*>(p.fraFreqTable), static_cast<QWidget*>(p.fraRelay),
              static_cast<QWidget*>(p.fraVoltageOut), static_cast<QWidget*>(p.fraTable)})
            QCOMPARE(frame->isVisibleTo(&p), frame == c.frame);
        QCOMPARE(p.lblOutSetting->text(), QString(c.label));
        QVERIFY(p.optType[c.option]->isChecked());
    }
    // The live calibration of a gauge sits in the frame shown for it.
    p.optType[1]->click();
    QVERIFY(p.fraGaugeCal->isVisibleTo(&p));
    QVERIFY(p.fraVoltageOut->isAncestorOf(p.fraGaugeCal));
    p.optType[2]->click();
    QVERIFY(p.fraTable->isAncestorOf(p.fraGaugeCal));
    QVERIFY(f.window().windowTitle().contains("[Auto Retrieved File]"));
}

// A click in one group: the other group follows, in the image, the module and its buttons
// (every row of both tables is the drive's rule, tested there).
void OutputSettingsTest::relayDriveFollowsBothTransitionTables() {
    OnlinePage f;
    OutputPage& p = f.page();
    const int flagsAddress = f.cal(0).FunctionFlags;
    f.image().SetByte(flagsAddress, 0x04);  // Off open, On open
    p.SelectOutput(0);
    p.optOff[2]->click();  // Off open again: On turns to voltage
    f.Settle();
    QCOMPARE(f.image().Byte(flagsAddress) & 0x58, 0x08);
    QCOMPARE(f.Byte(flagsAddress), f.image().Byte(flagsAddress));
    QVERIFY(p.optOn[0]->isChecked());
}

void OutputSettingsTest::periodByFunction() {
    OnlinePage f;
    OutputPage& p = f.page();
    const int period = f.cal(0).Period;
    p.optType[2]->click();
    const OutputScope scope{f.image(), {}, 0};
    PageFixture::Type(p.txtPeriod, "100");
    f.Settle();
    QVERIFY(f.image().Word(period) != 0);
    QCOMPARE(f.Word(period), f.image().Word(period));
    QCOMPARE(p.txtPeriod->text(), QString::fromStdString(PeriodTextOf(scope)));
    // Out of range shows red while typing; on Enter the box shows what was stored.
    p.txtPeriod->setText("2000");
    QVERIFY(IsRed(p.txtPeriod));
    QTest::keyClick(p.txtPeriod, Qt::Key_Return);
    const unsigned clamped = f.image().Word(period);
    QCOMPARE(p.txtPeriod->text(), QString::fromStdString(PeriodTextOf(scope)));
    QVERIFY(!IsRed(p.txtPeriod));
    // Leaving a box without Enter commits nothing.
    p.txtPeriod->setText("7");
    p.txtOutputName->setFocus();
    QCOMPARE(f.image().Word(period), clamped);
    QVERIFY(f.window().windowTitle().contains("[Auto Retrieved File]"));
}

void OutputSettingsTest::slotSettingsNeedAMessage() {
    OnlinePage f;
    OutputPage& p = f.page();
    const auto& src = f.cal(0).DataSource[0];
    // Without a message the timeout stores nothing and shows 0.
    QVERIFY(!p.txtTimoutTimer[0]->isEnabled());
    QCOMPARE(p.txtTimoutTimer[0]->text(), QString("0"));
    // The boxes show what their rules stored (the caps are the rules', tested there).
    const OutputScope scope{f.image(), {}, 0};
    PageFixture::Type(p.txtSamplePeriod[0], "300");
    QCOMPARE(p.txtSamplePeriod[0]->text(), QString::fromStdString(SamplePeriodText(scope, 0)));
    PageFixture::Type(p.txtAverageLength[0], "40");
    QVERIFY(f.image().Byte(src.FilterSize) != 0);
    QCOMPARE(p.txtAverageLength[0]->text(), QString::fromStdString(FilterSizeText(scope, 0)));
    f.Settle();
    QCOMPARE(f.Byte(src.FilterSize), f.image().Byte(src.FilterSize));

    f.SelectMessage(0, "Speed");
    f.Settle();
    QVERIFY(p.txtTimoutTimer[0]->isEnabled());
    PageFixture::Type(p.txtTimoutTimer[0], "2500");
    f.Settle();
    const auto& slot = CalAddresses().MessageSlot[0];
    QCOMPARE(f.image().Word(slot.Timeout), 2500u);
    QCOMPARE(f.Word(slot.Timeout), 2500u);
    PageFixture::Type(p.txtDataOnTimeout[0], "3000");  // "Speed": 12 bits at byte 6
    f.Settle();
    QCOMPARE(f.Word(slot.TimeoutData + 6), 3000u);

    // The output name, to its last byte.
    PageFixture::Type(p.txtOutputName, "Fuel level sender output");
    f.Settle();
    QCOMPARE(f.Byte(CalAddresses().OutputName[0] + 23), 't');
    QVERIFY(f.window().windowTitle().contains("[Auto Retrieved File]"));
}

void OutputSettingsTest::switchFunctionsAndPointColours() {
    OnlinePage f;
    OutputPage& p = f.page();
    p.optType[3]->click();
    const int switchByte = f.cal(0).PrimaryBlock + 8;
    PageFixture::Choose(p.cmbOptions[0], "Window Switch On");
    PageFixture::Choose(p.cmbOptions[1], "Simple On to Off");
    f.Settle();
    QCOMPARE(f.image().Byte(switchByte), 0x24);
    QCOMPARE(f.Byte(switchByte), 0x24);
    QVERIFY(p.txtOnB[0]->isVisibleTo(&p));
    QVERIFY(!p.txtOnB[1]->isVisibleTo(&p));
    QCOMPARE(p.picRelay[0]->function(), SwitchFunction::WindowSwitchOn);

    // Rising: On A must not lie below Off A.
    PageFixture::Type(p.txtOffA[0], "200");
    PageFixture::Type(p.txtOnA[0], "100");
    f.Settle();
    // Stored whatever its colour, but held back from the module while the order is wrong.
    QCOMPARE(f.image().Word(f.cal(0).PrimaryBlock), 100u);
    QCOMPARE(f.Word(f.cal(0).PrimaryBlock + 2), 0u);
    QVERIFY(f.window().lblStatusAgreement->text().contains("On A"));
    QVERIFY(IsRed(p.txtOnA[0]) && IsRed(p.txtOffA[0]));
    p.txtOnA[0]->setText("250");  // colours follow every keystroke
    QVERIFY(!IsRed(p.txtOnA[0]) && !IsRed(p.txtOffA[0]));
    // Mended: both points go to the module.
    PageFixture::Type(p.txtOnA[0], "250");
    f.Settle();
    QCOMPARE(f.Word(f.cal(0).PrimaryBlock), 250u);
    QCOMPARE(f.Word(f.cal(0).PrimaryBlock + 2), 200u);
    // Falling reverses the order: the same points turn red.
    PageFixture::Choose(p.cmbOptions[0], "Simple On to Off");
    QVERIFY(IsRed(p.txtOnA[0]));
    QVERIFY(!p.txtOnB[0]->isVisibleTo(&p));
}

void OutputSettingsTest::secondaryUseAndOr() {
    OnlinePage f;
    OutputPage& p = f.page();
    p.optType[3]->click();
    const int mode = f.cal(0).SecondaryMode;
    PageFixture::Choose(p.cmbAndOr, "Or");  // with the box clear: stores 2, turning it on
    f.Settle();
    QCOMPARE(f.image().Byte(mode), 2);
    QCOMPARE(f.Byte(mode), 2);
    p.SelectOutput(0);
    QVERIFY(p.chkUseSecondary->isChecked());
    QVERIFY(p.chkUseSecondary1->isChecked());
    p.chkUseSecondary->click();  // clear
    QCOMPARE(f.image().Byte(mode), 0);
    QVERIFY(!p.chkUseSecondary1->isChecked());
    QCOMPARE(p.cmbAndOr->currentText(), QString("Or"));
}

void OutputSettingsTest::messageSelectionIsStoredAndShownAgain() {
    OnlinePage f;
    OutputPage& p = f.page();
    f.SelectMessage(0, "Coolant");
    f.Settle();
    const auto& def = CalAddresses().MessageDefSlot[0];
    QCOMPARE(QString::fromStdString(f.image().Text(def.MessageName, 24)), QString("Coolant"));
    QCOMPARE(f.image().Byte(f.cal(0).DataSource[0].MessageSlot), 1);
    QCOMPARE(f.Byte(def.MessageName), 'C');
    QCOMPARE(f.Byte(0x38F4), 0xCB);
    QCOMPARE(f.Byte(0x38F5), 0xE0);
    // Another output without a message shows "None", not the previous output's message.
    f.SelectTab(1);
    QCOMPARE(p.cmbMessage[0]->currentText(), QString("None"));
    f.SelectTab(0);
    QCOMPARE(p.cmbLibrary[0]->currentText(), QString("Engine"));
    QCOMPARE(p.cmbMessage[0]->currentText(), QString("Coolant"));
    // Choosing the library "None" stores "None".
    PageFixture::Choose(p.cmbLibrary[0], "None");
    QCOMPARE(QString::fromStdString(f.image().Text(def.MessageName, 24)), QString("None"));
    QCOMPARE(p.cmbMessage[0]->currentText(), QString("None"));
}

void OutputSettingsTest::aSelectionKeptOutOfAModuleThatDiffersWritesNoMarker() {
    PageFixture f;
    f.GoOnline();
    OutputPage& p = f.page();
    // An output name typed offline, then the same module again: it holds another calibration.
    f.window().ConnectCommand();
    f.Settle();
    PageFixture::Type(p.txtOutputName, "Pump");
    f.window().ConnectCommand();
    f.Settle();
    QCOMPARE(f.window().session().Agreement(), ModuleAgreement::Differs);
    f.w.app.files.CalibrationChanged = false;  // as a save leaves it
    f.window().UpdateTitle();
    f.w.sim->Module().Write(0x38F4, sim::Bytes{0x04, 0x00});
    const int applied = f.Applied();

    // No keeps the selection in the calibration shown only: no change, no marker.
    f.w.prompt.AnswerYesNoCancel(Answer::No);
    f.SelectMessage(0, "Coolant");
    f.Settle();
    QCOMPARE(f.Applied(), applied);
    QCOMPARE(f.Word(0x38F4), 0x0400u);
    QCOMPARE(p.mEditUndo->text(), QString("&Undo Primary Message Coolant"));
    // Cancel drops it: the bytes, the changed mark and the undo history are as they were.
    const CalImage before = f.image();
    f.w.app.files.CalibrationChanged = false;
    f.window().UpdateTitle();
    f.w.prompt.AnswerYesNoCancel(Answer::Cancel);
    f.SelectMessage(0, "Level");
    f.Settle();
    QVERIFY(f.image() == before);
    QVERIFY(!f.w.app.files.CalibrationChanged);
    QCOMPARE(p.mEditUndo->text(), QString("&Undo Primary Message Coolant"));
    // Cancel at an undo keeps the step where it was, still to be undone.
    f.w.prompt.AnswerYesNoCancel(Answer::Cancel);
    p.mEditUndo->trigger();
    f.Settle();
    QVERIFY(f.image() == before);
    QCOMPARE(p.mEditUndo->text(), QString("&Undo Primary Message Coolant"));
    QCOMPARE(f.Applied(), applied);
    QCOMPARE(f.Word(0x38F4), 0x0400u);
    QCOMPARE(f.unexpected(), QString());
}

void OutputSettingsTest::presetAppliedThenCustomAfterACellChange() {
    PageFixture f;
    const GaugePreset preset = test::FuelGaugePreset("FG-100");
    f.w.app.presets = {preset};
    // The list was filled when the page was built: fill it again as start-up would.
    f.page().cmbPresets->clear();
    f.page().cmbPresets->addItems({"Custom", "Fuel - FG-100"});
    f.GoOnline();
    OutputPage& p = f.page();
    p.chkFormatCAN->click();  // lifted for the duration, ticked again after
    PageFixture::Choose(p.cmbPresets, "Fuel - FG-100");
    f.Settle();
    QCOMPARE(p.cmbPresets->currentText(), QString("Fuel - FG-100"));
    QCOMPARE(p.txtOutputName->text(), QString("Fuel gauge"));
    QVERIFY(p.optType[2]->isChecked());
    QVERIFY(p.chkFormatCAN->isChecked());
    QCOMPARE(f.image().Word(f.cal(0).Period), 10000u);
    QCOMPARE(f.Word(f.cal(0).TableBlock + 2 * 3), 1500u);  // 15 % of 10000
    // One cell changed: "Custom".
    p.mshAnalogTable->selectCells(2, 4);
    p.mshAnalogTable->setFocus();
    QTest::keyClick(p.mshAnalogTable, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(p.cmbPresets->currentText(), QString("Custom"));
    // Undo puts the cell back: the preset matches again.
    p.Undo();
    QCOMPARE(p.cmbPresets->currentText(), QString("Fuel - FG-100"));
}

// Each change of the page is one named undo step, which puts the image and the module back
// byte for byte.
void OutputSettingsTest::everyChangeOfThePageIsOneUndoStepOnline() {
    PageFixture f;
    f.w.app.presets = {test::FuelGaugePreset("SP-8000-E")};
    OutputPage& p = f.page();
    p.cmbPresets->clear();
    p.cmbPresets->addItems({"Custom", "Fuel - SP-8000-E"});
    f.GoOnline();
    auto moduleImage = [&f] {
        CalImage image;
        image.CopyIntoImage(f.w.sim->Module().Read(kCalBaseAddress, kCalImageSize), 0);
        return image;
    };
    QVERIFY(f.image() == moduleImage());
    // Each step runs and gives the caption its undo should show.
    const std::function<std::string()> steps[] = {
        [&] {
            PageFixture::Choose(p.cmbPresets, "Fuel - SP-8000-E");
            return "&Undo Preset SP-8000-E";
        },
        [&] {
            f.SelectMessage(0, "Level");
            return "&Undo Primary Message Level";
        },
        [&] {
            p.cmdSetBreakpoints->click();
            return "&Undo Set Breakpoints";
        },
        [&] {
            p.optType[1]->click();
            return "&Undo Function Voltage Out";
        },
        [&] {
            PageFixture::Type(p.txtVoltOutDuty[1], "80");
            return "&Undo Max Duty Cycle";
        },
        [&] {
            OnModal<FrmCanSpeed>([](FrmCanSpeed& d) {
                QTest::mouseClick(d.optSpeedCAN[3], Qt::LeftButton);
                d.cmdOK->click();
            });
            f.window().menuComSetCAN->trigger();
            return "&Undo CAN Speed 125 kbit/s";
        },
        [&] {
            p.optType[3]->click();
            return "&Undo Function Relay Control";
        },
        [&] {
            const int k = p.optOff[0]->isChecked() ? 1 : 0;  // a state not chosen yet
            p.optOff[k]->click();
            return std::string("&Undo Off State ") + kDriveCaptions[static_cast<std::size_t>(k)];
        },
    };
    for (const auto& run : steps) {
        const CalImage before = f.image();
        const std::string text = run();
        const char* caption = text.c_str();
        f.Settle();
        QVERIFY2(!(f.image() == before), caption);
        QVERIFY2(f.image() == moduleImage(), caption);
        QCOMPARE(p.mEditUndo->text(), QString(caption));
        p.mEditUndo->trigger();
        f.Settle();
        QVERIFY2(f.image() == before, caption);
        QVERIFY2(moduleImage() == before, caption);
        // Done again, to be the state the next step starts from.
        p.mEditRedo->trigger();
        f.Settle();
        QVERIFY2(moduleImage() == f.image() && !(f.image() == before), caption);
    }
    // Nothing but a new calibration clears the history (a library or unit change reloads the
    // page and keeps it), and the window says so.
    const std::size_t count = std::size(steps);
    p.Reload();
    QCOMPARE(p.history().UndoCount(), count);
    f.w.prompt.AnswerYesNo(Answer::No);  // the changes are not saved to a file first
    f.window().RetrieveCommand();
    f.Settle();
    QCOMPARE(p.history().UndoCount(), std::size_t{0});
    QVERIFY(f.window().statusBar()->currentMessage().contains("can no longer be undone"));
    QVERIFY(f.w.prompt.ScriptDone());
}

void OutputSettingsTest::relayModeForcesTheFunction() {
    OnlinePage f(StartupMode::Relay);
    OutputPage& p = f.page();
    QCOMPARE(f.window().windowTitle(),
             QString("VX42 Relay Control Version 2.1.0 [Auto Retrieved File]"));
    QVERIFY(!p.fraPresets->isVisibleTo(&p));
    f.SelectTab(2);
    f.Settle();
    const int flags = f.cal(2).FunctionFlags;
    QCOMPARE(f.image().Byte(flags) & 0x27, 0x04);
    QCOMPARE(f.Byte(flags) & 0x27, 0x04);
    QVERIFY(p.optType[3]->isChecked());
    QVERIFY(!p.optType[2]->isEnabled());
    QVERIFY(p.fraRelay->isVisibleTo(&p));
    // Already relay control: choosing the tab again writes nothing.
    f.SelectTab(1);
    f.Settle();
    QCOMPARE(f.Byte(f.cal(1).FunctionFlags) & 0x27, 0x04);
    f.Settle();  // the writes posted so far have reached the module
    const int applied = f.Applied();
    f.SelectTab(2);
    f.SelectTab(1);
    f.Settle();
    QCOMPARE(f.Applied(), applied);
}

void OutputSettingsTest::loadingATabWritesNothing() {
    PageFixture f;
    // A calibration with every kind of output, as the module holds it.
    CalImage& image = f.image();
    image.SetByte(f.cal(0).FunctionFlags, 0x04);
    image.SetByte(f.cal(1).FunctionFlags, 0x20);
    image.SetByte(f.cal(2).FunctionFlags, 0x02);
    image.SetByte(CalAddresses().OutputOptions[2], 0x01);
    image.SetByte(f.cal(3).FunctionFlags, 0x02);
    f.SetModuleImage(image);
    f.GoOnline();
    f.Settle();  // the writes posted so far have reached the module
    const int applied = f.Applied();
    const bool changedBefore = f.w.app.files.CalibrationChanged;
    for (int tab : {1, 2, 3, 0, 4, 3}) {
        f.window().TabStrip->setCurrentIndex(tab);
        f.Settle();
    }
    QCOMPARE(f.Applied(), applied);
    QCOMPARE(f.w.app.files.CalibrationChanged, changedBefore);
}

QTEST_MAIN(OutputSettingsTest)
#include "output_settings_test.moc"
