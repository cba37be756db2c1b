// The Settings and Communications dialogs of the main window: units, Update Library, CAN
// speed and the "CAN Status" tab, against the module simulator. The speeds, the slots' colours
// and when the watch reads are the CAN rules' own, tested there.

#include "can/blowfish.h"
#include "can/library_files.h"
#include "can/message_selection.h"
#include "ui/main_window/can_status_frame.h"
#include "ui_fixture.h"

namespace {

// The unit output 1 shows beside its primary data.
QString UnitShown(WindowFixture& f) {
    return FindIndexed<QLabel>(f.page(), "lblMessUnit", 0)->text();
}

}  // namespace

class DialogSettingsTest : public QObject {
    Q_OBJECT
  private slots:
    void cancelChangesNothingApplyShowsAndOkStores() {
        WindowFixture f;
        // Output 1 shows a message in degrees Celsius.
        CanLibrary engine = NewLibrary("Engine");
        engine.Messages.push_back(test::TestMessage("Oil Temp", 0, 8, 1, 0, "°C"));
        f.app.libraries.MessageLibraries.push_back(engine);
        CanLibrary& shown = f.app.libraries.MessageLibraries.back();
        EditTarget target = f.window.edit();
        StoreMessageSelection(target, f.app.libraries, 0, 0, &shown, &shown.Messages[0]);
        f.page().Reload();
        f.page().chkFormatCAN->click();  // values shown in their units
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

        // One group back to standard, then OK: stored, the window closed.
        OnModal<FrmUnitSettings>([](FrmUnitSettings& d) {
            FindIndexed<QRadioButton>(d, "optSpeed", 1)->click();
            d.cmdOK->click();
        });
        f.window.menuSettingsUnits->trigger();
        UnitFlags expected = UnitFlags::AllMetric();
        expected.MetricSpeed = false;
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
        QCOMPARE(test::Items(f.page().cmbLibrary[0]),
                 QStringList({"None", "Body Bus", "User Defined"}));
    }

    // The stored speed is selected, and Cancel stores nothing (OK is one of the changes of the
    // output page's test).
    void canSpeedWindowShowsTheStoredSpeedAndCancelKeepsIt() {
        WindowFixture f;
        f.app.image.StoreWord(CalAddresses().CanSpeed, 500);
        OnModal<FrmCanSpeed>([](FrmCanSpeed& d) {
            QVERIFY(FindIndexed<QRadioButton>(d, "optSpeedCAN", 1)->isChecked());
            QTest::mouseClick(FindIndexed<QRadioButton>(d, "optSpeedCAN", 0), Qt::LeftButton);
            d.cmdCancel->click();
        });
        f.window.menuComSetCAN->trigger();
        QCOMPARE(f.app.image.Word(CalAddresses().CanSpeed), 500u);
    }

    // Offline the check is the CAN status rule's own (it reads nothing).
    void canStatusColoursEachSlotAndAFailedReadIsSaid() {
        WindowFixture f;
        auto* status = f.window.findChild<CanStatusFrame*>("fraCANStat");
        // Output 2 uses no secondary data, so slot 3 is not used, grey without a read.
        // Output 1's primary data is named by its message.
        CalImage image;
        for (int output = 0; output < 4; ++output)
            image.SetByte(CalAddresses().OutputCal[output].SecondaryMode, output == 1 ? 0 : 1);
        image.SetByte(CalAddresses().OutputCal[0].DataSource[0].MessageSlot, 1);
        image.StoreText(CalAddresses().MessageDefSlot[0].LibraryName, width::LibraryName, "Engine");
        image.StoreText(CalAddresses().MessageDefSlot[0].MessageName, width::MessageName, "Speed");
        for (int k = 0; k < kMessageSlots; ++k)
            f.sim->Module().SetCanStatus(k, k == 3 || k % 3 == 0 ? 0x0100 : 0);
        f.prompt.ExpectMessage("not defined in your current libraries");  // no such library here
        f.Connect(image);
        f.window.TabStrip->setCurrentIndex(4);
        f.sim->ClearLog();
        status->cmdCheckCANStats->click();
        QVERIFY(!status->cmdCheckCANStats->isEnabled());
        f.Settle();
        QVERIFY(status->cmdCheckCANStats->isEnabled());
        const unsigned green = 0x00FF00, red = 0xFF0000, unused = 0xE8E8E8;
        const unsigned expected[kMessageSlots] = {green, red, red, unused, red, red, green, red};
        for (int k = 0; k < kMessageSlots; ++k) QCOMPARE(status->Colour(k), expected[k]);
        QCOMPARE(CountFrames(*f.sim, 'R'), 7);
        QCOMPARE(status->lblCanMessage[0]->text(), QString("Engine / Speed"));
        QCOMPARE(status->lblCanMessage[2]->text(), QString("no message"));
        QCOMPARE(status->lblCanMessage[3]->text(), QString("not used"));
        QVERIFY(status->lblCanLastRead->text().startsWith("Last read: "));
        // A read that fails is said, and leaves the indicators as they were.
        f.bridge().throwingWrites = 1000;
        f.prompt.ExpectMessage("driver fault");
        f.prompt.ExpectMessage("The CAN status could not be read");
        status->cmdCheckCANStats->click();
        f.Settle();
        f.bridge().throwingWrites = 0;
        for (int k = 0; k < kMessageSlots; ++k) QCOMPARE(status->Colour(k), expected[k]);
    }

    // The watch repeats the reads about once a second and stops by itself on a transfer,
    // another tab and going offline (when it reads is the watch's rule, tested there).
    void canStatusWatchRepeatsTheReadsAndStopsByItself() {
        WindowFixture f;
        auto* status = f.window.findChild<CanStatusFrame*>("fraCANStat");
        f.sim->Module().SetCanTraffic(0, {0, 0x0101});
        f.Connect();
        f.window.TabStrip->setCurrentIndex(4);
        const auto start = [&] {
            status->chkWatchCAN->click();
            QVERIFY(status->chkWatchCAN->isChecked());
        };
        // The first round at once, the next about a second later.
        start();
        QTRY_COMPARE_WITH_TIMEOUT(status->Colour(0), 0xFF0000u, 1000);
        QTRY_COMPARE_WITH_TIMEOUT(status->Colour(0), 0x00FF00u, 3000);

        // A retrieve, another tab and going offline stop it.
        f.window.RetrieveCommand();
        QVERIFY(!status->chkWatchCAN->isChecked());
        f.Settle();
        start();
        f.window.TabStrip->setCurrentIndex(0);
        QVERIFY(!status->chkWatchCAN->isChecked());
        f.window.TabStrip->setCurrentIndex(4);
        start();
        f.Settle();
        f.ToggleConnection();
        QVERIFY(!status->chkWatchCAN->isChecked());
    }
};

QTEST_MAIN(DialogSettingsTest)
#include "dialog_settings_test.moc"
