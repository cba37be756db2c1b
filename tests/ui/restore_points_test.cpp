// Restore points and the calibration check in the main window, against the module simulator:
// what each retrieve and whole write keeps, a history lock held by another program, Module
// History's Restore, the check's question before a write and the Check Calibration list.

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTreeWidget>

#include "base/file_lock.h"
#include "demo_window.h"
#include "dialog_fixture.h"
#include "ui/dialogs/frm_calibration_check.h"
#include "ui/dialogs/frm_module_history.h"
#include "ui/output/output_page.h"
#include "ui/widgets/table_grid.h"

using namespace vx42;
using vx42::test::CountFrames;
using vx42::test::OnModal;
using vx42::test::WaitIdle;
using vx42::test::WindowFixture;
using HistoryWindow = vx42::test::DemoWindow;
using Strings = std::vector<std::string>;

namespace {
CalImage Demo() {
    return test::DemoCalibration();
}
// Output 1's breakpoints reversed and the duty at row 2, column 5 at 150 %.
CalImage Damaged() {
    return test::DamagedDemo(2, 5);
}
}  // namespace

class RestorePointsTest : public QObject {
    Q_OBJECT
  private slots:
    void everyRetrieveAndWholeWriteIsKept() {
        HistoryWindow f;
        f.Connect();
        QCOMPARE(f.Events(), Strings{"Retrieve"});
        QVERIFY(f.Newest() == Demo());

        // A staged change marks that the module moved on; Update keeps what it wrote.
        EditTarget edit = f.window.edit();
        edit.StoreAndWriteWord(CalAddresses().CanSpeed, 500);
        f.window.cmdUpdate->click();
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.Events(), (Strings{"Retrieve", "Update"}));
        QVERIFY(f.Newest() == f.app.image);

