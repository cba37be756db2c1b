// "Firmware Upgrade" against the module simulator: a firmware upgrade with its status lines, a
// driver error and a new start, the service commands, and the main window offline afterwards.

#include <QProgressBar>

#include "support/firmware_file.h"
#include "ui_fixture.h"

namespace {

namespace st = upgrade_status;

std::unique_ptr<FrmFirmwareUpgrade> Dialog(WindowFixture& f) {
    return std::make_unique<FrmFirmwareUpgrade>(FrmFirmwareUpgrade::Context{
        f.prompt, f.app.log, f.app.settings, f.app.store, f.app.programFolder, f.window.link(),
        f.module.link(), [&f] { return f.window.online(); },
        [&f] { return f.window.session().firmware(); }});
}

// Calls `shown` with every widget shown while it lives.
class ShownWatch : public QObject {
  public:
    explicit ShownWatch(std::function<void(QWidget*)> shown) : shown_(std::move(shown)) {
        qApp->installEventFilter(this);
    }
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && o->isWidgetType()) shown_(static_cast<QWidget*>(o));
        return false;
    }

  private:
    std::function<void(QWidget*)> shown_;
};

bool Finished(FrmFirmwareUpgrade& d) {
    return QTest::qWaitFor([&] { return !d.running(); }, 20000);
}

}  // namespace

class DialogFirmwareUpgradeTest : public QObject {
    Q_OBJECT
  private slots:
    void firmwareUpgradeReusesTheConnectionAndLeavesTheWindowOffline() {
        DemoWindow f;
        f.Connect();
        f.sim->Module().Write(kCalBaseAddress + 100, Bytes{0x42});  // changed since the retrieve
        const Bytes first = test::Counting(1, 20, 5), second = test::Counting(9, 16, 5);
        const std::string path =
            test::WriteFirmware(f.folder.file("app.rom"), {{0x8000, first}, {0x9000, second}});
        f.prompt.AnswerOpenFile(path);
        QStringList lines;
        bool startedTwice = false, closedWhileRunning = false;
        OnModal<FrmFirmwareUpgrade>([&](FrmFirmwareUpgrade& d) {
            // The version the module gave on connecting, as the status bar shows it.
            QCOMPARE(d.lblFirmwareVer->text(), QString("2.1.0"));
            QVERIFY(!d.cmdStartUpgrade->isEnabled());  // nothing to upgrade with yet
            d.cmdOpenFile->click();
            QCOMPARE(d.lblFilename->text(), QString("app.rom"));  // lower case is firmware too
            d.cmdStartUpgrade->click();
            QVERIFY(d.running());
            QVERIFY(!d.cmdOpenFile->isEnabled());
            d.StartUpgrade();  // a second start while one runs does nothing
            startedTwice = f.window.link().pending() > 1;
            d.reject();
            closedWhileRunning = !d.isVisible();
            QVERIFY(Finished(d));
            for (int i = 0; i < d.lstStatus->count(); ++i) lines << d.lstStatus->item(i)->text();
            QCOMPARE(d.progressCaption->text(), QString("36 Bytes of 36 Bytes copied."));
            // The module restarted with other firmware and the link closed: no figure stays.
            QCOMPARE(d.lblFirmwareVer->text(), QString("Not connected"));
            d.accept();
        });
        f.window.menuComFirmUpgrade->trigger();
        f.Settle();  // the window follows the link as the link's thread finds it
        QVERIFY(!startedTwice && !closedWhileRunning);
        QCOMPARE(lines, QStringList({st::StartingFirmware, st::SendingFinish, st::SendingReset,
                                     st::FirmwareComplete}));
        QCOMPARE(f.sim->Module().ProgramMemory().at(0x9000), second[0]);
        QVERIFY(!f.window.online());
        QCOMPARE(f.app.settings.FirmwarePath, FolderOfPath(path));
        // What the module held before the upgrade was kept first.
        const auto kept = f.window.keeper().store()->Modules().at(0);
        QCOMPARE(kept.entries.back().event, std::string(restore_event::BeforeUpgrade));
    }

