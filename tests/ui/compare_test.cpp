// File > Compare With File against the module simulator: the comparison window, Copy selected
// into the calibration shown and the module, and Edit > Undo of the copy.

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "demo_window.h"
#include "dialog_fixture.h"
#include "ui/dialogs/frm_compare.h"
#include "ui/output/output_page.h"
#include "ui/widgets/entry_box.h"

using namespace vx42;
using vx42::test::OnModal;
using vx42::test::WaitIdle;

class CompareTest : public QObject {
    Q_OBJECT
  private slots:
    void copiesTheCheckedGroupIntoImageAndModuleAndUndoesIt() {
        test::DemoWindow f;
        const CalImage demo = test::DemoCalibration();
        f.Connect();

        // The other calibration differs in output 1's name and in the CAN speed.
        const auto& m = CalAddresses();
        CalImage other = demo;
        other.StoreText(m.OutputName[0], width::OutputName, "Fuel Left");
        other.StoreWord(m.CanSpeed, 500);
        const std::string file = f.folder.file("job.DVF");
        WriteCalibrationFile(file, other);

        f.prompt.AnswerOpenFile(file);
        f.prompt.ExpectMessage("Copied 1 setting from \"job.DVF\" into the calibration shown:");
        OnModal<FrmCompare>([](FrmCompare& d) {
            QCOMPARE(d.lstDifferences->topLevelItemCount(), 2);
            QTreeWidgetItem* name = d.GroupItem("Output 1: Name");
            QVERIFY(name && d.GroupItem("Module-wide settings"));
            name->setCheckState(0, Qt::Checked);
            QCOMPARE(name->child(0)->checkState(0), Qt::Checked);
            d.cmdCopySelected->click();
        });
        f.window.menuFileCompare->trigger();
        QVERIFY(WaitIdle(f.window));

        CalImage expected = demo;
        expected.StoreText(m.OutputName[0], width::OutputName, "Fuel Left");
        QVERIFY(f.app.image == expected);
        QVERIFY(f.ModuleImage() == expected);
        QVERIFY(f.app.files.CalibrationChanged);
        QCOMPARE(f.window.outputPage->txtOutputName->text(), QString("Fuel Left"));
        QVERIFY(QString::fromStdString(f.prompt.Calls().back().text).contains("Fuel Left"));
        QCOMPARE(f.window.outputPage->mEditUndo->text(), QString("&Undo Copy Output 1, name"));

        f.window.outputPage->mEditUndo->trigger();
        QVERIFY(WaitIdle(f.window));
        QVERIFY(f.app.image == demo);
        QVERIFY(f.ModuleImage() == demo);
        QCOMPARE(f.window.outputPage->txtOutputName->text(), QString("Fuel Gauge"));
    }
};

QTEST_MAIN(CompareTest)
#include "compare_test.moc"
