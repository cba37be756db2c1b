// The main window against the module simulator: start-up, connection, retrieve, update,
// files, closing and the error trap.

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QSet>
#include <filesystem>
#include <fstream>

#include "app/startup.h"
#include "files/folders.h"
#include "files/paths.h"
#include "support/temp_dir.h"
#include "ui_fixture.h"

using namespace vx42;
using vx42::test::CountFrames;
using vx42::test::WaitIdle;
using vx42::test::WindowFixture;

namespace {

// A calibration of varied bytes whose data sources name no message (so loading it asks
// nothing about undefined messages).
CalImage Patterned(int seed) {
    CalImage image;
    for (int i = 0; i < kCalImageSize; ++i) image[i] = static_cast<std::uint8_t>(i * 13 + seed);
    for (const auto& out : CalAddresses().OutputCal)
        for (const auto& source : out.DataSource) image.SetByte(source.MessageSlot, 0);
    return image;
}

void Trigger(FrmMain& w, const char* action) {
    auto* a = w.findChild<QAction*>(action);
    QVERIFY2(a, action);
    a->trigger();
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void startsOfflineInTheCompactLayout() {
        WindowFixture f;
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [No File Loaded]"));
        QVERIFY(!f.window.TabStrip->isVisibleTo(&f.window));
        QVERIFY(!f.window.cmdUpdate->isVisibleTo(&f.window));
        QCOMPARE(f.window.lblOnline->text(), QString("Offline"));
        QCOMPARE(f.window.menuConnect->text(), QString("Connect"));
        QVERIFY(!f.window.menuComSetCAN->isVisible());
        QCOMPARE(f.window.lblInfo->text(), QString("0 Bytes of 0 Bytes copied."));
    }

    void connectRetrievesOnceAndUpdateWrites() {
        WindowFixture f;
        const CalImage moduleImage = Patterned(5);
        f.sim->Module().Write(kCalBaseAddress, moduleImage.bytes());
        f.window.show();
        Trigger(f.window, "menuConnect");
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.online());
        QCOMPARE(f.window.lblOnline->text(), QString("Online"));
        QVERIFY(!f.window.lblSimulated->isHidden());
        QCOMPARE(f.window.menuConnect->text(), QString("Disconnect"));
        QCOMPARE(f.window.lblFirmwareVer->text(), QString("Firmware Version: 2.1.0"));
        QCOMPARE(f.window.lblInfo->text(), QString("2,727 Bytes of 2,727 Bytes copied."));
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [Auto Retrieved File]"));
        QVERIFY(f.app.image == moduleImage);
        QVERIFY(f.window.TabStrip->isVisible());
        QVERIFY(f.window.menuComSetCAN->isVisible());
        QCOMPARE(CountFrames(*f.sim, 'Q'), 171);

        // Disconnect and connect the same module: nothing is read again.
        Trigger(f.window, "menuConnect");
        QVERIFY(WaitIdle(f.window));
        QVERIFY(!f.window.online());
        f.app.image[10] = 0xEE;  // an offline edit stays in the program
        Trigger(f.window, "menuConnect");
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.online());
        QCOMPARE(CountFrames(*f.sim, 'Q'), 171);
        QCOMPARE(f.app.image[10], 0xEE);