    // A bootloader image lands where the calibration lives: the next connect retrieves, shows
    // the differences and, answered yes, writes the calibration from before back.
    void theCalibrationAnUpgradeChangedIsShownAndWrittenBack() {
        DemoWindow f;
        f.Connect();
        const std::string path = f.folder.file("boot.BLU");
        std::ofstream(path, std::ios::binary) << std::string(100, '\x11');
        f.prompt.AnswerOpenFile(path);
        OnModal<FrmFirmwareUpgrade>([](FrmFirmwareUpgrade& d) {
            d.cmdOpenFile->click();
            d.cmdStartUpgrade->click();
            QVERIFY(Finished(d));
            d.accept();
        });
        f.window.menuComFirmUpgrade->trigger();
        f.Settle();
        QVERIFY(f.ModuleImage() != test::DemoCalibration());
        // Compare is open when the question comes.
        QString compared;
        ShownWatch watch([&](QWidget* w) {
            if (auto* c = qobject_cast<FrmCompare*>(w)) compared = c->lblCompared->text();
        });
        f.prompt.AnswerYesNo(Answer::Yes);
        f.Connect();
        QVERIFY2(compared.contains("held before the upgrade"), qPrintable(compared));
        QVERIFY(f.prompt.Calls().back().text.find("Write the calibration from before") !=
                std::string::npos);
        QVERIFY(f.ModuleImage() == test::DemoCalibration());
        QVERIFY(f.app.image == test::DemoCalibration());
    }

    // Without a file a start does nothing; Get Device Info shows what the main window shows;
    // offline, a register read and the bootloader's marker each go over a link of their own.
    void theServiceCommandsAndADriverErrorWithTheDialogAlone() {
        WindowFixture f;
        f.sim->Module().SetCanStatus(0, 0x12AB);
        auto d = Dialog(f);
        d->AddStatus("old line");
        d->StartUpgrade();
        QCOMPARE(d->lstStatus->count(), 0);
        QCOMPARE(f.sim->Exchanges(), 0);
        QCOMPARE(d->lblFirmwareVer->text(), QString("Not connected"));
        f.Connect();
        d->cmdGetInfo->click();
        QCOMPARE("Firmware Version: " + d->lblFirmwareVer->text(), f.window.lblFirmwareVer->text());
        f.ToggleConnection();
        f.sim->ClearLog();
        // A comma is no decimal point or thousands separator: refused, nothing read.
        f.prompt.ExpectMessage("\"15,227\" is not a number");
        d->txtRead->setText("15,227");
        d->cmdRead->click();
        QVERIFY(f.sim->Log().empty());
        d->txtRead->setText("&H3B7B");
        d->cmdRead->click();
        QVERIFY(!d->cmdRead->isEnabled());
        QVERIFY(Finished(*d));
        QCOMPARE(d->lblValue->text(), QString("Value: $12 $AB"));
        d->cmdSend->click();
        QVERIFY(Finished(*d));
        QCOMPARE(f.sim->Module().Read(0x38F4, 2), (Bytes{0x04, 0x00}));
        QVERIFY(!f.module.link().DeviceOpen());

        // A driver error during an upgrade is trapped and logged under the button; a new start
        // opens the link again and completes.
        const std::string path = f.folder.file("Upgrade.BLU");
        std::ofstream(path, std::ios::binary) << "bootloader";
        f.prompt.AnswerOpenFile(path);
        d->cmdOpenFile->click();
        f.bridge().throwingWrites = 1;
        f.prompt.ExpectMessage("51 driver fault");
        d->cmdStartUpgrade->click();
        QVERIFY(Finished(*d));
        QCOMPARE(d->lastOutcome(), std::optional<UpgradeOutcome>(UpgradeOutcome::Failed));
        const auto lines = test::LogLines(f.folder.str());
        QVERIFY(!lines.empty() && lines.back().find("frmFirmwareUpgrade, cmdStartUpgrade, Click") !=
                                      std::string::npos);
        d->cmdStartUpgrade->click();
        QVERIFY(Finished(*d));
        QCOMPARE(d->lastOutcome(), std::optional<UpgradeOutcome>(UpgradeOutcome::Complete));
    }
};

QTEST_MAIN(DialogFirmwareUpgradeTest)
#include "dialog_firmware_upgrade_test.moc"
