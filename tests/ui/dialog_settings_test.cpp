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
#include "ui/dialogs/frm_can_speed.h"
#include "ui/dialogs/frm_unit_settings.h"
#include "ui/main_window/can_status_frame.h"
#include "ui/output/output_page.h"
#include "ui_fixture.h"

using namespace vx42;
using vx42::test::CountFrames;
using vx42::test::FindIndexed;
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
    f.ToggleConnection();
    QVERIFY(f.window.online());
}

// The unit output 1 shows beside its primary data.
QString UnitShown(WindowFixture& f) {
    return FindIndexed<QLabel>(*f.window.outputPage, "lblMessUnit", 0)->text();
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
        QCOMPARE(UnitShown(f), QString::fromUtf8("(°F)"));
        const int writes = f.store.writes();

        OnModal<FrmUnitSettings>([](FrmUnitSettings& d) {
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
            shownWhileOpen = UnitShown(f);
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
            FindIndexed<QRadioButton>(d, "optSpeed", 1)->click();
            d.cmdOK->click();
        });
        f.window.menuSettingsUnits->trigger();
        UnitFlags expected = UnitFlags::AllMetric();
        expected.MetricSpeed = false;
        QCOMPARE(f.app.settings.Units, expected);
        QCOMPARE(LoadSettings(f.store, f.app.programFolder, {}).Units, expected);
        QCOMPARE(UnitShown(f), QString::fromUtf8("(°C)"));
    }

    // The import itself is the library files' own; the window lists what it brought.
    void updateLibraryImportsAFileAndListsIt() {
        WindowFixture f;
        test::TempDir source;
        clsBlowfish cipher;
        QVERIFY(cipher.EncryptFile(WriteLibraryBytes(NewLibrary("Body")),
                                   source.file("Body_Bus.DVM"), LibraryKey));
        f.prompt.AnswerOpenFile(source.file("Body_Bus.DVM"));
        f.window.menuFileUpdateLib->trigger();
        auto* library = FindIndexed<QComboBox>(*f.window.outputPage, "cmbLibrary", 0);
        QStringList items;
        for (int i = 0; i < library->count(); ++i) items << library->itemText(i);
        QCOMPARE(items, QStringList({"None", "Body Bus", "User Defined"}));
    }

    void canSpeedWindowSelectsStoresAndKeepsItsChoice() {
        WindowFixture f;
        Connect(f);
        const int speed = CalAddresses().CanSpeed;
        f.app.image.StoreWord(speed, 500);
        f.app.files.CalibrationChanged = false;

        // The stored speed is selected; another option and OK store it here and in the module.
        OnModal<FrmCanSpeed>([](FrmCanSpeed& d) {
            QVERIFY(FindIndexed<QRadioButton>(d, "optSpeedCAN", 1)->isChecked());
            QTest::mouseClick(FindIndexed<QRadioButton>(d, "optSpeedCAN", 3), Qt::LeftButton);
            d.cmdOK->click();
        });
        f.window.menuComSetCAN->trigger();
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.app.image.Word(speed), 125u);
        QCOMPARE(f.sim->Module().Read(speed, 2), (sim::Bytes{0x00, 0x7D}));
        QVERIFY(!f.app.files.CalibrationChanged);

        // Cancel stores nothing.
        OnModal<FrmCanSpeed>([](FrmCanSpeed& d) {
            QVERIFY(FindIndexed<QRadioButton>(d, "optSpeedCAN", 3)->isChecked());
            QTest::mouseClick(FindIndexed<QRadioButton>(d, "optSpeedCAN", 0), Qt::LeftButton);
            d.cmdCancel->click();
        });
        f.window.menuComSetCAN->trigger();
        QCOMPARE(f.app.image.Word(speed), 125u);
    }

    void firstOpeningOfAnUnknownSpeedStores1M() {
        WindowFixture f;
        f.app.image.StoreWord(CalAddresses().CanSpeed, 300);
        OnModal<FrmCanSpeed>([](FrmCanSpeed& d) {
            for (auto* option : d.optSpeedCAN) QVERIFY(!option->isChecked());
            d.cmdOK->click();
        });
        f.window.menuComSetCAN->trigger();
        QCOMPARE(f.app.image.Word(CalAddresses().CanSpeed), 1000u);
        QCOMPARE(CountFrames(*f.sim, 'W') + CountFrames(*f.sim, 'X'), 0);  // offline: nothing sent
        // Offline the new speed lives only in the calibration: it counts as a change.
        QVERIFY(f.app.files.CalibrationChanged);
    }

    void canStatusOnlineColoursEachSlotAndOfflineDoesNothing() {
        WindowFixture f;
        CanStatusFrame* status = StatusFrame(f);
        QVERIFY(status);
        std::array<unsigned, kMessageSlots> before{};  // grey: not read yet, or not used
        for (int k = 0; k < kMessageSlots; ++k) before[k] = status->Colour(k);

        // Offline the button does nothing.
        status->cmdCheckCANStats->click();
        QVERIFY(WaitIdle(f.window));
        for (int k = 0; k < kMessageSlots; ++k) QCOMPARE(status->Colour(k), before[k]);
        QCOMPARE(CountFrames(*f.sim, 'R'), 0);

        // Online: output 2 uses no secondary data, so slot 3 is not used, grey without a read.
        // Output 1's primary data is named by its message.
        CalImage image;
        for (int output = 0; output < 4; ++output)
            image.SetByte(CalAddresses().OutputCal[output].SecondaryMode, output == 1 ? 0 : 1);
        image.SetByte(CalAddresses().OutputCal[0].DataSource[0].MessageSlot, 1);
        image.StoreText(CalAddresses().MessageDefSlot[0].LibraryName, width::LibraryName, "Engine");
        image.StoreText(CalAddresses().MessageDefSlot[0].MessageName, width::MessageName, "Speed");
        f.sim->Module().Write(kCalBaseAddress, image.bytes());
        for (int k = 0; k < kMessageSlots; ++k)
            f.sim->Module().SetCanStatus(k, k == 3 || k % 3 == 0 ? 0x0100 : 0);
        f.prompt.ExpectMessage("not defined in your current libraries");  // no such library here
        Connect(f);
        f.window.TabStrip->setCurrentIndex(4);
        QVERIFY(status->isVisible());
        f.sim->ClearLog();
        status->cmdCheckCANStats->click();
        QVERIFY(!status->cmdCheckCANStats->isEnabled());
        QVERIFY(WaitIdle(f.window));
        QVERIFY(status->cmdCheckCANStats->isEnabled());
        const unsigned green = 0x00FF00, red = 0xFF0000, unused = 0xE8E8E8;
        const unsigned expected[kMessageSlots] = {green, red, red, unused, red, red, green, red};
        for (int k = 0; k < kMessageSlots; ++k) QCOMPARE(status->Colour(k), expected[k]);
        QCOMPARE(CountFrames(*f.sim, 'R'), 7);
        QCOMPARE(status->lblCanMessage[0]->text(), QString("Engine / Speed"));
        QCOMPARE(status->lblCanMessage[2]->text(), QString("no message"));
        QCOMPARE(status->lblCanMessage[3]->text(), QString("not used"));
        QVERIFY(status->lblCanLastRead->text().startsWith("Last read: "));
    }

    // The watch repeats the reads about once a second, never while a transfer runs, and
    // stops by itself on a transfer, another tab and going offline.
    void canStatusWatchRepeatsTheReadsAndStopsByItself() {
        WindowFixture f;
        CanStatusFrame* status = StatusFrame(f);
        f.sim->Module().Write(kCalBaseAddress, CalImage{}.bytes());
        f.sim->Module().SetCanTraffic(0, {0, 0x0101});
        Connect(f);
        QVERIFY(WaitIdle(f.window));
        f.window.TabStrip->setCurrentIndex(4);
        const auto start = [&] {
            status->chkWatchCAN->click();
            QVERIFY(status->chkWatchCAN->isChecked());
        };
        // The first round at once, the next about a second later.
        start();
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(status->Colour(0), 0xFF0000u);
        QTRY_COMPARE_WITH_TIMEOUT(status->Colour(0), 0x00FF00u, 3000);

        // A retrieve stops it; no status read falls inside the retrieve.
        f.sim->ClearLog();
        f.window.RetrieveCommand();
        QVERIFY(!status->chkWatchCAN->isChecked());
        QVERIFY(WaitIdle(f.window));
        QTest::qWait(1500);
        bool retrieving = false;
        int readsDuring = 0;  // status reads from the retrieve on
        for (const sim::LoggedFrame& frame : f.sim->Log()) {
            if (frame.request.empty()) continue;
            if (frame.request[0] == 'Q') retrieving = true;
            const int address =
                frame.request.size() > 2 ? frame.request[1] * 256 + frame.request[2] : 0;
            if (frame.request[0] == 'R' && address >= CanStatusAddress(0) &&
                address <= CanStatusAddress(kMessageSlots - 1))
                ++readsDuring;
        }
        QVERIFY(retrieving);
        QCOMPARE(readsDuring, 0);

        // Another tab, then going offline.
        start();
        f.window.TabStrip->setCurrentIndex(0);
        QVERIFY(!status->chkWatchCAN->isChecked());
        f.window.TabStrip->setCurrentIndex(4);
        start();
        QVERIFY(WaitIdle(f.window));
        f.ToggleConnection();
        QVERIFY(!f.window.online());
        QVERIFY(!status->chkWatchCAN->isChecked());
    }
};

QTEST_MAIN(DialogSettingsTest)
#include "dialog_settings_test.moc"
