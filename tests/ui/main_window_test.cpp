// The main window against the module simulator: start-up, connection, retrieve, update,
// files, closing and the error trap.

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <QStackedWidget>
#include <QTabBar>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "app/qt/qt_prompt.h"
#include "app/startup.h"
#include "files/folders.h"
#include "files/paths.h"
#include "support/temp_dir.h"
#include "ui/main_window/program_start.h"
#include "ui/output/output_page.h"
#include "ui/widgets/entry_box.h"
#include "ui_fixture.h"

using namespace vx42;
using vx42::test::CountFrames;
using vx42::test::LogLines;
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

// Writes a patterned calibration file and opens it through File > Open.
std::string OpenPatterned(WindowFixture& f, int seed) {
    const std::string file = f.folder.file("truck.DVF");
    WriteCalibrationFile(file, Patterned(seed));
    f.prompt.AnswerOpenFile(file);
    Trigger(f.window, "menuFileOpen");
    return file;
}

// A settings store that fails as a damaged one does.
class FailingStore : public SettingsStore {
  public:
    std::optional<std::string> Get(const std::string&, const std::string&) const override {
        throw NumberedError(75, "Path/File access error");
    }
    void Set(const std::string&, const std::string&, const std::string&) override {}
};

// $HOME pointed at a fresh folder for the life of the object: a first run.
struct FreshHome {
    FreshHome() : saved(qgetenv("HOME")) {
        qputenv("HOME", QByteArray::fromStdString(home.str()));
        qunsetenv("XDG_CONFIG_HOME");
    }
    ~FreshHome() { qputenv("HOME", saved); }
    vx42::test::TempDir home;
    QByteArray saved;
};

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
  private slots:
    // Each control of an array has a name of its own, so a name finds exactly one control.
    void noTwoControlsShareANameOrAKey() {
        WindowFixture f;
        f.window.SetFullLayout();
        QSet<QString> seen;
        QStringList shared;
        for (const QObject* child : f.window.findChildren<QObject*>()) {
            const QString name = child->objectName();
            if (name.isEmpty() || name.startsWith("qt_")) continue;
            if (seen.contains(name)) shared << name;
            seen.insert(name);
        }
        QVERIFY2(shared.isEmpty(), qPrintable(shared.join(", ")));
        QVERIFY(seen.contains("shaOutCAN_7"));

        // The file commands have the usual keys, which no other command answers.
        const std::pair<const char*, const char*> usual[] = {{"menuFileOpen", "Ctrl+O"},
                                                             {"menuFileSave", "Ctrl+S"},
                                                             {"menuFileSaveAs", "Ctrl+Shift+S"},
                                                             {"menuFileExit", "Ctrl+Q"}};
        for (const auto& [name, key] : usual)
            QCOMPARE(f.window.findChild<QAction*>(name)->shortcut(), QKeySequence(key));
        QSet<QString> keys;
        for (QAction* a : f.window.findChildren<QAction*>())
            for (const QKeySequence& k : a->shortcuts()) {
                if (a->shortcutContext() == Qt::WidgetShortcut) continue;  // the tables' own
                QVERIFY2(!keys.contains(k.toString()), qPrintable(k.toString()));
                keys.insert(k.toString());
            }
    }

    void connectRetrievesOnceAndUpdateWrites() {
        WindowFixture f;
        const CalImage moduleImage = Patterned(5);
        f.sim->Module().Write(kCalBaseAddress, moduleImage.bytes());
        f.window.show();
        f.ToggleConnection();
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
        f.ToggleConnection();
        QVERIFY(!f.window.online());
        f.app.image[10] = 0xEE;  // an offline edit stays in the program
        f.ToggleConnection();
        QVERIFY(f.window.online());
        QCOMPARE(CountFrames(*f.sim, 'Q'), 171);
        QCOMPARE(f.app.image[10], 0xEE);

        // Update writes the whole image (the patterned bytes fail the calibration check, but
        // the module holds those errors already: nothing is asked).
        f.window.cmdUpdate->click();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.cmdUpdate->isEnabled());
        QVERIFY(f.ModuleImage() == f.app.image);
    }

    void aSecondModuleAsksToSaveUnsavedEditsFirst() {
        sim::SimConfig config;
        config.bridges = {{"Dialvane VX42 USB", "DV42A001"}, {"Dialvane VX42 USB", "DV42B002"}};
        WindowFixture f(StartupMode::Full, vx42::test::FastSimulator(config));
        f.sim->Module(0).Write(kCalBaseAddress, CalImage{}.bytes());
        f.sim->Module(1).Write(kCalBaseAddress, CalImage{}.bytes());
        f.ToggleConnection();
        QVERIFY(f.window.online());
        f.ToggleConnection();  // disconnect
        f.sim->Unplug(0);
        f.app.files.CalibrationChanged = true;  // an unsaved edit of the first one's calibration
        f.prompt.AnswerYesNo(Answer::No);
        f.ToggleConnection();
        const auto calls = f.prompt.Calls();
        QCOMPARE(calls.size(), size_t(1));
        QVERIFY(calls[0].text.rfind("Different VX42 module detected.", 0) == 0);
        QCOMPARE(CountFrames(*f.sim, 'Q'), 2 * 171);
    }

    void connectingOverUnsavedEditsAsksFirst() {
        WindowFixture f;
        OpenPatterned(f, 3);
        f.app.image[0] = 0x42;
        f.app.files.CalibrationChanged = true;
        f.sim->Module().Write(kCalBaseAddress, Patterned(4).bytes());
        // The first connect: the retrieved calibration would replace unsaved edits. Yes, then
        // the save dialog cancelled: connected, and nothing is retrieved over the edits.
        const std::size_t opened = f.prompt.Calls().size();
        f.prompt.AnswerYesNo(Answer::Yes);
        f.prompt.AnswerSaveFile(std::nullopt);
        f.ToggleConnection();
        const auto calls = f.prompt.Calls();
        QCOMPARE(calls.size(), opened + 2);
        QCOMPARE(QString::fromStdString(calls[opened].title), QString("Save Changes?"));
        QCOMPARE(QString::fromStdString(calls[opened].text),
                 QString("The file has been changed and not saved. Would you like to save now?"));
        QVERIFY(f.window.online());
        QCOMPARE(CountFrames(*f.sim, 'Q'), 0);
        QCOMPARE(f.app.image[0], 0x42);
        QCOMPARE(f.window.lblStatusAgreement->text(),
                 QString("Module holds a different calibration: Update writes the one shown"));
        // Retrieve asks the same; No retrieves.
        f.prompt.AnswerYesNo(Answer::No);
        f.window.RetrieveCommand();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.app.image == Patterned(4));
        // Disconnecting asks nothing.
        f.ToggleConnection();
        QCOMPARE(f.prompt.Calls().size(), opened + 3);
    }

    void copyWithNothingSelectedClearsTheClipboard() {
        WindowFixture f;
        f.window.SetFullLayout();
        f.window.show();
        QVERIFY(f.window.findChild<QWidget*>("fraMessages"));
        auto* box = f.window.findChild<QLineEdit*>("txtOutputName");
        QVERIFY(box);
        QApplication::clipboard()->setText("older");
        f.window.activateWindow();
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        box->setText("Tacho");
        box->deselect();
        Trigger(f.window, "mEditCopy");
        QVERIFY(QApplication::clipboard()->text().isEmpty());
    }

    void aFailedRetrieveLeavesTheCalibrationAlone() {
        WindowFixture f;
        f.app.image = Patterned(9);
        f.sim->Module().Write(kCalBaseAddress, Patterned(1).bytes());
        // Block 3 never answers: five attempts, then the message.
        sim::FaultRates rates;
        f.prompt.ExpectMessage("Error Retrieving Calibration");
        f.sim->SetFaultRates(rates, 1);
        for (int n = 0; n < 5; ++n) f.sim->InjectAt(1 + 1 + 3 + n, sim::Fault::Drop);
        f.ToggleConnection();
        QVERIFY(f.app.image == Patterned(9));
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [No File Loaded]"));
        // The module counts as not retrieved: connecting again retrieves.
        f.ToggleConnection();
        f.ToggleConnection();
        QVERIFY(f.app.image == Patterned(1));
    }

    void openSaveAndSaveAsFollowTheQuestions() {
        WindowFixture f;
        const std::string file = OpenPatterned(f, 3);
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
        f.ToggleConnection();
        const std::string file = f.folder.file("new.DVF");
        WriteCalibrationFile(file, Patterned(7));
        const CalImage before = f.ModuleImage();
        f.prompt.AnswerYesNo(Answer::No);
        Trigger(f.window, "menuFileOpen");
        QVERIFY(f.ModuleImage() == before);
        f.prompt.AnswerYesNo(Answer::Yes);
        f.prompt.AnswerOpenFile(file);
        f.prompt.AnswerYesNo(Answer::Yes);  // write it although the check finds errors
        Trigger(f.window, "menuFileOpen");
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.ModuleImage() == Patterned(7));
        const auto calls = f.prompt.Calls();
        QCOMPARE(QString::fromStdString(calls[0].title), QString("Open And Program File?"));
    }

    void aFileNamedOnTheCommandLineOpensAsFileOpenDoes() {
        WindowFixture f;
        const std::string file = f.folder.file("truck.DVF");
        WriteCalibrationFile(file, Patterned(3));
        f.window.OpenFileCommand(file);  // no dialog: the fixture fails on one
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [truck.DVF]"));
        QVERIFY(f.app.image == Patterned(3));
        // Save writes where the file is.
        QCOMPARE(f.app.files.CurrentFileFolder + f.app.files.CurrentFileName, file);
        // Online, the question of File > Open comes first; No leaves the module alone.
        f.ToggleConnection();
        const CalImage before = f.ModuleImage();
        f.prompt.AnswerYesNo(Answer::No);
        f.window.OpenFileCommand(file);
        QVERIFY(f.ModuleImage() == before);
        QCOMPARE(QString::fromStdString(f.prompt.Calls().back().title),
                 QString("Open And Program File?"));
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
        const auto lines = LogLines(f.folder.str());
        QVERIFY(!lines.empty() && lines[0].find("frmMain, cmdUpdate, Click") != std::string::npos);
        // The window goes on; offline, Update refuses and sends nothing.
        f.prompt.ExpectMessage("You must be connected to write the calibration");
        f.window.cmdUpdate->click();
        QCOMPARE(CountFrames(*f.sim, 'P'), 0);
    }

    void aModuleWithoutAReadableSerialIsNeverTakenForTheLastOne() {
        WindowFixture f;
        f.window.show();
        f.sim->Module().Write(kCalBaseAddress, Patterned(2).bytes());
        f.bridge().serialUnreadable = true;
        // The first such module is retrieved; nothing was shown, so nothing is asked.
        f.ToggleConnection();
        QCOMPARE(CountFrames(*f.sim, 'Q'), 171);
        QVERIFY(f.app.image == Patterned(2));
        // Connected again it may be another module: retrieved again (nothing unsaved is lost,
        // so nothing is asked).
        f.ToggleConnection();
        f.sim->Module().Write(kCalBaseAddress, Patterned(4).bytes());
        f.ToggleConnection();
        QVERIFY(f.prompt.Calls().empty());
        QCOMPARE(CountFrames(*f.sim, 'Q'), 2 * 171);
        QVERIFY(f.app.image == Patterned(4));
        // Closing while online closes the device, and nothing is logged.
        QVERIFY(f.sim->IsOpen(0));
        QVERIFY(f.window.close());
        QVERIFY(!f.sim->IsOpen(0));
        QVERIFY(LogLines(f.folder.str()).empty());
    }

    void nothingTouchesTheModuleOrTheImageWhileATransferRuns() {
        WindowFixture f;
        f.sim->Module().Write(kCalBaseAddress, Patterned(6).bytes());
        f.window.show();
        Trigger(f.window, "menuConnect");
        // The connect and its retrieve run on the link: the commands wait for them.
        QVERIFY(f.window.busy());
        for (QAction* command :
             {f.window.menuFileOpen, f.window.menuConnect, f.window.menuComRetrieveCal,
              f.window.menuComSetCAN, f.window.menuComFirmUpgrade})
            QVERIFY2(!command->isEnabled(), qPrintable(command->objectName()));
        QVERIFY(!f.window.cmdUpdate->isEnabled());
        f.window.menuFileOpen->trigger();  // no file dialog: the fixture fails on one
        f.window.lblOnline->clicked();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.online());
        QVERIFY(f.app.image == Patterned(6));
        QVERIFY(f.window.menuFileOpen->isEnabled());
        QVERIFY(f.window.cmdUpdate->isEnabled());

        // Closing during a retrieve lets it end first.
        f.window.RetrieveCommand();
        QVERIFY(f.window.busy());
        QVERIFY(f.window.close());
        QVERIFY(!f.window.busy());
        QCOMPARE(CountFrames(*f.sim, 'Q'), 2 * 171);
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [Auto Retrieved File]"));
    }

    void aDriverErrorOnTheLinkIsTrappedAndTheCommandEnds() {
        WindowFixture f;
        f.sim->Module().Write(kCalBaseAddress, Patterned(8).bytes());
        f.bridge().throwingWrites = 1;
        f.prompt.ExpectMessage("51 driver fault");
        f.ToggleConnection();
        QVERIFY(f.prompt.ScriptDone());
        QVERIFY(!f.window.online());
        QVERIFY(f.window.menuConnect->isEnabled());
        const auto lines = LogLines(f.folder.str());
        QVERIFY(!lines.empty() &&
                lines[0].find("driver fault, frmMain, menuConnect, Click") != std::string::npos);
        // The device the failed connect left open does not stand in the way of the next one.
        f.ToggleConnection();
        QVERIFY(f.window.online());
        QVERIFY(f.app.image == Patterned(8));
    }

    // An error in the retrieve that a click on the status bar's connection label started is
    // logged under that label, the handler that ran.
    void anErrorInTheRetrieveAConnectStartedIsLoggedUnderItsHandler() {
        WindowFixture f;
        f.bridge().writesBeforeFault = 1;  // the firmware request goes; the first read fails
        f.prompt.ExpectMessage("51 driver fault");
        emit f.window.lblStatusOnline->clicked();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.prompt.ScriptDone());
        const auto lines = LogLines(f.folder.str());
        QVERIFY2(
            lines.size() == 1 &&
                lines[0].find("driver fault, frmMain, lblStatusOnline, Click") != std::string::npos,
            lines.empty() ? "" : lines.back().c_str());
    }

    void thePresetsShowInTheFullModeAfterARetrieveAndAnOpen() {
        WindowFixture f;
        f.window.show();
        std::ofstream(f.app.presetsPath()) << "<GaugePreset>\n<GaugeName>Tacho</GaugeName>\n"
                                              "<GaugePartNum>TC-8</GaugePartNum>\n"
                                              "<OutputName>Tachometer</OutputName>\n"
                                              "<Function>4</Function>\n<Frequency>50</Frequency>\n"
                                              "</GaugePreset>\n";
        f.app.presets = ReadGaugePresets(f.app.presetsPath(), f.prompt);
        QComboBox* list = f.window.outputPage->cmbPresets;
        list->clear();  // listed again as start-up lists them
        for (const std::string& entry : FillPresetList(f.app.presets))
            list->addItem(QString::fromStdString(entry));
        f.sim->Module().Write(kCalBaseAddress, Patterned(2).bytes());
        f.ToggleConnection();
        QVERIFY(f.window.outputPage->fraPresets->isVisible());
        list->setCurrentIndex(1);
        emit list->activated(1);
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.app.image.Text(CalAddresses().OutputName[0], width::OutputName),
                 std::string("Tachometer"));
        QVERIFY(f.ModuleImage() == f.app.image);       // every change reached the module
        f.window.TabStrip->setCurrentIndex(kOutputs);  // "CAN Status"
        QVERIFY(!f.window.outputPage->fraPresets->isVisible());

        f.ToggleConnection();  // offline, then open a file
        const std::string file = f.folder.file("truck.DVF");
        WriteCalibrationFile(file, Patterned(3));
        f.prompt.AnswerYesNo(Answer::No);  // the preset's changes need not be saved
        f.prompt.AnswerOpenFile(file);
        Trigger(f.window, "menuFileOpen");
        f.window.TabStrip->setCurrentIndex(1);
        QVERIFY(f.window.outputPage->fraPresets->isVisible());
    }

    void theStatusBarFollowsTheConnectionAndTheFile() {
        WindowFixture f;
        f.window.show();
        auto shown = [&f] {
            QStringList out;
            for (QLabel* l :
                 std::initializer_list<QLabel*>{f.window.lblStatusOnline, f.window.lblStatusModule,
                                                f.window.lblStatusFile, f.window.lblStatusCanSpeed})
                out << (l->isVisible() ? l->text() : QString("-"));
            return out.join(" | ");
        };
        // Offline at the start, in the compact layout.
        QCOMPARE(shown(), QString("Offline (simulated module) | - | No File Loaded | -"));
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [No File Loaded]"));
        QVERIFY(!f.window.TabStrip->isVisibleTo(&f.window));
        QVERIFY(!f.window.cmdUpdate->isVisibleTo(&f.window));
        QCOMPARE(f.window.lblOnline->text(), QString("Offline"));
        QCOMPARE(f.window.menuConnect->text(), QString("Connect"));
        QVERIFY(!f.window.menuComSetCAN->isVisible());
        QCOMPARE(f.window.lblInfo->text(), QString("0 Bytes of 0 Bytes copied."));
        CalImage image = Patterned(4);
        image.StoreWord(CalAddresses().CanSpeed, 250);
        f.sim->Module().Write(kCalBaseAddress, image.bytes());
        f.ToggleConnection();
        QCOMPARE(shown(), "Online (simulated module) | Module " + QString("DV42A001") +
                              ", firmware 2.1.0 | Auto Retrieved File | CAN bus 250 kbit/s");
        QVERIFY(f.window.lblOnline->styleSheet().contains("#00ff00"));
        f.ToggleConnection();
        QCOMPARE(shown(), QString("Offline (simulated module) | - | Auto Retrieved File | "
                                  "CAN bus 250 kbit/s"));

        const std::string file = f.folder.file("truck.DVF");
        image.StoreWord(CalAddresses().CanSpeed, 500);
        WriteCalibrationFile(file, image);
        f.prompt.AnswerOpenFile(file);
        Trigger(f.window, "menuFileOpen");
        QCOMPARE(f.window.lblStatusFile->text(), QString("File: truck.DVF"));
        QCOMPARE(f.window.lblStatusCanSpeed->text(), QString("CAN bus 500 kbit/s"));
        EntryBox* name = f.window.outputPage->txtOutputName;
        name->setText("Renamed");
        QTest::keyClick(name, Qt::Key_Return);
        QCOMPARE(f.window.lblStatusFile->text(), QString("File: truck.DVF (unsaved changes)"));
        Trigger(f.window, "menuFileSave");
        QCOMPARE(f.window.lblStatusFile->text(), QString("File: truck.DVF"));
    }

    void theFullWindowFitsALaptopScreen() {
        WindowFixture f;
        f.window.show();
        f.sim->Module().Write(kCalBaseAddress, Patterned(6).bytes());
        f.ToggleConnection();
        QCOMPARE(f.window.screen()->size(), QSize(1366, 768));
        for (int tab = 0; tab <= kOutputs; ++tab) {
            f.window.TabStrip->setCurrentIndex(tab);
            const QRect frame = f.window.frameGeometry();
            QVERIFY2(frame.width() <= 1340 && frame.height() <= 700,
                     qPrintable(QString("%1 x %2").arg(frame.width()).arg(frame.height())));
            // All of it in sight: the page does not scroll.
            QTRY_VERIFY(!f.window.pagesScroll->verticalScrollBar()->isVisible());
            QTRY_VERIFY(!f.window.pagesScroll->horizontalScrollBar()->isVisible());
        }
        // A smaller window scrolls the page and keeps the Update button in sight.
        f.window.resize(900, 480);
        QTRY_VERIFY(f.window.pagesScroll->verticalScrollBar()->isVisible());
        QVERIFY(f.window.cmdUpdate->isVisible());
        QVERIFY(f.window.rect().contains(
            f.window.cmdUpdate->mapTo(&f.window, f.window.cmdUpdate->rect().bottomRight())));
    }

    void aFailingStartUpIsShownLoggedAndEndsCleanly() {
        vx42::test::TempDir folder;
        ScriptedPrompt prompt;
        FailingStore store;
        prompt.ExpectMessage("75 Path/File access error");
        Program program;
        auto bridge = [](const AppContext&) {
            return std::make_unique<sim::SimBridge>(vx42::test::FastSimulator());
        };
        QVERIFY(
            !StartProgram(program, StartupMode::Full, folder.str(), prompt, store, bridge, true));
        QVERIFY(!program.window && !program.app);
        QVERIFY2(prompt.Unexpected().empty(), qPrintable(vx42::test::UnexpectedDialogs(prompt)));
        QCOMPARE(prompt.Calls().size(), size_t(1));
        const auto lines = LogLines(folder.str());
        QCOMPARE(lines.size(), size_t(1));
        QVERIFY(lines[0].find("Path/File access error, modMain, modMain, Main") !=
                std::string::npos);

        // A sound start gives a loaded window, not yet shown.
        MemorySettingsStore good;
        QVERIFY(StartProgram(program, StartupMode::Full, folder.str(), prompt, good, bridge, true));
        QVERIFY(program.window->loaded() && !program.window->isVisible());
    }

    void fileDialogAnswersArePathsInUtf8() {
        QVERIFY(!QtPrompt::DialogAnswer(QString()).has_value());  // cancelled
#ifdef _WIN32
        QCOMPARE(QtPrompt::DialogAnswer(QString::fromUtf8("C:/Kalibrierung/Jürgen/Öl.DVF")).value(),
                 std::string("C:\\Kalibrierung\\Jürgen\\Öl.DVF"));
#else
        QCOMPARE(QtPrompt::DialogAnswer(QString::fromUtf8("/home/jürgen/Öl.DVF")).value(),
                 std::string("/home/jürgen/Öl.DVF"));
#endif
    }

    void aFirstSaveAsStartsInTheCalibrationFolder() {
        FreshHome fresh;
        WindowFixture f;
        const std::string folder = DefaultCalibrationPath(DocumentsFolder());
        QVERIFY(folder.rfind(fresh.home.str(), 0) == 0);
        QVERIFY(!std::filesystem::exists(folder));
        f.app.files.MarkAutoRetrieved();
        f.prompt.AnswerSaveFile(std::nullopt);
        Trigger(f.window, "menuFileSaveAs");
        const FileDialog first = f.prompt.Calls().back().dialog;
        QCOMPARE(first.initialFolder, folder);
        QVERIFY(std::filesystem::is_directory(folder));  // made when first needed
        QCOMPARE(first.fileName, std::string());
        QCOMPARE(QtPrompt::StartPath(first), QString::fromStdString(folder) + "/");

        // With a file shown, Save As proposes its name in its folder.
        const std::string file = f.folder.file("truck.DVF");
        WriteCalibrationFile(file, Patterned(3));
        f.prompt.AnswerOpenFile(file);
        Trigger(f.window, "menuFileOpen");
        f.prompt.AnswerSaveFile(std::nullopt);
        Trigger(f.window, "menuFileSaveAs");
        const FileDialog second = f.prompt.Calls().back().dialog;
        QCOMPARE(QtPrompt::StartPath(second), QString::fromStdString(f.folder.file("truck.DVF")));
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
        QCOMPARE(QString::fromStdString(f.prompt.Calls().back().text),
                 QString::fromStdString(manual));
    }
};

// The window tests run on a laptop's screen: 1366 x 768 at 100 %.
int main(int argc, char** argv) {
    vx42::test::TempDir screens;
    const std::string config = screens.file("screen.json");
    std::ofstream(config) << R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366,
        "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
    QApplication application(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
