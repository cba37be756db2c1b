// The main window against the module simulator: start-up, connection, retrieve, update,
// files, closing and the error trap. The questions asked and the file states are the
// session's and the file commands' rules, tested there; here the window must reach them.

#include <QDir>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>
#include <filesystem>

#include "app/qt/qt_prompt.h"
#include "app/startup.h"
#include "files/folders.h"
#include "ui/main_window/program_start.h"
#include "ui_fixture.h"

namespace {

constexpr int kRetrieveReads = 171;  // the read requests of a whole retrieve

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
        f.Connect(Patterned(5));
        QCOMPARE(f.window.menuConnect->text(), QString("Disconnect"));
        QCOMPARE(f.window.lblFirmwareVer->text(), QString("Firmware Version: 2.1.0"));
        QCOMPARE(f.window.lblInfo->text(), QString("2,727 Bytes of 2,727 Bytes copied."));
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [Auto Retrieved File]"));
        QVERIFY(f.app.image == Patterned(5));
        QCOMPARE(CountFrames(*f.sim, 'Q'), kRetrieveReads);

        // The same module again: nothing is read, an offline edit stays in the program.
        f.ToggleConnection();
        f.app.image[10] = 0xEE;
        f.Connect();
        QCOMPARE(CountFrames(*f.sim, 'Q'), kRetrieveReads);
        QCOMPARE(f.app.image[10], 0xEE);

