// The main window over its module session: the commands follow the session's one rule while a
// transfer runs, the status bar says when the module holds another calibration, an edit made
// while a connect runs never reaches the module, and a failed CAN status read leaves the
// indicators as they were.

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "calibration/outputs/output_tables.h"
#include "demo_window.h"
#include "dialog_fixture.h"
#include "files/paths.h"
#include "ui/dialogs/frm_module_history.h"
#include "ui/main_window/can_status_frame.h"
#include "ui/output/output_page.h"

using namespace vx42;
using vx42::test::OnModal;
using vx42::test::WaitIdle;
using SessionWindow = vx42::test::DemoWindow;

class ModuleSessionTest : public QObject {
    Q_OBJECT
  private slots:
    void aTransferDisablesEveryModuleAndImageCommand() {
        SessionWindow f;
        f.Connect();
        QList<QObject*> commands = {f.window.menuConnect,     f.window.menuComRetrieveCal,
                                    f.window.menuFileOpen,    f.window.menuFileHistory,
                                    f.window.menuFileCompare, f.window.menuFileCompareRestore,
                                    f.window.menuComSetCAN,   f.window.menuComFirmUpgrade,
                                    f.window.cmdUpdate,       f.window.outputPage};
        for (QObject* c : commands)
            QVERIFY2(c->property("enabled").toBool(), qPrintable(c->objectName()));
        f.window.menuComRetrieveCal->trigger();
        QVERIFY(f.window.busy());
        for (QObject* c : commands)
            QVERIFY2(!c->property("enabled").toBool(), qPrintable(c->objectName()));
        // A restore asked for now is refused in words: the retrieve owns the calibration.
        f.prompt.ExpectMessage("Module History waits until the retrieve has ended");
        f.window.HistoryCommand();
        QVERIFY(WaitIdle(f.window));
        for (QObject* c : commands)
            QVERIFY2(c->property("enabled").toBool(), qPrintable(c->objectName()));
        // Offline, retrieve and the status read have no module to ask.
        f.ToggleConnection();
        QVERIFY(!f.window.menuComRetrieveCal->isEnabled());
        QVERIFY(f.window.menuFileHistory->isEnabled());
    }

    void theStatusBarSaysWhenTheModuleHoldsAnotherCalibration() {
        SessionWindow f;
        f.Connect();
        QVERIFY(f.window.lblStatusAgreement->text().isEmpty());
        const CalImage retrieved = f.app.image;
        EditTarget edit = f.window.edit();
        edit.StoreAndWriteWord(CalAddresses().OutputCal[2].Period, 10);
        f.window.cmdUpdate->click();
        QVERIFY(WaitIdle(f.window));

        // The first entry restored, its write declined: the module keeps the other one.
        f.prompt.AnswerYesNo(Answer::No);
        OnModal<FrmModuleHistory>([](FrmModuleHistory& d) {
            d.lstEntries->setCurrentItem(d.lstEntries->topLevelItem(0));
            d.cmdRestore->click();
        });
        f.window.menuFileHistory->trigger();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.app.image == retrieved);
        QVERIFY(!(f.ModuleImage() == retrieved));
        QCOMPARE(f.window.lblStatusAgreement->text(),
                 QString("Module holds a different calibration: Update writes the one shown"));
        QCOMPARE(f.window.session().Agreement(), ModuleAgreement::Differs);

