// "Firmware Upgrade" against the module simulator: a firmware and a bootloader upgrade with
// their status lines, a module that refuses the hand-over, the service commands, and the main
// window offline afterwards.

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <fstream>

#include "dialog_fixture.h"
#include "files/paths.h"
#include "ui/frm_firmware_upgrade.h"
#include "ui_fixture.h"

using namespace vx42;
using vx42::test::OnModal;
using vx42::test::WaitIdle;
using vx42::test::WindowFixture;

namespace {

namespace st = upgrade_status;

void PutLong(std::vector<std::uint8_t>& out, std::int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

Bytes Counting(std::uint8_t first, std::size_t n) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(first + 5 * i);
    return out;
}

// A firmware file of the records (address, data), written into the folder.
std::string WriteFirmware(const std::string& path,
                          const std::vector<std::pair<int, Bytes>>& records) {
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(records.size())};
    out.insert(out.end(), 8, 0x20);
    PutLong(out, records[0].first);
    PutLong(out, records[0].first + 3);
    for (const auto& [address, data] : records) {
        out.push_back(1);
        PutLong(out, static_cast<std::int32_t>(data.size()));
        PutLong(out, address);
        out.insert(out.end(), data.begin(), data.end());
    }
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
    return path;
}

QStringList Lines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) lines << list->item(i)->text();
    return lines;
}

std::unique_ptr<FrmFirmwareUpgrade> Dialog(WindowFixture& f) {
    return std::make_unique<FrmFirmwareUpgrade>(FrmFirmwareUpgrade::Context{
        f.prompt, f.app.log, f.app.settings, f.app.store, f.app.programFolder, f.window.link(),
        f.module.link(), [&f] { return f.window.online(); }});
}

bool Finished(FrmFirmwareUpgrade& d) {
    return QTest::qWaitFor([&] { return !d.running(); }, 20000);
}

}  // namespace

