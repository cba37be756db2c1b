// The output tab's settings through its widgets: functions, relay drive, secondary use,
// switching rules, period, message-slot settings, message lists, presets and relay mode,
// checked in the image and in the module's memory.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>

#include "calibration/outputs/output_function.h"
#include "calibration/outputs/relay_drive.h"
#include "output_page_fixture.h"
#include "ui/entry_box.h"
#include "ui/relay_picture.h"
#include "ui/table_grid.h"

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
    void dataOnTimeoutGoesToTheSignalsBytes();
    void switchFunctionsAndPointColours();
    void secondaryUseAndOr();
    void messageSelectionIsStoredAndShownAgain();
    void presetAppliedThenCustomAfterACellChange();
    void relayModeForcesTheFunction();
    void loadingATabWritesNothing();
};

void OutputSettingsTest::functionsStoreTheirBitsAndShowTheirFrames() {
    PageFixture f;
    f.GoOnline();
    OutputPage& p = f.page();
    const auto& cal = f.cal(0);
    const int options = CalAddresses().OutputOptions[0];
    struct Case {
        int option;
        std::uint8_t functionBit;
        bool voltageOut;
        QWidget* frame;
        const char* label;
    };
    const Case cases[] = {
        {4, 0x20, false, p.fraFreqTable, "Duty Cycle (%)"},
        {3, 0x04, false, p.fraRelay, "Time Delay (ms)"},
        {1, 0x02, true, p.fraVoltageOut, "Frequency (hz)"},
        {2, 0x02, false, p.fraTable, "Frequency (hz)"},
        {0, 0x01, false, nullptr, "Frequency (hz)"},
    };
    for (const Case& c : cases) {
        p.optType[c.option]->click();
        f.Settle();
        const std::uint8_t flags = f.image().Byte(cal.FunctionFlags);
        QCOMPARE(flags & 0x27, c.functionBit);
        QCOMPARE(f.Byte(cal.FunctionFlags), flags);
        if (c.option == 1 || c.option == 2) {
            QCOMPARE((f.image().Byte(options) & 1) != 0, c.voltageOut);
            QCOMPARE(f.Byte(options), f.image().Byte(options));
        }
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

void OutputSettingsTest::relayDriveFollowsBothTransitionTables() {
    PageFixture f;
    f.GoOnline();
    OutputPage& p = f.page();
    const int flagsAddress = f.cal(0).FunctionFlags;
    // The bits for each possible (Off, On) pair: bit 3 voltage, bit 4 ground, bit 6 swap.
    auto bitsFor = [](Drive off, Drive on) -> std::uint8_t {
        std::uint8_t b = 0x04;
        if (on == Drive::Voltage) b |= 0x08;
        if (off == Drive::Ground) b |= 0x10;
        if (off == Drive::Voltage) b |= 0x48;
        if (on == Drive::Ground) b |= 0x50;
        return b;
    };
    // What the other group shows after a click, by the chosen state and the other's state.
    const Drive V = Drive::Voltage, G = Drive::Ground, O = Drive::Open;
    const Drive resulting[3][3] = {{G, G, O}, {V, O, O}, {V, G, V}};  // [chosen][other before]
    for (bool offGroup : {true, false}) {
        for (int chosen = 0; chosen < 3; ++chosen) {
            for (int other = 0; other < 3; ++other) {
                for (int start = 0; start < 3; ++start) {  // the clicked group's state before
                    const Drive off = static_cast<Drive>(offGroup ? start : other);
                    const Drive on = static_cast<Drive>(offGroup ? other : start);
                    if (off == on && off != O) continue;  // not a possible starting pair
                    f.image().SetByte(flagsAddress, bitsFor(off, on));
                    f.page().SelectOutput(0);
                    auto& group = offGroup ? p.optOff : p.optOn;
                    group[chosen]->click();
                    f.Settle();
                    const DriveStates states = DriveStatesOf(f.image().Byte(flagsAddress));
                    const Drive expectOther = resulting[chosen][other];
                    const QString where = QString("%1 chosen %2 other %3")
                                              .arg(offGroup ? "Off" : "On")
                                              .arg(chosen)
                                              .arg(other);
                    QVERIFY2((offGroup ? states.off : states.on) == static_cast<Drive>(chosen),
                             qPrintable(where));
                    QVERIFY2((offGroup ? states.on : states.off) == expectOther, qPrintable(where));
                    QVERIFY2(
                        (offGroup ? p.optOn : p.optOff)[static_cast<int>(expectOther)]->isChecked(),
                        qPrintable(where));
                    QCOMPARE(f.Byte(flagsAddress), f.image().Byte(flagsAddress));
                }
            }
        }
    }
    // The two edge cases by their bits.
    f.image().SetByte(flagsAddress, 0x04);  // Off open, On open
    p.SelectOutput(0);
    p.optOff[2]->click();
    QCOMPARE(f.image().Byte(flagsAddress) & 0x58, 0x08);
    f.image().SetByte(flagsAddress, 0x14);  // Off ground, On open
    p.SelectOutput(0);
    p.optOn[1]->click();
    QCOMPARE(f.image().Byte(flagsAddress) & 0x58, 0x50);
}

void OutputSettingsTest::periodByFunction() {
    PageFixture f;
    f.GoOnline();
    OutputPage& p = f.page();
    const int period = f.cal(0).Period;
    p.optType[4]->click();
    PageFixture::Type(p.txtPeriod, "50");
    f.Settle();
    QCOMPARE(f.image().Word(period), 1800u);
    QCOMPARE(f.Word(period), 1800u);
    QCOMPARE(p.txtPeriod->text(), QString("50"));
    p.optType[2]->click();
    PageFixture::Type(p.txtPeriod, "100");
    QCOMPARE(f.image().Word(period), 10000u);
    QCOMPARE(p.txtPeriod->text(), QString("100.00"));
    PageFixture::Type(p.txtPeriod, "15.25");
    QCOMPARE(f.image().Word(period), 65535u);
    QCOMPARE(p.txtPeriod->text(), QString("15.26"));
    // Out of range shows red while typing, and is clamped on Enter.
    p.txtPeriod->setText("2000");
    QVERIFY(IsRed(p.txtPeriod));
    QTest::keyClick(p.txtPeriod, Qt::Key_Return);
    QCOMPARE(f.image().Word(period), 1000u);
    QVERIFY(!IsRed(p.txtPeriod));
    p.optType[3]->click();
    PageFixture::Type(p.txtPeriod, "2500");
    f.Settle();
    QCOMPARE(f.Byte(period), 0x09);
    QCOMPARE(f.Byte(period + 1), 0xC4);
    // Leaving a box without Enter commits nothing.
    p.txtPeriod->setText("7");
    p.txtOutputName->setFocus();
    QCOMPARE(f.image().Word(period), 2500u);
    QVERIFY(f.window().windowTitle().contains("[Auto Retrieved File]"));
}

void OutputSettingsTest::slotSettingsNeedAMessage() {
    PageFixture f;
    f.GoOnline();
    OutputPage& p = f.page();
    const auto& src = f.cal(0).DataSource[0];
    // Without a message the timeout stores nothing and shows 0.
    QVERIFY(!p.txtTimoutTimer[0]->isEnabled());
    QCOMPARE(p.txtTimoutTimer[0]->text(), QString("0"));
    PageFixture::Type(p.txtSamplePeriod[0], "256");
    QCOMPARE(f.image().Byte(src.SamplePeriod), 0);
    QCOMPARE(p.txtSamplePeriod[0]->text(), QString("256"));
    PageFixture::Type(p.txtSamplePeriod[0], "300");
    QCOMPARE(p.txtSamplePeriod[0]->text(), QString("256"));
    PageFixture::Type(p.txtAverageLength[0], "40");
    QCOMPARE(f.image().Byte(src.FilterSize), 32);
    f.Settle();
    QCOMPARE(f.Byte(src.FilterSize), 32);

    f.SelectMessage(0, "Speed");
    f.Settle();
    QVERIFY(p.txtTimoutTimer[0]->isEnabled());
    PageFixture::Type(p.txtTimoutTimer[0], "2500");
    f.Settle();
    const auto& slot = CalAddresses().MessageSlot[0];
    QCOMPARE(f.image().Word(slot.Timeout), 2500u);
    QCOMPARE(f.Word(slot.Timeout), 2500u);

    // The output name, written in two pieces.
    f.Settle();  // the writes posted so far have reached the module
    const int applied = f.Applied();
    PageFixture::Type(p.txtOutputName, "Fuel level sender output");
    f.Settle();
    QCOMPARE(QString::fromStdString(f.image().Text(CalAddresses().OutputName[0], 24)),
             QString("Fuel level sender output"));
    QCOMPARE(f.Applied() - applied, 2);  // bytes 1-16, then 17-24
    QCOMPARE(f.Byte(CalAddresses().OutputName[0] + 23), 't');
    QVERIFY(f.window().windowTitle().contains("[Auto Retrieved File]"));
}

void OutputSettingsTest::dataOnTimeoutGoesToTheSignalsBytes() {
    PageFixture f;
    f.GoOnline();
    OutputPage& p = f.page();
    const auto& slot0 = CalAddresses().MessageSlot[0];
    f.SelectMessage(0, "Speed");  // bit length 12 at byte 6
    PageFixture::Type(p.txtDataOnTimeout[0], "3000");
    f.Settle();
    QCOMPARE(f.image().Word(slot0.TimeoutData + 6), 3000u);
    QCOMPARE(f.Word(slot0.TimeoutData + 6), 3000u);

    const auto& slot1 = CalAddresses().MessageSlot[1];
    f.SelectMessage(1, "Level");                      // bit length 8 at byte 7
    PageFixture::Type(p.txtDataOnTimeout[1], "300");  // clamped to the byte
    f.Settle();
    QCOMPARE(f.image().Byte(slot1.TimeoutData + 7), 255);
    QCOMPARE(f.image().Byte(slot1.TimeoutData + 6), 0);
    QCOMPARE(f.Byte(slot1.TimeoutData + 7), 255);
    QCOMPARE(p.txtDataOnTimeout[1]->text(), QString("255"));
    // The next slot's identifier is untouched.
    QCOMPARE(f.image().Byte(CalAddresses().MessageSlot[2].CanId), 0);
}

void OutputSettingsTest::switchFunctionsAndPointColours() {
    PageFixture f;
    f.GoOnline();
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
    QCOMPARE(f.Word(f.cal(0).PrimaryBlock), 100u);  // stored whatever its colour
    QVERIFY(IsRed(p.txtOnA[0]));
    QVERIFY(IsRed(p.txtOffA[0]));
    p.txtOnA[0]->setText("250");  // colours follow every keystroke
    QVERIFY(!IsRed(p.txtOnA[0]));
    QVERIFY(!IsRed(p.txtOffA[0]));
    // Falling reverses the order: the same points turn red.
    PageFixture::Type(p.txtOnA[0], "250");
    PageFixture::Choose(p.cmbOptions[0], "Simple On to Off");
    QVERIFY(IsRed(p.txtOnA[0]));
    QVERIFY(!p.txtOnB[0]->isVisibleTo(&p));
}

void OutputSettingsTest::secondaryUseAndOr() {
    PageFixture f;
    f.GoOnline();
    OutputPage& p = f.page();
    p.optType[3]->click();
    const int mode = f.cal(0).SecondaryMode;
    QCOMPARE(p.chkUseSecondary->text(), QString("Use primary and secondary data"));
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
    p.chkUseSecondary1->click();  // ticking stores 1 even while the list shows "Or"
    f.Settle();
    QCOMPARE(f.image().Byte(mode), 1);
    QCOMPARE(f.Byte(mode), 1);
    p.optType[2]->click();
    QCOMPARE(p.chkUseSecondary->text(), QString("Use secondary data on timeout"));
}

void OutputSettingsTest::messageSelectionIsStoredAndShownAgain() {
    PageFixture f;
    f.w.app.settings.Units.MetricTemperature = true;
    f.GoOnline();
    OutputPage& p = f.page();
    QCOMPARE(p.cmbLibrary[0]->itemText(0), QString("None"));
    QCOMPARE(p.cmbLibrary[0]->currentText(), QString("None"));
    f.SelectMessage(0, "Coolant");
    f.Settle();
    const auto& def = CalAddresses().MessageDefSlot[0];
    QCOMPARE(QString::fromStdString(f.image().Text(def.MessageName, 24)), QString("Coolant"));
    QCOMPARE(f.image().Byte(f.cal(0).DataSource[0].MessageSlot), 1);
    QCOMPARE(f.Byte(def.MessageName), 'C');
    QCOMPARE(f.Byte(0x38F4), 0xCB);
    QCOMPARE(f.Byte(0x38F5), 0xE0);
    // The messages are listed sorted with "None" first.
    QStringList items;
    for (int k = 0; k < p.cmbMessage[0]->count(); ++k) items << p.cmbMessage[0]->itemText(k);
    QCOMPARE(items, (QStringList{"None", "Coolant", "Level", "Speed", "Wide"}));

    // Formatted: the captions and units follow the message (raw 40 shows 0 °C).
    p.chkFormatCAN->click();
    QCOMPARE(p.lblDataStat[0]->text(), QString("CAN Data Formated in °C"));
    QCOMPARE(p.lblMessUnit[0]->text(), QString("(°C)"));
    QCOMPARE(p.lblMessUnit[1]->text(), QString("(None)"));
    p.chkFormatCAN->click();
    QCOMPARE(p.lblDataStat[0]->text(), QString("Unformated CAN Data"));
    QCOMPARE(p.lblMessUnit[0]->text(), QString("(Raw)"));

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

void OutputSettingsTest::presetAppliedThenCustomAfterACellChange() {
    PageFixture f;
    GaugePreset preset;
    preset.GaugeName = "Fuel";
    preset.GaugePartNum = "FG-100";
    preset.OutputName = "Fuel gauge";
    preset.Function = 2;
    preset.Frequency = "100";
    preset.OutputOn = 0;
    preset.OutputOff = 1;
    for (int c = 0; c < 16; ++c) preset.DataBreakpoints[c] = c * 10;
    preset.BatteryBreakpoints = {7.99, 9.98, 11.98, 14.01, 16.01, 18.01};  // exact as words
    for (auto& row : preset.DataRows)
        for (int c = 0; c < 16; ++c) row[c] = 5.0 * c;
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
    QCOMPARE(f.Word(f.cal(0).PrimaryBlock + 2 * 15), 150u);
    // Applied again it changes no cell, so it stores none: only its few settings are written,
    // never the table's 118 cells again.
    const auto calibration = [&f] { return f.w.sim->Module().Read(kCalBaseAddress, kCalImageSize); };
    const auto module = calibration();
    const int applied = f.Applied();
    PageFixture::Choose(p.cmbPresets, "Fuel - FG-100");
    f.Settle();
    QVERIFY(f.Applied() - applied < 16);
    QVERIFY(calibration() == module);

    // One cell changed: "Custom".
    p.mshAnalogTable->selectCells(2, 4);
    p.mshAnalogTable->setFocus();
    QTest::keyClick(p.mshAnalogTable, Qt::Key_Equal, Qt::ControlModifier);
    QCOMPARE(p.cmbPresets->currentText(), QString("Custom"));
    // Undo puts the cell back: the preset matches again.
    p.Undo();
    QCOMPARE(p.cmbPresets->currentText(), QString("Fuel - FG-100"));
    // Picking "Custom" changes nothing.
    f.image();
    const CalImage before = f.image();
    PageFixture::Choose(p.cmbPresets, "Custom");
    QVERIFY(f.image() == before);
}

void OutputSettingsTest::relayModeForcesTheFunction() {
    PageFixture f(StartupMode::Relay);
    f.GoOnline();
    OutputPage& p = f.page();
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
