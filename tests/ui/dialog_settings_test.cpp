// The Settings and Communications dialogs of the main window: units, Update Library, CAN
// speed and the "CAN Status" tab, against the module simulator.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>

#include "can/blowfish.h"
#include "can/library_files.h"
#include "can/message_selection.h"
#include "dialog_fixture.h"
#include "files/paths.h"
#include "ui/can_status_frame.h"
#include "ui/frm_can_speed.h"
#include "ui/frm_unit_settings.h"
#include "ui/output_page.h"
#include "ui_fixture.h"

using namespace vx42;
using vx42::test::CountFrames;
using vx42::test::OnModal;
using vx42::test::WaitIdle;
using vx42::test::WindowFixture;

namespace {

CanMessage Message(const std::string& name, const std::string& unit) {
    CanMessage m;
    m.Name = FixedText(name, canwidth::Name);
    m.Description = FixedText(name, canwidth::Description);
    m.CanId = 0x18FEEE00;
    m.DataLength = 8;
    m.BitLength = 8;
    m.Multiplier = 1;
    m.Unit = FixedText(unit, canwidth::Unit);
    return m;
}

void Connect(WindowFixture& f) {
    f.window.show();
    f.window.menuConnect->trigger();
    QVERIFY(WaitIdle(f.window));
    QVERIFY(f.window.online());
}

CanStatusFrame* StatusFrame(WindowFixture& f) {
    return f.window.findChild<CanStatusFrame*>("fraCANStat");
}

}  // namespace

class DialogSettingsTest : public QObject {
    Q_OBJECT
  private slots:
    void metricThenCancelChangesNothingAndApplyStoresAllSix() {
        WindowFixture f;
        // Output 1 shows a message in degrees Celsius.
        CanLibrary engine = NewLibrary("Engine");
        engine.Messages.push_back(Message("Oil Temp",
                                          "\xC2\xB0"
                                          "C"));
        f.app.libraries.MessageLibraries.push_back(engine);
        EditTarget target = f.window.edit();
        StoreMessageSelection(target, f.app.libraries, 0, 0,
                              &f.app.libraries.MessageLibraries.back(),
                              &f.app.libraries.MessageLibraries.back().Messages[0]);
        f.window.outputPage->Reload();
        f.window.outputPage->chkFormatCAN->click();  // values shown in their units
        QCOMPARE(f.window.outputPage->lblMessUnit[0]->text(), QString::fromUtf8("(°F)"));
        const int writes = f.store.writes();

        OnModal<FrmUnitSettings>([](FrmUnitSettings& d) {
            QCOMPARE(d.windowTitle(), QString("Unit Settings"));
            QCOMPARE(d.optTemp[0]->text(), QString::fromUtf8("\u00BAC"));
            QCOMPARE(d.optMap[1]->text(), QString("PSI/in.Hg"));
            for (auto& group : d.groups) QVERIFY(group[1]->isChecked());
            d.cmdMetric->click();
            for (auto& group : d.groups) QVERIFY(group[0]->isChecked());
            d.cmdCancel->click();
        });
        f.window.menuSettingsUnits->trigger();
        QCOMPARE(f.app.settings.Units, UnitFlags{});
        QCOMPARE(f.store.writes(), writes);

        QString shownWhileOpen;
        OnModal<FrmUnitSettings>([&f, &shownWhileOpen](FrmUnitSettings& d) {
            d.cmdMetric->click();
            d.cmdApply->click();
            QVERIFY(d.isVisible());  // Apply keeps the window open
            shownWhileOpen = f.window.outputPage->lblMessUnit[0]->text();
            d.cmdStandard->click();
            QTest::keyClick(&d, Qt::Key_Escape);  // Esc: the applied choices remain
        });
        f.window.menuSettingsUnits->trigger();
        QCOMPARE(shownWhileOpen, QString::fromUtf8("(°C)"));
        QCOMPARE(f.app.settings.Units, UnitFlags::AllMetric());
        for (const char* key : {"Temperature", "Speed", "Pressure", "Flow", "Torque", "Volume"})
            QVERIFY2(TextToBool(f.store.Get("Units", key).value_or(""), false), key);

        // Standard, then OK: stored, the window closed, the values shown again.
        OnModal<FrmUnitSettings>([](FrmUnitSettings& d) {
            for (auto& group : d.groups) QVERIFY(group[0]->isChecked());
            d.optSpeed[1]->click();
            d.cmdOK->click();
        });
        f.window.menuSettingsUnits->trigger();
        UnitFlags expected = UnitFlags::AllMetric();
        expected.MetricSpeed = false;
        QCOMPARE(f.app.settings.Units, expected);
        QCOMPARE(LoadSettings(f.store, f.app.programFolder, {}).Units, expected);
        QCOMPARE(f.window.outputPage->lblMessUnit[0]->text(), QString::fromUtf8("(°C)"));
    }

    void updateLibraryImportsAFileAndListsIt() {
        WindowFixture f;
        test::TempDir source;
        CanLibrary body = NewLibrary("Body");
        body.Messages.push_back(Message("Door Ajar", "None"));
        clsBlowfish cipher;
        QVERIFY(
            cipher.EncryptFile(WriteLibraryBytes(body), source.file("Body_Bus.DVM"), LibraryKey));

        f.prompt.AnswerOpenFile(std::nullopt);  // cancelled: nothing changes
        f.window.menuFileUpdateLib->trigger();
        QCOMPARE(f.app.libraries.MessageLibraries.size(), std::size_t{1});

        f.prompt.AnswerOpenFile(source.file("Body_Bus.DVM"));
        f.window.menuFileUpdateLib->trigger();
        QVERIFY(FileExists(JoinPath(LibraryFolderOf(f.app.programFolder), "Body_Bus.DVM")));
        QCOMPARE(f.app.settings.LibraryPath, FolderOfPath(source.file("Body_Bus.DVM")));
        QStringList items;
        for (int i = 0; i < f.window.outputPage->cmbLibrary[0]->count(); ++i)
            items << f.window.outputPage->cmbLibrary[0]->itemText(i);
        QCOMPARE(items, QStringList({"None", "Body Bus", "User Defined"}));
    }