        // A single edit now asks first: No keeps it in the calibration shown only.
        const int staged = f.StagedChanges();
        const CalImage module = f.ModuleImage();
        f.prompt.AnswerYesNoCancel(Answer::No);
        EditTarget cell = f.window.edit();
        cell.StoreAndWriteWord(CalAddresses().OutputCal[1].Period, 20);
        f.window.UpdateTitle();  // as every editor does after its change
        QTest::qWait(20);        // the command ends
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.StagedChanges(), staged);
        QVERIFY(f.ModuleImage() == module);
        QCOMPARE(f.window.session().Agreement(), ModuleAgreement::Differs);
        // Cancel drops it: the calibration shown is as it was before.
        const CalImage before = f.app.image;
        f.prompt.AnswerYesNoCancel(Answer::Cancel);
        cell.StoreAndWriteWord(CalAddresses().OutputCal[1].Period, 25);
        QTest::qWait(20);
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.app.image == before);
        QCOMPARE(f.StagedChanges(), staged);
        QVERIFY(f.ModuleImage() == module);
        // Yes writes the whole calibration shown, this edit included.
        f.prompt.AnswerYesNoCancel(Answer::Yes);
        cell.StoreAndWriteWord(CalAddresses().OutputCal[1].Period, 30);
        QTest::qWait(50);
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.StagedChanges(), staged);
        QVERIFY(f.ModuleImage() == f.app.image);
        QCOMPARE(f.window.session().Agreement(), ModuleAgreement::InStep);
        QVERIFY(f.window.lblStatusAgreement->text().isEmpty());
        QCOMPARE(f.Events().back(), std::string("Update"));
    }

    void anEditThatMakesTheCheckFailIsSaidAndNotStaged() {
        SessionWindow f;
        f.Connect();
        const CalImage module = f.ModuleImage();
        const int staged = f.StagedChanges();
        // Data breakpoint 3 of output 1 below breakpoint 2.
        const FormatContext raw;
        const OutputScope out{f.app.image, raw, 0};
        const int second = *CellAddress(out, TableGrid::Analog, 0, 2);
        EditTarget cell = f.window.edit();
        cell.StoreAndWriteWord(*CellAddress(out, TableGrid::Analog, 0, 3),
                               f.app.image.Word(second) - 1);
        f.window.UpdateTitle();  // as every editor does after its change
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.StagedChanges(), staged);
        QVERIFY(f.ModuleImage() == module);
        QVERIFY(f.window.lblStatusAgreement->text().startsWith("Not written to the module: "));
        QVERIFY(f.window.lblStatusAgreement->text().contains("data breakpoint 3"));
    }

    // A module never written is named blank: the calibration shown stays, and the module is
    // written only with what the installer chooses.
    void aBlankModuleIsOfferedACalibrationAndWrittenOnlyWhenChosen() {
        SessionWindow f;
        f.sim->Module().Write(kCalBaseAddress, Bytes(kCalImageSize, 0xFF));
        const CalImage before = f.app.image;
        f.prompt.AnswerYesNoCancel(Answer::Cancel);
        f.Connect();
        QCOMPARE(f.prompt.Calls().back().title, std::string("Blank Module"));
        QVERIFY(f.app.image == before);
        QVERIFY(f.ModuleImage().Blank());
        QCOMPARE(f.window.session().Agreement(), ModuleAgreement::Differs);
        QCOMPARE(f.window.lblStatusAgreement->text(),
                 QString("Module holds no calibration: File > Open writes one to it"));

        // No writes the demonstration calibration from the program folder, byte for byte.
        WriteCalibrationFile(JoinPath(f.app.folders.shared, "Demo.DVF"), test::DemoCalibration());
        f.prompt.AnswerYesNoCancel(Answer::No);
        f.window.RetrieveCommand();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.app.image == test::DemoCalibration());
        QVERIFY(f.ModuleImage() == test::DemoCalibration());
        QCOMPARE(f.window.session().Agreement(), ModuleAgreement::InStep);
    }

    void anEditMadeWhileAConnectRunsNeverReachesTheModule() {
        SessionWindow f;
        f.app.image = test::DemoCalibration();
        f.app.image.StoreWord(CalAddresses().CanSpeed, 125);
        f.app.files.FileLoaded = true;
        f.prompt.AnswerYesNo(Answer::No);  // the edit below is unsaved: save first?
        f.window.menuConnect->trigger();
        // Confirmed before the connection is made: an edit of the offline file.
        EditTarget edit = f.window.edit();
        edit.StoreAndWriteWord(CalAddresses().CanSpeed, 250);
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.online());
        QCOMPARE(f.StagedChanges(), 0);
        QVERIFY(f.ModuleImage() == test::DemoCalibration());
    }

    // Yes to the whole write for an edit confirmed as the next command begins: the write runs
    // first, and the command is refused in words.
    void aWholeWriteChosenForAnEditRunsBeforeTheNextCommand() {
        SessionWindow f;
        f.Connect();
        f.ToggleConnection();
        EditTarget offline = f.window.edit();
        offline.StoreAndWriteWord(CalAddresses().OutputCal[2].Period, 10);
        f.Connect();  // the same module: it holds the calibration without the offline edit
        QCOMPARE(f.window.session().Agreement(), ModuleAgreement::Differs);
        f.prompt.AnswerYesNoCancel(Answer::Yes);
        f.prompt.ExpectMessage("The disconnect waits until the whole write has ended");
        EditTarget cell = f.window.edit();
        cell.StoreAndWriteWord(CalAddresses().OutputCal[1].Period, 20);
        f.window.ConnectCommand();  // before the edit's command has ended
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.online());
        QVERIFY(f.ModuleImage() == f.app.image);
        QCOMPARE(f.Events().back(), std::string("Update"));
    }

    void aFailedStatusReadLeavesTheIndicatorsAsTheyWere() {
        SessionWindow f;
        f.Connect();
        auto* status = f.window.findChild<CanStatusFrame*>();
        QVERIFY(status);
        std::array<unsigned, kMessageSlots> before{};
        for (int s = 0; s < kMessageSlots; ++s) before[s] = status->Colour(s);
        f.bridge().throwingWrites = 1000;
        f.prompt.ExpectMessage("driver fault");
        f.prompt.ExpectMessage("The CAN status could not be read");
        status->cmdCheckCANStats->click();
        QVERIFY(WaitIdle(f.window));
        f.bridge().throwingWrites = 0;
        for (int s = 0; s < kMessageSlots; ++s) QCOMPARE(status->Colour(s), before[s]);
        QVERIFY(status->cmdCheckCANStats->isEnabled());
    }
};

QTEST_MAIN(ModuleSessionTest)
#include "module_session_test.moc"