        // Update writes the whole image.
        f.window.cmdUpdate->click();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.cmdUpdate->isEnabled());
        QVERIFY(f.ModuleImage() == f.app.image);
    }

    void updateOfflineRefuses() {
        WindowFixture f;
        f.prompt.ExpectMessage("You must be connected to write the calibration");
        f.window.UpdateCommand();
        QCOMPARE(CountFrames(*f.sim, 'P'), 0);
    }

    void aSecondModuleAsksToSaveFirst() {
        sim::SimConfig config;
        config.bridges = {{"Dialvane VX42 USB", "DV42A001"}, {"Dialvane VX42 USB", "DV42B002"}};
        WindowFixture f(StartupMode::Full, vx42::test::FastSimulator(config));
        f.sim->Module(0).Write(kCalBaseAddress, CalImage{}.bytes());
        f.sim->Module(1).Write(kCalBaseAddress, CalImage{}.bytes());
        Trigger(f.window, "menuConnect");
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.online());
        Trigger(f.window, "menuConnect");  // disconnect
        QVERIFY(WaitIdle(f.window));
        f.sim->Unplug(0);
        f.prompt.AnswerYesNo(Answer::No);
        Trigger(f.window, "menuConnect");
        QVERIFY(WaitIdle(f.window));
        const auto calls = f.prompt.Calls();
        QCOMPARE(calls.size(), size_t(1));
        QVERIFY(calls[0].text.rfind("Different VX42 module detected.", 0) == 0);
        QCOMPARE(CountFrames(*f.sim, 'Q'), 2 * 171);
    }

    void aFailedRetrieveLeavesTheCalibrationAlone() {
        WindowFixture f;
        f.sim->Module().Write(kCalBaseAddress, CalImage{}.bytes());
        f.app.image = Patterned(9);
        f.sim->Module().Write(kCalBaseAddress, Patterned(1).bytes());
        // Block 3 never answers: five attempts, then the message.
        sim::FaultRates rates;
        f.prompt.ExpectMessage("Error Retrieving Calibration");
        f.sim->SetFaultRates(rates, 1);
        for (int n = 0; n < 5; ++n) f.sim->InjectAt(1 + 1 + 3 + n, sim::Fault::Drop);
        Trigger(f.window, "menuConnect");
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.app.image == Patterned(9));
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [No File Loaded]"));
        // The module counts as not retrieved: connecting again retrieves.
        Trigger(f.window, "menuConnect");
        QVERIFY(WaitIdle(f.window));
        Trigger(f.window, "menuConnect");
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.app.image == Patterned(1));
    }

    void openSaveAndSaveAsFollowTheQuestions() {
        WindowFixture f;
        const std::string file = f.folder.file("truck.DVF");
        WriteCalibrationFile(file, Patterned(3));
        f.prompt.AnswerOpenFile(file);
        Trigger(f.window, "menuFileOpen");
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [truck.DVF]"));
        QVERIFY(f.app.image == Patterned(3));
        QVERIFY(f.window.TabStrip->isVisibleTo(&f.window));

        f.app.image[0] = 0x42;
        f.app.files.CalibrationChanged = true;
        f.window.UpdateTitle();
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [truck.DVF*]"));
        Trigger(f.window, "menuFileSave");  // quick save, no dialog
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [truck.DVF]"));
        QCOMPARE(ReadCalibrationFile(file).image[0], 0x42);

        f.prompt.AnswerSaveFile(f.folder.file("copy"));
        Trigger(f.window, "menuFileSaveAs");
        QVERIFY(FileExists(f.folder.file("copy.DVF")));
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [copy.DVF]"));

        // Changed, then Open: Yes to saving and a cancelled dialog cancels the open.
        f.app.files.CalibrationChanged = true;
        f.prompt.AnswerYesNo(Answer::Yes);
        f.prompt.AnswerSaveFile(std::nullopt);
        Trigger(f.window, "menuFileOpen");
        QVERIFY(f.app.files.CalibrationChanged);
    }

    void openingWhileOnlineProgramsTheModuleAfterTheQuestion() {
        WindowFixture f;
        f.sim->Module().Write(kCalBaseAddress, CalImage{}.bytes());
        Trigger(f.window, "menuConnect");
        QVERIFY(WaitIdle(f.window));
        const std::string file = f.folder.file("new.DVF");
        WriteCalibrationFile(file, Patterned(7));
        const CalImage before = f.ModuleImage();
        f.prompt.AnswerYesNo(Answer::No);
        Trigger(f.window, "menuFileOpen");
        QVERIFY(f.ModuleImage() == before);
        f.prompt.AnswerYesNo(Answer::Yes);
        f.prompt.AnswerOpenFile(file);
        Trigger(f.window, "menuFileOpen");
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.ModuleImage() == Patterned(7));
        const auto calls = f.prompt.Calls();
        QCOMPARE(QString::fromStdString(calls[0].title), QString("Open And Program File?"));
    }

    void closingWithUnsavedChangesAsks() {
        WindowFixture f;
        f.window.show();
        f.app.files.MarkAutoRetrieved();
        f.app.files.CalibrationChanged = true;
        f.prompt.AnswerYesNoCancel(Answer::Cancel);
        QVERIFY(!f.window.close());
        QVERIFY(f.window.isVisible());
        // Yes, then the save dialog is cancelled: the window stays, nothing is lost.
        f.prompt.AnswerYesNoCancel(Answer::Yes);
        f.prompt.AnswerSaveFile(std::nullopt);
        QVERIFY(!f.window.close());
        QVERIFY(f.window.isVisible());
        QCOMPARE(f.store.Get("Units", "Flow"),
                 std::optional<std::string>("False"));  // settings saved first
        f.prompt.AnswerYesNoCancel(Answer::No);
        QVERIFY(f.window.close());
    }

    void anErrorInAHandlerIsShownLoggedAndSurvived() {
        WindowFixture f;
        f.prompt.ExpectMessage("Subscript out of range");
        QVERIFY(!f.window.Trapped("cmdUpdate", "Click", [] { (void)std::vector<int>{}.at(1); }));
        std::ifstream log(JoinPath(JoinPath(f.folder.str(), "Error Logs"), "ErrLogDVN.log"));
        std::string line;
        QVERIFY(std::getline(log, line));
        QVERIFY(line.find("frmMain, cmdUpdate, Click") != std::string::npos);
        f.prompt.ExpectMessage("You must be connected to write the calibration");
        f.window.cmdUpdate->click();  // the window goes on
    }

    void aRetrievedCalibrationWithUnknownMessagesWarnsOnce() {
        WindowFixture f;
        CalImage image;
        const auto& map = CalAddresses();
        for (int output : {1, 3}) {
            image.SetByte(map.OutputCal[output].DataSource[1].MessageSlot, 2 * output + 2);
            image.StoreText(map.MessageDefSlot[2 * output + 1].MessageName, width::MessageName,
                            "Retarder Torque " + std::to_string(output));
        }
        f.sim->Module().Write(kCalBaseAddress, image.bytes());
        f.prompt.ExpectMessage("One or more variables are not defined in your current libraries.");
        Trigger(f.window, "menuConnect");
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.app.libraries.UndefinedIndex >= 0);
        QCOMPARE(f.app.libraries.MessageLibraries[f.app.libraries.UndefinedIndex].MessageCount(),
                 2);
    }

    void helpManualOpensTheShippedManualWithTheDesktopsViewer() {
        WindowFixture f;
        f.prompt.ExpectMessage("The installation manual was not found");
        Trigger(f.window, "menuHelpManual");
        const std::string manual = ManualPath(f.folder.str());
        QVERIFY(std::filesystem::create_directories(std::filesystem::path(manual).parent_path()));
        std::ofstream(manual) << "%PDF-1.4";
        f.prompt.ExpectOpenDocument(manual);
        Trigger(f.window, "menuHelpManual");
        QVERIFY(f.prompt.ScriptDone());
        QCOMPARE(QString::fromStdString(f.prompt.Calls().back().text), QString::fromStdString(manual));
    }

    void fileCommandsHaveTheUsualKeys() {
        WindowFixture f;
        const std::pair<const char*, const char*> keys[] = {{"menuFileOpen", "Ctrl+O"},
                                                            {"menuFileSave", "Ctrl+S"},
                                                            {"menuFileSaveAs", "Ctrl+Shift+S"},
                                                            {"menuFileExit", "Ctrl+Q"}};
        for (const auto& [name, key] : keys)
            QCOMPARE(f.window.findChild<QAction*>(name)->shortcut(), QKeySequence(key));
        // No other command of the window answers the same keys.
        QSet<QString> seen;
        for (QAction* a : f.window.findChildren<QAction*>())
            for (const QKeySequence& k : a->shortcuts()) {
                if (a->shortcutContext() == Qt::WidgetShortcut) continue;  // the tables' own
                QVERIFY2(!seen.contains(k.toString()), qPrintable(k.toString()));
                seen.insert(k.toString());
            }
    }

    // Installed, the window reads the shipped data from share/ and writes only to the user's
    // folders: the log to the state folder, the user's libraries to the data folder.
    void installedTheWindowWritesOnlyToTheUsersFolders() {
        namespace fs = std::filesystem;
        test::TempDir prefix, data, state;
        fs::create_directories(prefix.path() / "bin");
        const fs::path share = prefix.path() / "share" / kSharedDataFolderName;
        fs::create_directories(share / "Libraries");
        const QByteArray oldData = qgetenv("XDG_DATA_HOME"), oldState = qgetenv("XDG_STATE_HOME");
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.str()));
        qputenv("XDG_STATE_HOME", QByteArray::fromStdString(state.str()));
        ScriptedPrompt prompt;
        MemorySettingsStore store;
        AppContext app(StartupMode::Full, (prefix.path() / "bin").string(), prompt, store);
        qputenv("XDG_DATA_HOME", oldData);
        qputenv("XDG_STATE_HOME", oldState);

        QVERIFY(app.folders.installed);
        QCOMPARE(QString::fromStdString(app.presetsPath()),
                 QString::fromStdString((share / "GaugePresets.CFG").string()));
        QCOMPARE(QString::fromStdString(app.settings.LibraryPath),
                 QString::fromStdString((share / "Libraries").string()));
        const std::string userFolder = JoinPath(data.str(), kApplicationName);
        QCOMPARE(QString::fromStdString(app.libraryFolder()),
                 QString::fromStdString(JoinPath(userFolder, "Libraries") + "/"));
        prompt.ExpectMessage("Subscript out of range");
        RunTrapped({"frmMain", "cmdUpdate", "Click"}, prompt, app.log,
                   [] { (void)std::vector<int>{}.at(1); });
        QVERIFY(FileExists(
            JoinPath(JoinPath(JoinPath(state.str(), kApplicationName), "Error Logs"), "ErrLogDVN.log")));
        QVERIFY(!fs::exists(prefix.path() / "bin" / "Error Logs"));
    }

    void theRelayNameStartsInRelayMode() {
        WindowFixture f(StartupMode::Relay);
        QCOMPARE(f.window.windowTitle(),
                 QString("VX42 Relay Control Version 2.1.0 [No File Loaded]"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