        // Update writes the whole image (the patterned bytes fail the calibration check, but
        // the module holds those errors already: nothing is asked).
        f.window.cmdUpdate->click();
        f.Settle();
        QVERIFY(f.ModuleImage() == f.app.image);
    }

    void copyWithNothingSelectedClearsTheClipboard() {
        WindowFixture f;
        f.window.SetFullLayout();
        EntryBox* box = f.page().txtOutputName;
        QApplication::clipboard()->setText("older");
        f.window.activateWindow();
        box->setFocus();
        QTRY_VERIFY(box->hasFocus());
        box->setText("Tacho");
        box->deselect();
        f.window.mEditCopy->trigger();
        QVERIFY(QApplication::clipboard()->text().isEmpty());
    }

    // Save As starts in the calibration folder, made when first needed, or where the file
    // shown is; Save writes there without a dialog.
    void openSaveAndSaveAsReachTheFile() {
#ifndef _WIN32  // (Windows names the documents folder from the shell, not from HOME)
        FreshHome fresh;
        WindowFixture f;
        const std::string folder = DefaultCalibrationPath(DocumentsFolder());
        QVERIFY(folder.rfind(fresh.home.str(), 0) == 0 && !std::filesystem::exists(folder));
        f.app.files.MarkAutoRetrieved();
        f.prompt.AnswerSaveFile(std::nullopt);
        f.window.menuFileSaveAs->trigger();
        QVERIFY(std::filesystem::is_directory(folder));
        QCOMPARE(QtPrompt::StartPath(f.prompt.Calls().back().dialog),
                 QString::fromStdString(folder) + "/");
#else
        WindowFixture f;
#endif
        const std::string file = f.Open(Patterned(3));
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [truck.DVF]"));
        QVERIFY(f.app.image == Patterned(3));
        f.app.image[0] = 0x42;
        f.window.menuFileSave->trigger();
        QCOMPARE(ReadCalibrationFile(file).image[0], 0x42);
        f.prompt.AnswerSaveFile(f.folder.file("copy"));
        f.window.menuFileSaveAs->trigger();
        QCOMPARE(QtPrompt::StartPath(f.prompt.Calls().back().dialog),
                 QDir::fromNativeSeparators(QString::fromStdString(file)));
        QVERIFY(FileExists(f.folder.file("copy.DVF")));
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [copy.DVF]"));
    }

    // A file named on the command line opens as File > Open does: offline without a dialog,
    // online after the question, whose No leaves the module alone.
    void aFileNamedOnTheCommandLineOpensAsFileOpenDoes() {
        WindowFixture f;
        const std::string file = f.WriteFile("truck.DVF", Patterned(3));
        f.window.OpenFileCommand(file);
        QCOMPARE(f.window.windowTitle(), QString("VX42 Version 2.1.0 [truck.DVF]"));
        QCOMPARE(f.app.files.CurrentFileFolder + f.app.files.CurrentFileName, file);
        f.Connect(CalImage{});
        f.prompt.AnswerYesNo(Answer::No);
        f.window.OpenFileCommand(file);
        QVERIFY(f.ModuleImage() == CalImage{});
        QCOMPARE(f.prompt.Calls().back().title, std::string("Open And Program File?"));
    }

    void closingWithUnsavedChangesAsks() {
        WindowFixture f;
        f.app.files.MarkAutoRetrieved();
        f.app.files.CalibrationChanged = true;
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

    // An error in a handler, in the retrieve a click on the status bar's label started and in
    // the link's work a connect handed over: shown, logged under the handler that ran, and the
    // window goes on.
    void errorsAreShownLoggedUnderTheirHandlerAndSurvived() {
        WindowFixture f;
        f.SetModuleImage(Patterned(8));
        f.prompt.ExpectMessage("Subscript out of range");
        QVERIFY(!f.window.Trapped("cmdUpdate", "Click", [] { (void)std::vector<int>{}.at(1); }));
        f.prompt.ExpectMessage("You must be connected to write the calibration");
        f.window.cmdUpdate->click();
        QCOMPARE(CountFrames(*f.sim, 'P'), 0);

        f.bridge().writesBeforeFault = 1;  // the firmware request goes; the first read fails
        f.prompt.ExpectMessage("51 driver fault");
        emit f.window.lblStatusOnline->clicked();
        f.Settle();
        f.ToggleConnection();  // connected, the calibration not retrieved
        f.bridge().throwingWrites = 1;
        f.prompt.ExpectMessage("51 driver fault");
        f.ToggleConnection();
        QVERIFY(!f.window.online());
        const auto lines = LogLines(f.folder.str());
        QCOMPARE(lines.size(), std::size_t{3});
        QVERIFY(lines[0].find("frmMain, cmdUpdate, Click") != std::string::npos);
        QVERIFY(lines[1].find("driver fault, frmMain, lblStatusOnline, Click") !=
                std::string::npos);
        QVERIFY(lines[2].find("driver fault, frmMain, menuConnect, Click") != std::string::npos);
        // The device the failed connect left open does not stand in the way of the next one.
        f.Connect();
        QVERIFY(f.app.image == Patterned(8));
    }

    void aModuleWithoutAReadableSerialIsNeverTakenForTheLastOne() {
        WindowFixture f;
        f.bridge().serialUnreadable = true;
        f.Connect(Patterned(2));
        QVERIFY(f.app.image == Patterned(2));
        // Connected again it may be another module: retrieved again (nothing unsaved is lost,
        // so nothing is asked).
        f.ToggleConnection();
        f.Connect(Patterned(4));
        QVERIFY(f.prompt.Calls().empty());
        QCOMPARE(CountFrames(*f.sim, 'Q'), 2 * kRetrieveReads);
        QVERIFY(f.app.image == Patterned(4));
    }

    // Closing lets a retrieve end first, closes the device, and logs nothing.
    void closingLetsATransferEndAndClosesTheDevice() {
        WindowFixture f;
        f.Connect(Patterned(6));
        f.window.RetrieveCommand();
        QVERIFY(f.window.busy());
        QVERIFY(f.window.close());
        QVERIFY(!f.window.busy());
        QCOMPARE(CountFrames(*f.sim, 'Q'), 2 * kRetrieveReads);
        QVERIFY(!f.sim->IsOpen(0));
        QVERIFY(LogLines(f.folder.str()).empty());
    }

    // The presets' frame shows in the full mode on an output's tab once a calibration is.
    void thePresetsShowAfterARetrieveAndAnOpen() {
        WindowFixture f;
        f.ListPresets({test::FuelGaugePreset("FG-1")});
        f.Connect(Patterned(2));
        QVERIFY(f.page().fraPresets->isVisible());
        f.window.TabStrip->setCurrentIndex(kOutputs);  // "CAN Status"
        QVERIFY(!f.page().fraPresets->isVisible());
        f.ToggleConnection();
        f.Open(Patterned(3));
        f.window.TabStrip->setCurrentIndex(1);
        QVERIFY(f.page().fraPresets->isVisible());
    }

    // The texts are the status bar's rule; here they follow the connection and the file.
    void theStatusBarFollowsTheConnectionAndTheFile() {
        WindowFixture f;
        auto shown = [&f] {
            QStringList out;
            for (QLabel* l :
                 std::initializer_list<QLabel*>{f.window.lblStatusOnline, f.window.lblStatusModule,
                                                f.window.lblStatusFile, f.window.lblStatusCanSpeed})
                out << (l->isVisible() ? l->text() : QString("-"));
            return out.join(" | ");
        };
        // Offline at the start.
        QCOMPARE(shown(), QString("Offline (simulated module) | - | No File Loaded | -"));
        CalImage image = Patterned(4);
        image.StoreWord(CalAddresses().CanSpeed, 250);
        f.Connect(image);
        QCOMPARE(shown(), QString("Online (simulated module) | Module DV42A001, firmware 2.1.0 | "
                                  "Auto Retrieved File | CAN bus 250 kbit/s"));
        QVERIFY(f.window.lblOnline->styleSheet().contains("#00ff00"));
        f.ToggleConnection();
        image.StoreWord(CalAddresses().CanSpeed, 500);
        f.Open(image);
        QCOMPARE(shown(), QString("Offline (simulated module) | - | File: truck.DVF | "
                                  "CAN bus 500 kbit/s"));
        WindowFixture::Type(f.page().txtOutputName, "Renamed");
        QCOMPARE(f.window.lblStatusFile->text(), QString("File: truck.DVF (unsaved changes)"));
    }

    void theFullWindowFitsALaptopScreen() {
        WindowFixture f;
        f.Connect(Patterned(6));
        QCOMPARE(f.window.screen()->size(), QSize(1366, 768));
        for (int tab = 0; tab <= kOutputs; ++tab) {
            f.window.TabStrip->setCurrentIndex(tab);
            const QRect frame = f.window.frameGeometry();
            QVERIFY2(frame.width() <= 1340 && frame.height() <= 700,
                     qPrintable(QString("%1 x %2").arg(frame.width()).arg(frame.height())));
            // All of it in sight: the page does not scroll.
            QTRY_VERIFY(!f.window.pagesScroll->verticalScrollBar()->isVisible());
            QTRY_VERIFY(!f.window.pagesScroll->horizontalScrollBar()->isVisible());
            // Each text box's line fits in the box: a font whose lines are taller than the
            // box draws its text outside it, leaving the box blank.
            for (const QLineEdit* box : f.window.findChildren<QLineEdit*>()) {
                if (!box->isVisible()) continue;
                const int line = box->fontMetrics().boundingRect(box->text() + "Xg").height();
                QVERIFY2(line <= box->height(),
                         qPrintable(QString("%1: a %2 px line in a %3 px box")
                                        .arg(box->objectName())
                                        .arg(line)
                                        .arg(box->height())));
            }
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
        QVERIFY2(prompt.ScriptDone() && prompt.Calls().size() == 1,
                 qPrintable(vx42::test::ScriptMismatches(prompt)));
        const auto lines = LogLines(folder.str());
        QVERIFY(lines.size() == 1 && lines[0].find("Path/File access error, modMain, modMain, "
                                                   "Main") != std::string::npos);
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

    void helpManualOpensTheShippedManualWithTheDesktopsViewer() {
        WindowFixture f;
        f.prompt.ExpectMessage("The installation manual was not found");
        f.window.menuHelpManual->trigger();
        const std::string manual = ManualPath(f.folder.str());
        QVERIFY(std::filesystem::create_directories(std::filesystem::path(manual).parent_path()));
        std::ofstream(manual) << "%PDF-1.4";
        f.prompt.ExpectOpenDocument(manual);
        f.window.menuHelpManual->trigger();
    }
};

// The window tests run on a laptop's screen: 1366 x 768 at 100 %. On Windows that is the test
// run's own display, on Windows' own platform with the fonts of a Windows desktop; elsewhere
// the offscreen platform's screen.
int main(int argc, char** argv) {
#ifndef _WIN32
    vx42::test::TempDir screens;
    const std::string config = screens.file("screen.json");
    std::ofstream(config) << R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1366,
        "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
#endif
    QApplication application(argc, argv);
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "main_window_test.moc"