class DialogFirmwareUpgradeTest : public QObject {
    Q_OBJECT
  private slots:
    void firmwareUpgradeReusesTheConnectionAndLeavesTheWindowOffline() {
        WindowFixture f;
        const test::TempDir history;
        f.window.keeper() = RestoreKeeper(history.str(), 200);
        f.window.show();
        f.window.menuConnect->trigger();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.online());
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
            QCOMPARE(d.lblFirmwareVer->text(), QString("0.0.0"));
            d.cmdOpenFile->click();
            QCOMPARE(d.lblFilename->text(), QString("app.rom"));  // lower case is firmware too
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
            lines = Lines(d.lstStatus);
            QCOMPARE(d.lstStatus->currentRow(), d.lstStatus->count() - 1);
            caption = d.progressCaption->text();
            QCOMPARE(d.progressOutput->value(), d.progressOutput->maximum());
            d.accept();
        });
        f.window.menuComFirmUpgrade->trigger();
        QVERIFY(!startedTwice);
        QVERIFY(!closedWhileRunning);
        QCOMPARE(lines, QStringList({st::StartingFirmware, st::SendingFinish, st::SendingReset,
                                     st::FirmwareComplete}));
        QCOMPARE(caption, QString("36 Bytes of 36 Bytes copied."));
        const auto& program = f.sim->Module().ProgramMemory();
        for (std::size_t i = 0; i < first.size(); ++i) QCOMPARE(program.at(0x8000 + i), first[i]);
        for (std::size_t i = 0; i < second.size(); ++i) QCOMPARE(program.at(0x9000 + i), second[i]);
        QCOMPARE(program.at(0x8014), std::uint8_t{0xFF});  // the second block's fill
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
        QCOMPARE(f.window.keeper().store()->Load(kept, kept.entries[1]).Byte(kCalBaseAddress + 100),
                 std::uint8_t{0x42});
    }

    void bootloaderUpgradeWritesTheImageFrom0400() {
        WindowFixture f;
        const Bytes image = Counting(3, 20);
        const std::string path = f.folder.file("Upgrade.BLU");
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        f.prompt.AnswerOpenFile(path);
        auto d = Dialog(f);
        d->cmdOpenFile->click();
        d->cmdStartUpgrade->click();
        QVERIFY(Finished(*d));
        QCOMPARE(Lines(d->lstStatus), QStringList({st::StartingBootLoader, st::BootLoaderComplete,
                                                   st::LoadFirmwareNext}));
        Bytes expected = image;
        expected.push_back(0x00);   // the loaded image ends with 0x00
        expected.resize(32, 0xFF);  // then 0xFF to the end of the last block
        QCOMPARE(f.sim->Module().Read(0x0400, 32), expected);
        QVERIFY(!f.module.link().DeviceOpen());
        QCOMPARE(d->lastOutcome(), std::optional<UpgradeOutcome>(UpgradeOutcome::Complete));
    }

    void aFailedUnlockIsReportedAndTheUpgradeStops() {
        WindowFixture f;
        const std::uint8_t clear[2] = {0, 0};
        f.sim->Module().Write(0x130C, clear);
        // The staged unlock's first step never gets through.
        const int base = f.sim->Exchanges();
        for (int i = 1; i <= 5; ++i) f.sim->InjectAt(base + i, sim::Fault::CorruptChecksum);
        f.prompt.AnswerOpenFile(
            WriteFirmware(f.folder.file("app.ROM"), {{0x8000, Counting(1, 16)}}));
        f.prompt.ExpectMessage("Error Writing Calibration Change");
        auto d = Dialog(f);
        d->cmdOpenFile->click();
        d->cmdStartUpgrade->click();
        QVERIFY(Finished(*d));
        QCOMPARE(d->lastOutcome(), std::optional<UpgradeOutcome>(UpgradeOutcome::Refused));
        QCOMPARE(d->lstStatus->count(), 0);
        QVERIFY(f.sim->Module().ProgramMemory().empty());
        QVERIFY(!f.module.link().DeviceOpen());
        QVERIFY(d->cmdStartUpgrade->isEnabled());
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
        std::ifstream log(JoinPath(JoinPath(f.folder.str(), "Error Logs"), "ErrLogDVN.log"));
        std::string line;
        QVERIFY(std::getline(log, line));
        QVERIFY2(line.find("frmFirmwareUpgrade, cmdStartUpgrade, Click") != std::string::npos,
                 line.c_str());
        // A new start opens the link again and completes.
        d->cmdStartUpgrade->click();
        QVERIFY(Finished(*d));
        QCOMPARE(d->lastOutcome(), std::optional<UpgradeOutcome>(UpgradeOutcome::Complete));
        d->reject();
        QVERIFY(!d->isVisible());
    }

    void withoutAFileStartOnlyClearsTheStatus() {
        WindowFixture f;
        auto d = Dialog(f);
        d->AddStatus("old line");
        d->cmdStartUpgrade->click();
        QCOMPARE(d->lstStatus->count(), 0);
        QVERIFY(!d->running());
        QVERIFY(d->cmdStartUpgrade->isEnabled());
        QCOMPARE(f.sim->Exchanges(), 0);
    }

    void readAddressAndSendBootloader() {
        WindowFixture f;
        f.sim->Module().SetCanStatus(0, 0x12AB);
        auto d = Dialog(f);
        d->txtRead->setText("&H3B7B");
        d->cmdRead->click();
        QVERIFY(!d->cmdRead->isEnabled());
        QVERIFY(Finished(*d));
        QCOMPARE(d->lblValue->text(), QString("Value: $12 $AB"));
        QVERIFY(!f.module.link().DeviceOpen());
        d->txtRead->setText("15227");  // 0x3B7B in decimal
        f.sim->Module().SetCanStatus(0, 0x0005);
        d->cmdRead->click();
        QVERIFY(Finished(*d));
        QCOMPARE(d->lblValue->text(), QString("Value: $0 $5"));

        d->cmdSend->click();
        QVERIFY(Finished(*d));
        QCOMPARE(f.sim->Module().Read(0x38F4, 2), (Bytes{0x04, 0x00}));
        QVERIFY(!f.module.link().DeviceOpen());
    }
};

QTEST_MAIN(DialogFirmwareUpgradeTest)
#include "dialog_firmware_upgrade_test.moc"
