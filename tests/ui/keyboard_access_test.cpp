// The window without the mouse: the Tab order of the main window and its dialogs, the
// tables entered and left with one Tab, the menus' Alt keys, controls named for assistive
// technology, and the function chosen by the buttons' state rather than by a click.

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSet>
#include <QTest>
#include <QTreeWidget>
#include <functional>

#include "app/qt/frm_input_box.h"
#include "dialog_fixture.h"
#include "output_page_fixture.h"
#include "ui/dialogs/frm_about.h"
#include "ui/dialogs/frm_calibration_check.h"
#include "ui/dialogs/frm_can_speed.h"
#include "ui/dialogs/frm_firmware_upgrade.h"
#include "ui/dialogs/frm_message_setup.h"
#include "ui/dialogs/frm_module_history.h"
#include "ui/dialogs/frm_unit_settings.h"
#include "ui/widgets/table_grid.h"

using namespace vx42;
using vx42::test::OnlinePage;
using vx42::test::OnModal;
using vx42::test::PageFixture;

namespace {

// A stop's name; a group of option buttons, which Tab enters once, is named after its first.
QString NameOf(const QWidget* w) {
    if (!w) return "(none)";
    if (auto* option = qobject_cast<const QRadioButton*>(w); option && option->autoExclusive())
        return option->parentWidget()
            ->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly)
            .front()
            ->objectName();
    return w->objectName();
}

// The stops Tab (or Shift+Tab) visits from `start` until the focus comes back to it.
QStringList TabCycle(QWidget* start, bool forward = true, int limit = 200) {
    // A window just shown takes the focus once its events have run.
    const bool focused = QTest::qWaitFor([start] {
        start->setFocus(Qt::TabFocusReason);
        return QApplication::focusWidget() == start;
    });
    if (!focused) return {"(the focus never came to " + NameOf(start) + ")"};
    QStringList stops;
    QWidget* w = start;
    for (int k = 0; k < limit; ++k) {
        stops << NameOf(w);
        if (forward)
            QTest::keyClick(w, Qt::Key_Tab);
        else
            QTest::keyClick(w, Qt::Key_Backtab, Qt::ShiftModifier);
        w = QApplication::focusWidget();
        if (!w || NameOf(w) == stops.front()) return stops;
    }
    stops << "(no way back to the start)";
    return stops;
}

// The controls Tab must reach in `window`: shown, enabled and taking Tab.
QSet<QString> Reachable(const QWidget& window) {
    QSet<QString> out;
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window) || !w->isEnabled() || w->window() != &window) continue;
        if ((w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus) out.insert(NameOf(w));
    }
    return out;
}

// Every name of `expected` appears exactly once in `cycle`, in this order.
void ExpectInOrder(const QStringList& cycle, const QStringList& expected) {
    int last = -1;
    for (const QString& name : expected) {
        QCOMPARE(cycle.count(name), 1);
        const int at = static_cast<int>(cycle.indexOf(name));
        QVERIFY2(at > last, qPrintable(name + " out of order in: " + cycle.join(", ")));
        last = at;
    }
}

// A cycle visits each control that can take the focus once, and nothing else.
void ExpectEveryControlOnce(const QWidget& window, const QStringList& cycle) {
    QVERIFY2(!cycle.contains("(no way back to the start)"), qPrintable(cycle.join(", ")));
    const QSet<QString> visited(cycle.begin(), cycle.end());
    QCOMPARE(visited.size(), cycle.size());
    QCOMPARE(visited, Reachable(window));
}

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

// The dialog's Tab cycle from its first control checked against the expected order.
template <typename D>
void CheckDialogOrder(QAction* command, const QStringList& expected,
                      std::function<void(D&)> prepare = {}) {
    bool ran = false;
    OnModal<D>([&](D& d) {
        ran = true;
        QVERIFY(QTest::qWaitForWindowActive(&d));
        if (prepare) prepare(d);
        QWidget* first = d.template findChild<QWidget*>(expected.front());
        QVERIFY2(first, qPrintable(expected.front()));
        const QStringList cycle = TabCycle(first);
        ExpectEveryControlOnce(d, cycle);
        ExpectInOrder(cycle, expected);
        // Backwards the same stops, the other way round.
        QStringList back = TabCycle(first, false);
        std::reverse(back.begin() + 1, back.end());
        QCOMPARE(back, cycle);
    });
    command->trigger();
    QVERIFY(ran);
}

}  // namespace

class KeyboardAccessTest : public QObject {
    Q_OBJECT
  private slots:
    void mainWindowTabsFollowTheEyeAndTheTableIsOneStop() {
        PageFixture f;
        f.page().optType[2]->setChecked(true);  // Analog Gauge: its table and live calibration
        PageFixture::Type(f.page().txtPeriod, "100");
        QVERIFY(f.page().fraTable->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&f.window()));