        // Programming a file on open; the same image written again is kept once.
        CalImage renamed = Demo();
        renamed.StoreText(CalAddresses().OutputName[1], width::OutputName, "Radiator Fan");
        const std::string file = f.folder.file("fan.DVF");
        WriteCalibrationFile(file, renamed);
        f.prompt.AnswerYesNo(Answer::No);   // save the changes first?
        f.prompt.AnswerYesNo(Answer::Yes);  // open and program
        f.prompt.AnswerOpenFile(file);
        f.window.menuFileOpen->trigger();
        QVERIFY(WaitIdle(f.window));
        f.window.cmdUpdate->click();
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.Events(), (Strings{"Retrieve", "Update", "Programmed from file fan.DVF"}));
        QVERIFY(f.Newest() == renamed);

        // A change after the write, then a retrieve: kept as what the module moved on to.
        EditTarget again = f.window.edit();
        again.StoreAndWriteWord(CalAddresses().CanSpeed, 125);
        f.prompt.AnswerYesNo(Answer::No);  // save the changes first?
        f.window.menuComRetrieveCal->trigger();
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(f.Events().back(), std::string("Retrieve after changes"));
        QVERIFY(f.Newest() == f.ModuleImage());
    }

    void restoringAnEntryWritesItBackToTheModule() {
        HistoryWindow f;
        f.Connect();
        const CalImage original = f.ModuleImage();
        EditTarget edit = f.window.edit();
        edit.StoreAndWriteWord(CalAddresses().OutputCal[2].Period, 10);
        f.window.cmdUpdate->click();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(!(f.ModuleImage() == original));
        const CalImage updated = f.app.image;

        f.prompt.AnswerYesNo(Answer::Yes);  // write the restore point now?
        OnModal<FrmModuleHistory>([](FrmModuleHistory& d) {
            QCOMPARE(d.lstModules->topLevelItemCount(), 1);
            QCOMPARE(d.lstModules->topLevelItem(0)->text(2), QString("2"));
            QCOMPARE(d.lstEntries->topLevelItem(1)->text(1), QString("Update"));
            QCOMPARE(d.lstEntries->topLevelItem(1)->text(2), QString("1"));
            d.lstEntries->setCurrentItem(d.lstEntries->topLevelItem(0));
            QVERIFY(d.txtDifferences->toPlainText().contains("Output 3, Duty Cycle (%): 50 → 0"));
            d.cmdRestore->click();
        });
        f.window.menuFileHistory->trigger();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.app.image == original);
        QVERIFY(f.app.files.CalibrationChanged);
        QVERIFY(f.ModuleImage() == original);
        QCOMPARE(f.Events(), (Strings{"Retrieve", "Update", "Update"}));

        // The restore is one step: undone, the image and the module are as before it.
        QCOMPARE(f.window.outputPage->mEditUndo->text(),
                 QString::fromStdString("&Undo Restore Point " + f.window.module().DeviceSerial()));
        f.window.outputPage->mEditUndo->trigger();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.app.image == updated);
        QVERIFY(f.ModuleImage() == updated);
    }

    // Another program holding the history's lock holds up only the keeping, which waits on
    // the link's thread: the connect's retrieve ends meanwhile, and the restore point is kept
    // once the lock is let go.
    void aHistoryLockHeldElsewhereLeavesTheWindowFree() {
        HistoryWindow f;
        auto held = std::make_unique<FileLock>(f.history.file("history.lock"));
        QVERIFY(held->held());
        f.window.menuConnect->trigger();
        QVERIFY(QTest::qWaitFor([&] { return f.window.online() && !f.window.busy(); }, 20000));
        const std::string serial = f.window.module().DeviceSerial();
        QVERIFY(!f.window.keeper().store()->Module(serial));
        held.reset();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.window.keeper().store()->Module(serial));
        QCOMPARE(f.Events(), Strings{"Retrieve"});
    }

    // Check Calibration lists what the check finds and leads to its cell; Update asks about
    // the same errors before it writes.
    void checkCalibrationListsFindingsAndUpdateAsksAboutThem() {
        HistoryWindow f;
        f.window.show();
        f.Connect();
        f.window.mEditCheck->trigger();
        auto* check = f.window.findChild<FrmCalibrationCheck*>();
        QVERIFY(check && check->isVisible());
        QCOMPARE(check->lstFindings->topLevelItemCount(), 0);
        QCOMPARE(check->lblSummary->text(), QString("No errors or warnings"));
        QVERIFY(check->lblFinding->isHidden());  // no empty band under the list

        f.app.image = Damaged();
        check->cmdCheckAgain->click();
        QCOMPARE(check->lblSummary->text(), QString("2 errors, 0 warnings"));
        QVERIFY(!check->lblFinding->isHidden());
        f.window.TabStrip->setCurrentIndex(2);
        check->ShowRow(1);  // the duty cell at 150 %
        QCOMPARE(f.window.TabStrip->currentIndex(), 0);
        auto* grid = f.window.outputPage->mshAnalogTable;
        QCOMPARE(grid->currentRow(), 2);
        QCOMPARE(grid->currentColumn(), 5);
        QVERIFY(!check->isVisible());  // it gave way to the cell

        const int writesBefore = CountFrames(*f.sim, 'W');
        f.prompt.AnswerYesNo(Answer::No);
        f.window.cmdUpdate->click();
        QVERIFY(WaitIdle(f.window));
        QCOMPARE(CountFrames(*f.sim, 'W'), writesBefore);
        QVERIFY(f.ModuleImage() == Demo());
        const auto question = f.prompt.Calls().back();
        QCOMPARE(QString::fromStdString(question.title), QString("Check Calibration"));
        QVERIFY(QString::fromStdString(question.text).contains("data breakpoint 2"));
        QVERIFY(QString::fromStdString(question.text).contains("150.0 %"));
        f.prompt.AnswerYesNo(Answer::Yes);
        f.window.cmdUpdate->click();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.ModuleImage() == Damaged());
    }

    void checkCalibrationWithNothingLoadedSaysSo() {
        WindowFixture f;
        f.window.show();
        QVERIFY(!f.app.files.HasCalibration());
        f.prompt.ExpectMessage("There is no calibration to check");
        f.window.mEditCheck->trigger();
        QVERIFY(f.prompt.Unexpected().empty());
        auto* check = f.window.findChild<FrmCalibrationCheck*>();
        QVERIFY(!check || !check->isVisible());
    }
};

QTEST_MAIN(RestorePointsTest)
#include "restore_points_test.moc"
