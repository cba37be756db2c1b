// "Firmware Upgrade" against the module simulator: a firmware upgrade with its status lines, a
// driver error and a new start, the service commands, and the main window offline afterwards.

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "demo_window.h"
#include "dialog_fixture.h"
#include "files/paths.h"
#include "support/firmware_file.h"
#include "ui/dialogs/frm_compare.h"
#include "ui/dialogs/frm_firmware_upgrade.h"

using namespace vx42;
using vx42::test::DemoWindow;
using vx42::test::OnModal;
using vx42::test::WaitIdle;
using vx42::test::WindowFixture;
using vx42::test::WriteFirmware;

namespace {

namespace st = upgrade_status;

Bytes Counting(std::uint8_t first, std::size_t n) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(first + 5 * i);
    return out;
}

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
        f.window.show();
        f.Connect();
        f.sim->Module().Write(kCalBaseAddress + 100, Bytes{0x42});  // changed since the retrieve
        const Bytes first = Counting(1, 20), second = Counting(9, 16);
        const std::string path =
            WriteFirmware(f.folder.file("app.rom"), {{0x8000, first}, {0x9000, second}});
        f.prompt.AnswerOpenFile(path);

        QStringList lines;
        QString caption;
        bool startedTwice = false, closedWhileRunning = false;
        OnModal<FrmFirmwareUpgrade>([&](FrmFirmwareUpgrade& d) {
            QCOMPARE(d.windowTitle(), QString("Firmware Upgrade"));
            // The version the module gave on connecting, as the status bar shows it.
            QVERIFY(!f.module.link().FirmwareVersion().empty());
            QCOMPARE(d.lblFirmwareVer->text(),
                     QString::fromStdString(f.module.link().FirmwareVersion()));
            QVERIFY(!d.cmdStartUpgrade->isEnabled());  // nothing to upgrade with yet
            d.cmdOpenFile->click();
            QCOMPARE(d.lblFilename->text(), QString("app.rom"));  // lower case is firmware too
            QVERIFY(d.cmdStartUpgrade->isEnabled());
            d.cmdStartUpgrade->click();
            QVERIFY(d.running());
            QVERIFY(!d.cmdStartUpgrade->isEnabled());
            QVERIFY(!d.cmdOpenFile->isEnabled());
            d.StartUpgrade();  // a second start while one runs does nothing
            startedTwice = f.window.link().pending() > 1;
            d.reject();
            closedWhileRunning = !d.isVisible();
            QVERIFY(Finished(d));
            QVERIFY(d.cmdStartUpgrade->isEnabled());
            lines = test::Items(d.lstStatus);
            QCOMPARE(d.lstStatus->currentRow(), d.lstStatus->count() - 1);
            caption = d.progressCaption->text();
            QCOMPARE(d.progressOutput->value(), d.progressOutput->maximum());
            // The module restarted with other firmware and the link closed: no figure stays.
            QCOMPARE(d.lblFirmwareVer->text(), QString("Not connected"));
            d.accept();
        });
        f.window.menuComFirmUpgrade->trigger();
        QVERIFY(WaitIdle(f.window));  // the window follows the link as the link's thread finds it
        QVERIFY(!startedTwice);
        QVERIFY(!closedWhileRunning);
        QCOMPARE(lines, QStringList({st::StartingFirmware, st::SendingFinish, st::SendingReset,
                                     st::FirmwareComplete}));
        QCOMPARE(caption, QString("36 Bytes of 36 Bytes copied."));
        QCOMPARE(f.sim->Module().ProgramMemory().at(0x9000), second[0]);
        QCOMPARE(f.sim->Module().Resets(), 1);
        int handOvers = 0;
        for (const auto& frame : f.sim->Log())
            if (frame.request == Bytes{'?'}) ++handOvers;
        QCOMPARE(handOvers, 1);
        QVERIFY(!f.window.online());
        QCOMPARE(f.window.lblOnline->text(), QString("Offline"));
        QCOMPARE(f.app.settings.FirmwarePath, FolderOfPath(path));
        // What the module held before the upgrade was kept first.
        const auto kept = f.window.keeper().store()->Modules().at(0);
        QCOMPARE(kept.entries.size(), std::size_t{2});
        QCOMPARE(kept.entries[1].event, std::string(restore_event::BeforeUpgrade));
    }

    // A bootloader image lands where the calibration lives: the next connect retrieves, shows
    // the differences and, answered yes, writes the calibration from before back.
    void theCalibrationAnUpgradeChangedIsShownAndWrittenBack() {
        DemoWindow f;
        const CalImage before = test::DemoCalibration();
        f.window.show();
        f.Connect();
        const std::string path = f.folder.file("boot.BLU");
        std::ofstream(path, std::ios::binary) << std::string(100, '\x11');
        f.prompt.AnswerOpenFile(path);
        OnModal<FrmFirmwareUpgrade>([&](FrmFirmwareUpgrade& d) {
            d.cmdOpenFile->click();
            d.cmdStartUpgrade->click();
            QVERIFY(Finished(d));
            d.accept();
        });
        f.window.menuComFirmUpgrade->trigger();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.ModuleImage() != before);

        // Compare is open when the question comes.
        QString compared;
        ShownWatch watch([&](QWidget* w) {
            if (auto* c = qobject_cast<FrmCompare*>(w)) compared = c->lblCompared->text();
        });
        f.prompt.AnswerYesNo(Answer::Yes);
        f.ToggleConnection();
        QVERIFY(WaitIdle(f.window));
        QVERIFY2(compared.contains("held before the upgrade"), qPrintable(compared));
        QVERIFY(f.prompt.Calls().back().text.find("Write the calibration from before") !=
                std::string::npos);
        QVERIFY(f.ModuleImage() == before);
        QVERIFY(f.window.app().image == before);
    }

    void aDriverErrorDuringTheUpgradeIsTrappedAndTheDialogCanClose() {
        WindowFixture f;
        const std::string path = f.folder.file("Upgrade.BLU");
        std::ofstream(path, std::ios::binary) << "bootloader";
        f.prompt.AnswerOpenFile(path);
        auto d = Dialog(f);
        d->show();
        d->cmdOpenFile->click();
        f.bridge().throwingWrites = 1;
        f.prompt.ExpectMessage("51 driver fault");
        d->cmdStartUpgrade->click();
        QVERIFY(Finished(*d));
        QVERIFY(f.prompt.ScriptDone());
        QCOMPARE(d->lastOutcome(), std::optional<UpgradeOutcome>(UpgradeOutcome::Failed));
        QVERIFY(d->cmdStartUpgrade->isEnabled());
        QVERIFY(d->cmdRead->isEnabled());
        const auto lines = test::LogLines(f.folder.str());
        QVERIFY(!lines.empty() &&
                lines[0].find("frmFirmwareUpgrade, cmdStartUpgrade, Click") != std::string::npos);
        // A new start opens the link again and completes.
        d->cmdStartUpgrade->click();
        QVERIFY(Finished(*d));
        QCOMPARE(d->lastOutcome(), std::optional<UpgradeOutcome>(UpgradeOutcome::Complete));
        d->reject();
        QVERIFY(!d->isVisible());
    }

    // Start Upgrade waits for a file; the service commands sit in their own frame.
    void withoutAFileStartIsDisabledAndGetInfoReadsTheVersion() {
        WindowFixture f;
        auto d = Dialog(f);
        QVERIFY(!d->cmdStartUpgrade->isEnabled());
        d->AddStatus("old line");
        d->StartUpgrade();
        QCOMPARE(d->lstStatus->count(), 0);
        QVERIFY(!d->running());
        QVERIFY(!d->cmdStartUpgrade->isEnabled());
        QVERIFY(d->cmdOpenFile->isEnabled());
        QCOMPARE(f.sim->Exchanges(), 0);
        auto* service = d->findChild<QGroupBox*>("fraService");
        QVERIFY(service && service->title() == "Service");
        for (QWidget* w : std::initializer_list<QWidget*>{d->txtRead, d->cmdRead, d->lblValue,
                                                          d->cmdSend, d->cmdCreateBLU})
            QVERIFY(service->isAncestorOf(w));
        QVERIFY(!service->isAncestorOf(d->cmdStartUpgrade));

        // Get Device Info shows the figure the main window shows for the connected module.
        QCOMPARE(d->lblFirmwareVer->text(), QString("Not connected"));
        f.ToggleConnection();
        QVERIFY(f.window.online());
        d->cmdGetInfo->click();
        QCOMPARE("Firmware Version: " + d->lblFirmwareVer->text(), f.window.lblFirmwareVer->text());
        QVERIFY(d->lblFirmwareVer->text() != "0.0.0");
    }

    void readAddressAndSendBootloader() {
        WindowFixture f;
        f.sim->Module().SetCanStatus(0, 0x12AB);
        auto d = Dialog(f);
        // A comma is no decimal point or thousands separator: refused, nothing read.
        f.prompt.ExpectMessage("\"15,227\" is not a number");
        d->txtRead->setText("15,227");
        d->cmdRead->click();
        QVERIFY(d->cmdRead->isEnabled());
        QCOMPARE(f.sim->Exchanges(), 0);
        d->txtRead->setText("&H3B7B");
        d->cmdRead->click();
        QVERIFY(!d->cmdRead->isEnabled());
        QVERIFY(Finished(*d));
        QCOMPARE(d->lblValue->text(), QString("Value: $12 $AB"));
        QVERIFY(!f.module.link().DeviceOpen());

        d->cmdSend->click();
        QVERIFY(Finished(*d));
        QCOMPARE(f.sim->Module().Read(0x38F4, 2), (Bytes{0x04, 0x00}));
        QVERIFY(!f.module.link().DeviceOpen());
    }
};

QTEST_MAIN(DialogFirmwareUpgradeTest)
#include "dialog_firmware_upgrade_test.moc"