        const QStringList cycle = TabCycle(f.window().TabStrip);
        ExpectEveryControlOnce(f.window(), cycle);
        ExpectInOrder(cycle, {"TabStrip",
                              "optType_0",
                              "txtOutputName",
                              "txtPeriod",
                              "chkFormatCAN",
                              "optOff_0",
                              "optOn_0",
                              "cmbPresets",
                              "cmbLibrary_0",
                              "cmbMessage_0",
                              "txtSamplePeriod_0",
                              "txtAverageLength_0",
                              "chkUseSecondary",
                              "cmbLibrary_1",
                              "cmbMessage_1",
                              "txtSamplePeriod_1",
                              "txtAverageLength_1",
                              "mshAnalogTable",
                              "cmdSetBreakpoints_0",
                              "cmdCalibrate",
                              "cmdUpdate"});
        // Enter in a text box stores it and goes on as Tab does.
        PageFixture::Type(f.page().txtOutputName, "Fuel");
        QCOMPARE(NameOf(QApplication::focusWidget()), cycle.at(cycle.indexOf("txtOutputName") + 1));
        // One Tab enters the table, the next leaves it; Shift+Tab and Ctrl+Tab leave too.
        const int table = static_cast<int>(cycle.indexOf("mshAnalogTable"));
        QCOMPARE(cycle.at(table + 1), QString("cmdSetBreakpoints_0"));
        TableGridWidget* grid = f.page().mshAnalogTable;
        const struct {
            Qt::Key key;
            Qt::KeyboardModifiers mods;
            QString to;
        } leaves[] = {
            {Qt::Key_Tab, Qt::NoModifier, cycle.at(table + 1)},
            {Qt::Key_Backtab, Qt::ShiftModifier, cycle.at(table - 1)},
            {Qt::Key_Tab, Qt::ControlModifier, cycle.at(table + 1)},
            {Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier, cycle.at(table - 1)}};
        for (const auto& leave : leaves) {
            grid->setFocus(Qt::TabFocusReason);
            QTest::keyClick(grid, leave.key, leave.mods);
            QCOMPARE(NameOf(QApplication::focusWidget()), leave.to);
        }
        // Inside the table the arrow keys move, the focus staying.
        grid->setFocus(Qt::TabFocusReason);
        grid->selectCells(1, 1);
        QTest::keyClick(grid, Qt::Key_Right);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(grid->currentRow(), 2);
        QCOMPARE(grid->currentColumn(), 2);
        QCOMPARE(QApplication::focusWidget(), grid);
        // Typing opens the cell's editor; Tab commits it and goes on past the table (a duty
        // cycle reads against the output's period).
        QTest::keyClick(grid, Qt::Key_5);
        QVERIFY(grid->editorOpen());
        QTest::keyClick(grid->editor(), Qt::Key_Tab);
        QVERIFY(!grid->editorOpen());
        QCOMPARE(NameOf(QApplication::focusWidget()), cycle.at(table + 1));
        QCOMPARE(QString::fromStdString(grid->cellText(2, 2)), QString("5.0"));
    }

    void relayModeTabsThroughTheSwitchRulesWithoutPresets() {
        PageFixture f(StartupMode::Relay);
        f.SelectTab(1);  // relay mode forces the output's function to relay control
        QVERIFY(f.page().fraRelay->isVisible());
        QVERIFY(QTest::qWaitForWindowActive(&f.window()));
        const QStringList cycle = TabCycle(f.window().TabStrip);
        ExpectEveryControlOnce(f.window(), cycle);
        QVERIFY(!cycle.contains("cmbPresets"));
        ExpectInOrder(cycle,
                      {"TabStrip", "optType_0", "txtOutputName", "cmbLibrary_0", "cmbLibrary_1",
                       "chkUseSecondary1", "cmbAndOr", "cmbOptions_0", "txtOnA_0", "txtOffA_0",
                       "cmbOptions_1", "txtOnA_1", "txtOffA_1", "cmdUpdate"});
    }

    void dialogsTabInReadingOrderAndLetTheFocusGo() {
        PageFixture f;
        CheckDialogOrder<FrmUnitSettings>(
            f.window().menuSettingsUnits,
            {"optTemp_0", "optSpeed_0", "optMap_0", "optFlow_0", "optTorque_0", "optVolume_0",
             "cmdMetric", "cmdStandard", "cmdApply", "cmdOK", "cmdCancel"});
        CheckDialogOrder<FrmCanSpeed>(f.window().menuComSetCAN,
                                      {"optSpeedCAN_0", "cmdOK", "cmdCancel"});
        // The web address is one stop, and Shift+Tab leaves it as Tab does.
        CheckDialogOrder<FrmAbout>(f.window().menuHelpAbout, {"lblWebSite", "cmdOK"});
        // A new message's fields, row by row: the name and description across the frame, then
        // the two columns of short fields.
        CheckDialogOrder<FrmMessageSetup>(
            f.window().menuSettingsCAN,
            {"txtEditMess_0", "txtEditMess_1", "txtEditMess_2", "cmbByteOrder", "txtEditMess_3",
             "cmbUnit", "cmdAddMessage", "cmdImportDbc"},
            [](FrmMessageSetup& d) { d.cmdAddMessage->click(); });
        CheckDialogOrder<FrmFirmwareUpgrade>(
            f.window().menuComFirmUpgrade,
            // Start Upgrade waits for a file, so the Tab key passes it by.
            {"cmdOpenFile", "cmdGetInfo", "lstStatus", "txtRead", "cmdRead", "cmdSend",
             "cmdCreateBLU"});
    }

    void checkListHistoryAndInputBoxTabInOrder() {
        PageFixture f;
        const test::TempDir history;
        f.window().keeper() = RestoreKeeper(history.str(), 200);
        f.GoOnline();  // a calibration to check and a restore point of it
        f.window().mEditCheck->trigger();
        auto* check = f.window().findChild<FrmCalibrationCheck*>();
        QVERIFY(check && QTest::qWaitForWindowActive(check));
        const QStringList cycle = TabCycle(check->lstFindings);
        ExpectEveryControlOnce(*check, cycle);
        ExpectInOrder(cycle, {"lstFindings", "cmdCheckAgain", "cmdClose"});
        check->close();

        // Module History's lists are named for what they hold.
        bool ran = false;
        OnModal<FrmModuleHistory>([&](FrmModuleHistory& d) {
            ran = true;
            QVERIFY(QTest::qWaitForWindowActive(&d));
            const QStringList lists = TabCycle(d.lstModules);
            ExpectEveryControlOnce(d, lists);
            ExpectInOrder(lists, {"lstModules", "lstEntries", "txtDifferences"});
            QCOMPARE(AccessibleName(d.lstModules), QString("Modules"));
            QCOMPARE(AccessibleName(d.lstEntries), QString("Restore points"));
        });
        f.window().menuFileHistory->trigger();
        QVERIFY(ran);

        // The input box names its text box after its prompt.
        FrmInputBox box("Please enter the value you would like to set the entire selection to.",
                        "Set Selection", "7");
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        const QStringList boxCycle = TabCycle(box.txtEntry);
        ExpectEveryControlOnce(box, boxCycle);
        ExpectInOrder(boxCycle, {"txtEntry", "cmdOK", "cmdCancle"});
        QCOMPARE(AccessibleName(box.txtEntry), box.lblInfo->text());
    }

    void everyLineEditOfThePageHasANameOfItsOwn() {
        PageFixture f;
        QStringList names;
        for (QLineEdit* box : f.page().findChildren<QLineEdit*>()) {
            const QString name = AccessibleName(box);
            QVERIFY2(!name.isEmpty(), qPrintable(box->objectName()));
            names << name;
        }
        QVERIFY(names.size() >= 24);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());

        OutputPage& p = f.page();
        // The controls other than text boxes are named too.
        const std::pair<QWidget*, const char*> named[] = {
            {p.mshAnalogTable, "Analog Gauge Table"},
            {p.mshFreqTable, "Speedo/Tach Gauge Table"},
            {p.cmbPresets, "Gauge Presets"},
            {p.optOff[0], "Off Voltage"},
            {p.optOn[0], "On Voltage"},
        };
        for (const auto& [control, name] : named)
            QCOMPARE(control->accessibleName(), QString(name));
        // The captions lead to their boxes.
        for (QLabel* label : p.findChildren<QLabel*>())
            if (label->text() == "Timeout")
                QVERIFY(label->buddy() == p.txtTimoutTimer[0] ||
                        label->buddy() == p.txtTimoutTimer[1]);
        // A caption that changes with the function renames its box.
        p.optType[4]->setChecked(true);
        QCOMPARE(AccessibleName(p.txtPeriod), p.lblOutSetting->text());

        bool ran = false;
        OnModal<FrmFirmwareUpgrade>([&](FrmFirmwareUpgrade& d) {
            ran = true;
            QCOMPARE(AccessibleName(d.txtRead), QString("Address"));
            QVERIFY(!AccessibleName(d.lstStatus).isEmpty());
        });
        f.window().menuComFirmUpgrade->trigger();
        QVERIFY(ran);
    }

    void altKeysOpenTheMenusWithTheirCaptionsUnchanged() {
        PageFixture f;
        QVERIFY(QTest::qWaitForWindowActive(&f.window()));
        FrmMain& w = f.window();
        const struct {
            Qt::Key key;
            QMenu* menu;
            const char* caption;
        } menus[] = {{Qt::Key_F, w.menuFile, "File"},
                     {Qt::Key_E, w.mEdit, "Edit"},
                     {Qt::Key_S, w.menuSettings, "Settings"},
                     {Qt::Key_C, w.menuCom, "Communications"},
                     {Qt::Key_H, w.menuHelp, "Help"}};
        for (const auto& m : menus) {
            QCOMPARE(QString(m.menu->title()).remove('&'), QString(m.caption));
            QTest::keyClick(&w, m.key, Qt::AltModifier);
            QVERIFY2(QTest::qWaitFor([&] { return m.menu->isVisible(); }, 2000), m.caption);
            m.menu->close();
            QVERIFY(QTest::qWaitFor([&] { return !m.menu->isVisible(); }, 2000));
        }
        // Update is in the Communications menu too, shown with the Update button.
        QVERIFY(w.menuCom->actions().contains(w.menuComUpdate));
        QCOMPARE(w.menuComUpdate->isVisible(), w.cmdUpdate->isVisible());
        f.w.prompt.ExpectMessage("You must be connected");
        w.menuComUpdate->trigger();
    }

    void settingAFunctionButtonsStateChangesThePageAndTheTitle() {
        OnlinePage f;
        const int functionAddress = f.cal(0).FunctionFlags;
        // A click on output 2 shows what one change of function writes.
        f.SelectTab(1);
        int before = f.Applied();
        f.page().optType[3]->click();
        f.Settle();
        const int perChange = f.Applied() - before;
        QVERIFY(perChange > 0);

        // As the accessibility Toggle action does on output 1: the state changes, no click.
        f.SelectTab(0);
        before = f.Applied();
        f.page().optType[3]->setChecked(true);
        f.Settle();
        QVERIFY(f.page().fraRelay->isVisible());
        QVERIFY(!f.page().fraTable->isVisible());
        QCOMPARE(f.Applied() - before, perChange);  // stored and written once
        const std::uint8_t relay = f.image().bytes()[ImageIndex(functionAddress)];
        QCOMPARE(f.Byte(functionAddress), relay);
        QVERIFY(f.w.app.files.CalibrationChanged);
        QVERIFY(f.window().windowTitle().contains("Auto Retrieved"));

        // Saved, then the drive's buttons: they store once per change too, and the title marks
        // it (what Save writes is the calibration shown, tested with the file commands).
        f.w.prompt.AnswerSaveFile(f.w.folder.file("relay.DVF"));
        f.window().SaveCommand(true);
        QVERIFY(f.window().windowTitle().contains("relay.DVF]"));
        before = f.Applied();
        f.page().optOn[1]->setChecked(true);
        f.Settle();
        QCOMPARE(f.Applied(), before + 1);
        QVERIFY(f.window().windowTitle().endsWith("*]"));
    }

    void arrowsMoveAmongTheFunctionsSpaceOrEnterApplies() {
        OnlinePage f;
        OutputPage& p = f.page();
        const int flags = f.cal(0).FunctionFlags;
        p.optType[4]->click();  // Speedo/Tach
        f.Settle();
        const int before = f.Applied();
        const std::uint8_t speedo = f.Byte(flags);
        // From Speedo/Tach up to Off: the options passed are not applied, nor is Off.
        p.optType[4]->setFocus();
        for (int k = 0; k < 4; ++k) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        f.Settle();
        QCOMPARE(QApplication::focusWidget(), p.optType[0]);
        QVERIFY(p.optType[4]->isChecked());
        QCOMPARE(f.Applied(), before);
        QCOMPARE(f.Byte(flags), speedo);
        // Space applies the option that has the focus, once.
        QTest::keyClick(p.optType[0], Qt::Key_Space);
        f.Settle();
        QVERIFY(p.optType[0]->isChecked());
        QCOMPARE(f.Byte(flags) & 0x27, 0x01);
        const int perChange = f.Applied() - before;
        QVERIFY(perChange > 0);
        // Down to Analog Gauge and Enter.
        QTest::keyClick(p.optType[0], Qt::Key_Down);
        QTest::keyClick(p.optType[1], Qt::Key_Right);
        QTest::keyClick(p.optType[2], Qt::Key_Return);
        f.Settle();
        QVERIFY(p.optType[2]->isChecked());
        QVERIFY(p.fraTable->isVisible());  // Analog Gauge, not Voltage Out on the way
        QVERIFY(f.Applied() > before + perChange);
        QCOMPARE(f.Byte(flags), f.image().Byte(flags));
    }
};

QTEST_MAIN(KeyboardAccessTest)
#include "keyboard_access_test.moc"
