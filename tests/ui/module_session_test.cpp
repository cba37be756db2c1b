// The main window over its module session: the commands follow the session's one rule while a
// transfer runs, the status bar says when the module holds another calibration or none, an
// edit made while a connect runs never reaches the module; what each retrieve and whole write keeps
// as a restore point, a history lock held by another program, Module History's Restore, the check's
// question before a write and the Check Calibration list; and File > Compare With File. The rules
// are the session's, the history's and the comparison's, tested there.

#include "base/file_lock.h"
#include "ui_fixture.h"

using SessionWindow = vx42::test::DemoWindow;
using Strings = std::vector<std::string>;

namespace {
const QString kDiffers = "Module holds a different calibration: Update writes the one shown";
}

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
        const auto expectAll = [&](bool enabled) {
            for (QObject* c : commands)
                QVERIFY2(c->property("enabled").toBool() == enabled, qPrintable(c->objectName()));
        };
        expectAll(true);
        f.window.menuComRetrieveCal->trigger();
        QVERIFY(f.window.busy());
        expectAll(false);
        // A restore asked for now is refused in words: the retrieve owns the calibration.
        f.prompt.ExpectMessage("Module History waits until the retrieve has ended");
        f.window.HistoryCommand();
        f.Settle();
        expectAll(true);
    }

    // A module never written is named blank: the calibration shown stays, and the module is
    // written only with what the installer chooses.
    void aBlankModuleIsOfferedACalibrationAndWrittenOnlyWhenChosen() {
        SessionWindow f;
        const CalImage before = f.app.image;
        f.prompt.AnswerYesNoCancel(Answer::Cancel);
        f.sim->Module().Write(kCalBaseAddress, Bytes(kCalImageSize, 0xFF));
        f.Connect();
        QCOMPARE(f.prompt.Calls().back().title, std::string("Blank Module"));
        QVERIFY(f.app.image == before);
        QVERIFY(f.ModuleImage().Blank());
        QCOMPARE(f.window.lblStatusAgreement->text(),
                 QString("Module holds no calibration: File > Open writes one to it"));
        // No writes the demonstration calibration from the program folder, byte for byte.
        WriteCalibrationFile(JoinPath(f.app.folders.shared, "Demo.DVF"), test::DemoCalibration());
        f.prompt.AnswerYesNoCancel(Answer::No);
        f.window.RetrieveCommand();
        f.Settle();
        QVERIFY(f.app.image == test::DemoCalibration());
        QVERIFY(f.ModuleImage() == test::DemoCalibration());
    }

    // An edit confirmed while a connect runs is one of the offline file and never reaches the
    // module; Yes to the whole write for an edit confirmed as the next command begins: the
    // write runs first, and the command is refused in words.
    void editsAsACommandBeginsGoWhereTheyWereMade() {
        SessionWindow f;
        f.app.image = test::DemoCalibration();
        f.app.image.StoreWord(CalAddresses().CanSpeed, 125);
        f.app.files.FileLoaded = true;
        f.prompt.AnswerYesNo(Answer::No);  // the edit below is unsaved: save first?
        f.window.menuConnect->trigger();
        f.window.edit().StoreAndWriteWord(CalAddresses().CanSpeed, 250);
        f.Settle();
        QVERIFY(f.window.online());
        QCOMPARE(f.Applied(), 0);
        QVERIFY(f.ModuleImage() == test::DemoCalibration());
        f.ToggleConnection();
        f.window.edit().StoreAndWriteWord(CalAddresses().OutputCal[2].Period, 10);
        f.Connect();  // the same module: it holds the calibration without the offline edit
        QCOMPARE(f.window.lblStatusAgreement->text(), kDiffers);
        f.prompt.AnswerYesNoCancel(Answer::Yes);
        f.prompt.ExpectMessage("The disconnect waits until the whole write has ended");
        f.window.edit().StoreAndWriteWord(CalAddresses().OutputCal[1].Period, 20);
        f.window.ConnectCommand();  // before the edit's command has ended
        f.Settle();
        QVERIFY(f.window.online());
        QVERIFY(f.ModuleImage() == f.app.image);
        QVERIFY(f.window.lblStatusAgreement->text().isEmpty());
        QCOMPARE(f.Events().back(), std::string("Update"));
    }

    // Each retrieve and whole write leaves a restore point; Module History's Restore of one,
    // written at once, is one step to undo.
    void everyRetrieveAndWholeWriteIsKeptAndARestoreIsWrittenBack() {
        SessionWindow f;
        const CalImage demo = test::DemoCalibration();
        f.Connect();
        QCOMPARE(f.Events(), Strings{"Retrieve"});
        QVERIFY(f.Newest() == demo);
        f.window.edit().StoreAndWriteWord(CalAddresses().OutputCal[2].Period, 10);
        f.window.cmdUpdate->click();
        f.Settle();
        QCOMPARE(f.Events(), (Strings{"Retrieve", "Update"}));
        QVERIFY(f.Newest() == f.app.image);
        const CalImage updated = f.app.image;
        f.prompt.AnswerYesNo(Answer::Yes);  // write the restore point now?
        OnModal<FrmModuleHistory>([](FrmModuleHistory& d) {
            QCOMPARE(d.lstEntries->topLevelItem(1)->text(1), QString("Update"));
            d.lstEntries->setCurrentItem(d.lstEntries->topLevelItem(0));
            QVERIFY(d.txtDifferences->toPlainText().contains("Output 3, Duty Cycle (%): 50 → 0"));
            d.cmdRestore->click();
        });
        f.window.menuFileHistory->trigger();
        f.Settle();
        QVERIFY(f.app.image == demo && f.ModuleImage() == demo);
        QVERIFY(f.app.files.CalibrationChanged);
        QCOMPARE(f.Events(), (Strings{"Retrieve", "Update", "Update"}));
        QCOMPARE(f.page().mEditUndo->text(),
                 QString::fromStdString("&Undo Restore Point " + f.module.DeviceSerial()));
        f.page().mEditUndo->trigger();
        f.Settle();
        QVERIFY(f.app.image == updated && f.ModuleImage() == updated);

        // Programming a file on open.
        CalImage renamed = demo;
        renamed.StoreText(CalAddresses().OutputName[1], width::OutputName, "Radiator Fan");
        f.prompt.AnswerYesNo(Answer::No);   // save the changes first?
        f.prompt.AnswerYesNo(Answer::Yes);  // open and program
        f.Open(renamed, "fan.DVF");
        f.Settle();
        QCOMPARE(f.Events().back(), std::string("Programmed from file fan.DVF"));
        QVERIFY(f.Newest() == renamed);
        // A change after the write, then a retrieve: kept as what the module moved on to.
        f.window.edit().StoreAndWriteWord(CalAddresses().CanSpeed, 125);
        f.prompt.AnswerYesNo(Answer::No);  // save the changes first?
        f.window.menuComRetrieveCal->trigger();
        f.Settle();
        QCOMPARE(f.Events().back(), std::string("Retrieve after changes"));
        QVERIFY(f.Newest() == f.ModuleImage());
    }

    // Another program holding the history's lock holds up only the keeping, which waits on
    // the link's thread: the connect's retrieve ends meanwhile, and the restore point is kept
    // once the lock is let go.
    void aHistoryLockHeldElsewhereLeavesTheWindowFree() {
        SessionWindow f;
        auto held = std::make_unique<FileLock>(f.history.file("history.lock"));
        f.window.menuConnect->trigger();
        QVERIFY(QTest::qWaitFor([&] { return f.window.online() && !f.window.busy(); }, 20000));
        QVERIFY(!f.window.keeper().store()->Module(f.module.DeviceSerial()));
        held.reset();
        f.Settle();
        QCOMPARE(f.Events(), Strings{"Retrieve"});
    }

    // Check Calibration lists what the check finds and leads to its cell; Update asks about
    // the same errors before it writes.
    void checkCalibrationListsFindingsAndUpdateAsksAboutThem() {
        SessionWindow f;
        f.prompt.ExpectMessage("There is no calibration to check");
        f.window.mEditCheck->trigger();
        auto* check = f.window.findChild<FrmCalibrationCheck*>();
        QVERIFY(!check || !check->isVisible());
        f.Connect();
        f.window.mEditCheck->trigger();
        check = f.window.findChild<FrmCalibrationCheck*>();
        QVERIFY(check && check->isVisible());
        QCOMPARE(check->lblSummary->text(), QString("No errors or warnings"));
        QVERIFY(check->lblFinding->isHidden());  // no empty band under the list

        // Output 1's breakpoints reversed and the duty at row 2, column 5 at 150 %.
        const CalImage damaged = test::DamagedDemo(2, 5);
        f.app.image = damaged;
        check->cmdCheckAgain->click();
        QCOMPARE(check->lblSummary->text(), QString("2 errors, 0 warnings"));
        QCOMPARE(check->lstFindings->topLevelItemCount(), 2);
        f.window.TabStrip->setCurrentIndex(2);
        check->ShowRow(1);  // the duty cell at 150 %
        QCOMPARE(f.window.TabStrip->currentIndex(), 0);
        QCOMPARE(f.page().mshAnalogTable->currentRow(), 2);
        QCOMPARE(f.page().mshAnalogTable->currentColumn(), 5);
        QVERIFY(!check->isVisible());  // it gave way to the cell

        f.prompt.AnswerYesNo(Answer::No);
        f.window.cmdUpdate->click();
        f.Settle();
        QVERIFY(f.ModuleImage() == test::DemoCalibration());
        const auto question = f.prompt.Calls().back();
        QCOMPARE(question.title, std::string("Check Calibration"));
        QVERIFY(question.text.find("150.0 %") != std::string::npos);
        f.prompt.AnswerYesNo(Answer::Yes);
        f.window.cmdUpdate->click();
        f.Settle();
        QVERIFY(f.ModuleImage() == damaged);
    }

    void copiesTheCheckedGroupIntoImageAndModuleAndUndoesIt() {
        SessionWindow f;
        const CalImage demo = test::DemoCalibration();
        f.Connect();
        // The other calibration differs in output 1's name and in the CAN speed.
        const auto& m = CalAddresses();
        CalImage expected = demo;
        expected.StoreText(m.OutputName[0], width::OutputName, "Fuel Left");
        CalImage other = expected;
        other.StoreWord(m.CanSpeed, 500);
        f.prompt.AnswerOpenFile(f.WriteFile("job.DVF", other));
        f.prompt.ExpectMessage("Copied 1 setting from \"job.DVF\" into the calibration shown:");
        OnModal<FrmCompare>([](FrmCompare& d) {
            QCOMPARE(d.lstDifferences->topLevelItemCount(), 2);
            QTreeWidgetItem* name = d.GroupItem("Output 1: Name");
            QVERIFY(name && d.GroupItem("Module-wide settings"));
            name->setCheckState(0, Qt::Checked);
            d.cmdCopySelected->click();
        });
        f.window.menuFileCompare->trigger();
        f.Settle();
        QVERIFY(f.app.image == expected);
        QVERIFY(f.ModuleImage() == expected);
        QCOMPARE(f.page().txtOutputName->text(), QString("Fuel Left"));
        QCOMPARE(f.page().mEditUndo->text(), QString("&Undo Copy Output 1, name"));

        f.page().mEditUndo->trigger();
        f.Settle();
        QVERIFY(f.app.image == demo);
        QVERIFY(f.ModuleImage() == demo);
        QCOMPARE(f.page().txtOutputName->text(), QString("Fuel Gauge"));
    }
};

QTEST_MAIN(ModuleSessionTest)
#include "module_session_test.moc"