    void canSpeedWindowSelectsStoresAndKeepsItsChoice() {
        WindowFixture f;
        Connect(f);
        const int speed = CalAddresses().CanSpeed;
        f.app.image.StoreWord(speed, 500);
        f.app.files.CalibrationChanged = false;

        // 500 selects "500K"; "125K" and OK store 0x00 0x7D here and in the module.
        OnModal<FrmCanSpeed>([](FrmCanSpeed& d) {
            QCOMPARE(d.windowTitle(), QString("Set CAN Speed"));
            QVERIFY(d.optSpeedCAN[1]->isChecked());
            QCOMPARE(d.optSpeedCAN[3]->text(), QString("125K"));
            QTest::mouseClick(d.optSpeedCAN[3], Qt::LeftButton);
            d.cmdOK->click();
        });
        f.window.menuComSetCAN->trigger();
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.app.image.Byte(speed), 0x00);
        QCOMPARE(f.app.image.Byte(speed + 1), 0x7D);
        QCOMPARE(f.sim->Module().Read(speed, 2), (sim::Bytes{0x00, 0x7D}));
        QVERIFY(!f.app.files.CalibrationChanged);

        // Cancel stores nothing.
        OnModal<FrmCanSpeed>([](FrmCanSpeed& d) {
            QVERIFY(d.optSpeedCAN[3]->isChecked());
            QTest::mouseClick(d.optSpeedCAN[0], Qt::LeftButton);
            d.cmdCancel->click();
        });
        f.window.menuComSetCAN->trigger();
        QCOMPARE(f.app.image.Word(speed), 125u);

        // 300 selects nothing; OK then stores the option last clicked, "1M" above.
        f.app.image.StoreWord(speed, 300);
        OnModal<FrmCanSpeed>([](FrmCanSpeed& d) {
            for (auto* option : d.optSpeedCAN) QVERIFY(!option->isChecked());
            d.cmdOK->click();
        });
        f.window.menuComSetCAN->trigger();
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.app.image.Word(speed), 1000u);
    }

    void firstOpeningOfAnUnknownSpeedStores1M() {
        WindowFixture f;
        f.app.image.StoreWord(CalAddresses().CanSpeed, 300);
        OnModal<FrmCanSpeed>([](FrmCanSpeed& d) { d.cmdOK->click(); });
        f.window.menuComSetCAN->trigger();
        QCOMPARE(f.app.image.Word(CalAddresses().CanSpeed), 1000u);
        QCOMPARE(CountFrames(*f.sim, 'W') + CountFrames(*f.sim, 'X'), 0);  // offline: nothing sent
        // Offline the new speed lives only in the calibration: it counts as a change, and
        // closing asks to save it.
        QVERIFY(f.app.files.CalibrationChanged);
        f.prompt.AnswerYesNoCancel(Answer::Cancel);
        QVERIFY(!f.window.close());
        QVERIFY(f.prompt.Calls().back().text.rfind("The file has been changed and not saved.", 0) == 0);
        f.prompt.AnswerYesNoCancel(Answer::No);
        QVERIFY(f.window.close());
    }

    void canStatusOnlineColoursEachSlotAndOfflineDoesNothing() {
        WindowFixture f;
        CanStatusFrame* status = StatusFrame(f);
        QVERIFY(status);
        QCOMPARE(status->lblCanDesc[2]->text(), QString("Output 3 CAN Data Status"));
        const unsigned grey = status->Colour(0);

        // Offline the button does nothing.
        status->cmdCheckCANStats->click();
        QVERIFY(WaitIdle(f.window));
        for (int k = 0; k < kMessageSlots; ++k) QCOMPARE(status->Colour(k), grey);
        QCOMPARE(CountFrames(*f.sim, 'R'), 0);

        // Online: output 2 uses no secondary data, so slot 3 is red without a read.
        CalImage image;
        for (int output = 0; output < 4; ++output)
            image.SetByte(CalAddresses().OutputCal[output].SecondaryMode, output == 1 ? 0 : 1);
        f.sim->Module().Write(kCalBaseAddress, image.bytes());
        for (int k = 0; k < kMessageSlots; ++k)
            f.sim->Module().SetCanStatus(k, k == 3 || k % 3 == 0 ? 0x0100 : 0);
        Connect(f);
        f.window.TabStrip->setCurrentIndex(4);
        QVERIFY(status->isVisible());
        f.sim->ClearLog();
        status->cmdCheckCANStats->click();
        QVERIFY(!status->cmdCheckCANStats->isEnabled());
        QVERIFY(WaitIdle(f.window));
        QVERIFY(status->cmdCheckCANStats->isEnabled());
        const unsigned green = 0x00FF00, red = 0xFF0000;
        const unsigned expected[kMessageSlots] = {green, red, red, red, red, red, green, red};
        for (int k = 0; k < kMessageSlots; ++k) QCOMPARE(status->Colour(k), expected[k]);
        QCOMPARE(CountFrames(*f.sim, 'R'), 7);
    }
};

QTEST_MAIN(DialogSettingsTest)
#include "dialog_settings_test.moc"
