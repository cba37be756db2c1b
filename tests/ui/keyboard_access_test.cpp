// The window without the mouse: the Tab order of the main window and its dialogs, the
// tables entered and left with one Tab, the menus' Alt keys, controls named for assistive
// technology, and the function chosen by the buttons' state rather than by a click.

#include <QAccessible>
#include <QMenuBar>
#include <QSet>

#include "app/qt/frm_input_box.h"
#include "ui/dialogs/frm_about.h"
#include "ui_fixture.h"

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
        QTest::keyClick(w, forward ? Qt::Key_Tab : Qt::Key_Backtab,
                        forward ? Qt::NoModifier : Qt::ShiftModifier);
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

// The Tab cycle from `start`: it visits each control of `window` that can take the focus
// once and nothing else, the names of `expected` in this order (blank-separated), and Shift+Tab
// visits the same stops the other way round.
QStringList CheckCycle(const QWidget& window, QWidget* start, const char* expected) {
    const QStringList cycle = TabCycle(start);
    [&] {
        QVERIFY2(!cycle.contains("(no way back to the start)"), qPrintable(cycle.join(", ")));
        const QSet<QString> visited(cycle.begin(), cycle.end());
        QCOMPARE(visited.size(), cycle.size());
        QCOMPARE(visited, Reachable(window));
        int last = -1;
        for (const QString& name : QString(expected).split(' ')) {
            const int at = static_cast<int>(cycle.indexOf(name));
            QVERIFY2(at > last, qPrintable(name + " out of order in: " + cycle.join(", ")));
            last = at;
        }
        QStringList back = TabCycle(start, false);
        std::reverse(back.begin() + 1, back.end());
        QCOMPARE(back, cycle);
    }();
    return cycle;
}

QString AccessibleName(QWidget* w) {
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
    return a ? a->text(QAccessible::Name) : QString();
}

// The dialog's Tab cycle from its first control, as CheckCycle checks it.
template <typename D>
void CheckDialogOrder(QAction* command, const char* expected,
                      std::function<void(D&)> prepare = {}) {
    bool ran = false;
    OnModal<D>([&](D& d) {
        ran = true;
        QVERIFY(QTest::qWaitForWindowActive(&d));
        if (prepare) prepare(d);
        const QString first = QString(expected).section(' ', 0, 0);
        QVERIFY2(d.template findChild<QWidget*>(first), qPrintable(first));
        CheckCycle(d, d.template findChild<QWidget*>(first), expected);
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
        const QStringList cycle = CheckCycle(
            f.window, f.window.TabStrip,
            "TabStrip optType_0 txtOutputName txtPeriod chkFormatCAN optOff_0 optOn_0 cmbPresets "
            "cmbLibrary_0 cmbMessage_0 txtSamplePeriod_0 txtAverageLength_0 chkUseSecondary "
            "cmbLibrary_1 cmbMessage_1 txtSamplePeriod_1 txtAverageLength_1 mshAnalogTable "
            "cmdSetBreakpoints_0 cmdCalibrate cmdUpdate");
        // Enter in a text box stores it and goes on as Tab does.
        PageFixture::Type(f.page().txtOutputName, "Fuel");
        QCOMPARE(NameOf(QApplication::focusWidget()), cycle.at(cycle.indexOf("txtOutputName") + 1));
        // One Tab enters the table, the next leaves it; Shift+Tab and Ctrl+Tab leave too.
        const int table = static_cast<int>(cycle.indexOf("mshAnalogTable"));
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
        // Inside the table the arrow keys move, the focus staying; typing opens the cell's
        // editor, and Tab commits it and goes on past the table.
        grid->setFocus(Qt::TabFocusReason);
        grid->selectCells(1, 1);
        QTest::keyClick(grid, Qt::Key_Right);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(QApplication::focusWidget(), grid);
        QTest::keyClick(grid, Qt::Key_5);
        QTest::keyClick(grid->editor(), Qt::Key_Tab);
        QVERIFY(!grid->editorOpen());
        QCOMPARE(NameOf(QApplication::focusWidget()), cycle.at(table + 1));
        QCOMPARE(QString::fromStdString(grid->cellText(2, 2)), QString("5.0"));
    }

    // Relay mode forces every output's function to relay control, in the module too, and has
    // no presets.
    void relayModeForcesRelayControlAndTabsThroughItsRules() {
        OnlinePage f(StartupMode::Relay);
        QCOMPARE(f.window.windowTitle(),
                 QString("VX42 Relay Control Version 2.1.0 [Auto Retrieved File]"));
        f.SelectTab(1);
        f.Settle();
        QCOMPARE(f.Byte(f.cal(1).FunctionFlags) & 0x27, 0x04);
        QVERIFY(!f.page().optType[2]->isEnabled());
        const QStringList cycle =
            CheckCycle(f.window, f.window.TabStrip,
                       "TabStrip optType_0 txtOutputName cmbLibrary_0 cmbLibrary_1 "
                       "chkUseSecondary1 cmbAndOr cmbOptions_0 txtOnA_0 txtOffA_0 cmbOptions_1 "
                       "txtOnA_1 txtOffA_1 cmdUpdate");
        QVERIFY(!cycle.contains("cmbPresets"));
    }

    void dialogsTabInReadingOrderAndLetTheFocusGo() {
        PageFixture f;
        CheckDialogOrder<FrmUnitSettings>(f.window.menuSettingsUnits,
                                          "optTemp_0 optSpeed_0 optMap_0 optFlow_0 optTorque_0 "
                                          "optVolume_0 cmdMetric cmdStandard cmdApply cmdOK "
                                          "cmdCancel");
        CheckDialogOrder<FrmCanSpeed>(f.window.menuComSetCAN, "optSpeedCAN_0 cmdOK cmdCancel");
        // The web address is one stop, and Shift+Tab leaves it as Tab does.
        CheckDialogOrder<FrmAbout>(f.window.menuHelpAbout, "lblWebSite cmdOK");
        // A new message's fields, row by row: the name and description across the frame, then
        // the two columns of short fields.
        CheckDialogOrder<FrmMessageSetup>(
            f.window.menuSettingsCAN,
            "txtEditMess_0 txtEditMess_1 txtEditMess_2 cmbByteOrder txtEditMess_3 cmbUnit "
            "cmdAddMessage cmdImportDbc",
            [](FrmMessageSetup& d) { d.cmdAddMessage->click(); });
        // Start Upgrade waits for a file, so the Tab key passes it by; the address box and the
        // status list are named.
        CheckDialogOrder<FrmFirmwareUpgrade>(
            f.window.menuComFirmUpgrade,
            "cmdOpenFile cmdGetInfo lstStatus txtRead cmdRead cmdSend cmdCreateBLU",
            [](FrmFirmwareUpgrade& d) {
                QCOMPARE(AccessibleName(d.txtRead), QString("Address"));
                QVERIFY(!AccessibleName(d.lstStatus).isEmpty());
            });
    }

    void theCheckListHistoryAndInputBoxTabInOrder() {
        PageFixture f;
        const test::TempDir history;
        f.window.keeper() = RestoreKeeper(history.str(), 200);
        f.Connect();  // a calibration to check and a restore point of it
        f.window.mEditCheck->trigger();
        auto* check = f.window.findChild<FrmCalibrationCheck*>();
        QVERIFY(check && QTest::qWaitForWindowActive(check));
        CheckCycle(*check, check->lstFindings, "lstFindings cmdCheckAgain cmdClose");
        check->close();
        // Module History's lists are named for what they hold.
        CheckDialogOrder<FrmModuleHistory>(
            f.window.menuFileHistory, "lstModules lstEntries txtDifferences",
            [](FrmModuleHistory& d) {
                QCOMPARE(AccessibleName(d.lstModules), QString("Modules"));
                QCOMPARE(AccessibleName(d.lstEntries), QString("Restore points"));
            });
        // The input box names its text box after its prompt, and puts the caret after the
        // digit typed into the table.
        FrmInputBox box("Please enter the value you would like to set the entire selection to.",
                        "Set Selection", "7");
        box.show();
        QVERIFY(QTest::qWaitForWindowActive(&box));
        QTRY_VERIFY(box.txtEntry->hasFocus());
        QCOMPARE(box.txtEntry->cursorPosition(), 1);
        QVERIFY(!box.txtEntry->hasSelectedText());
        QTest::keyClick(box.txtEntry, Qt::Key_5);  // appended, not replacing the 7
        CheckCycle(box, box.txtEntry, "txtEntry cmdOK cmdCancle");
        QCOMPARE(AccessibleName(box.txtEntry), box.lblInfo->text());
        box.cmdOK->click();
        QCOMPARE(box.InputBoxResult(), QString("75"));
        FrmInputBox cancelled("prompt", "Set Selection", "12");
        cancelled.show();
        cancelled.cmdCancle->click();
        QCOMPARE(cancelled.InputBoxResult(), QString());
    }

    void theControlsAreNamedForAssistiveTechnology() {
        PageFixture f;
        QStringList names;
        for (QLineEdit* box : f.page().findChildren<QLineEdit*>()) {
            QVERIFY2(!AccessibleName(box).isEmpty(), qPrintable(box->objectName()));
            names << AccessibleName(box);
        }
        QVERIFY(names.size() >= 24);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
        OutputPage& p = f.page();
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
    }

    void altKeysOpenTheMenusWithTheirCaptionsUnchanged() {
        PageFixture f;
        FrmMain& w = f.window;
        const std::pair<Qt::Key, QMenu*> menus[] = {{Qt::Key_F, w.menuFile},
                                                    {Qt::Key_E, w.mEdit},
                                                    {Qt::Key_S, w.menuSettings},
                                                    {Qt::Key_C, w.menuCom},
                                                    {Qt::Key_H, w.menuHelp}};
        QStringList captions;
        for (const auto& [key, menu] : menus) {
            captions << QString(menu->title()).remove('&');
            QTest::keyClick(&w, key, Qt::AltModifier);
            QVERIFY2(QTest::qWaitFor([&] { return menu->isVisible(); }, 2000),
                     qPrintable(captions.back()));
            menu->close();
            QVERIFY(QTest::qWaitFor([&] { return !menu->isVisible(); }, 2000));
        }
        QCOMPARE(captions, QStringList({"File", "Edit", "Settings", "Communications", "Help"}));
        // Update is in the Communications menu too, shown with the Update button.
        QVERIFY(w.menuCom->actions().contains(w.menuComUpdate));
        QCOMPARE(w.menuComUpdate->isVisible(), w.cmdUpdate->isVisible());
        f.prompt.ExpectMessage("You must be connected");
        w.menuComUpdate->trigger();
    }

    // A function chosen by the button's state (as the accessibility Toggle action does) or by
    // the keys is stored and written once; arrows passing options apply none of them.
    void aFunctionChosenWithoutAClickIsStoredOnce() {
        OnlinePage f;
        OutputPage& p = f.page();
        const int flags = f.cal(0).FunctionFlags;
        f.SelectTab(1);
        int before = f.Applied();
        p.optType[3]->click();
        f.Settle();
        const int perChange = f.Applied() - before;
        QVERIFY(perChange > 0);
        f.SelectTab(0);
        before = f.Applied();
        p.optType[3]->setChecked(true);
        f.Settle();
        QCOMPARE(f.Applied() - before, perChange);
        QCOMPARE(f.Byte(flags), f.image().Byte(flags));
        before = f.Applied();
        p.optOn[1]->setChecked(true);
        f.Settle();
        QCOMPARE(f.Applied(), before + 1);
        // From Relay Control up to Off: the options passed are not applied, nor is Off; Space
        // applies it; Down twice to Analog Gauge and Enter.
        p.optType[3]->setFocus();
        before = f.Applied();
        for (int k = 0; k < 3; ++k) QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        f.Settle();
        QCOMPARE(QApplication::focusWidget(), p.optType[0]);
        QVERIFY(p.optType[3]->isChecked());
        QCOMPARE(f.Applied(), before);
        QTest::keyClick(p.optType[0], Qt::Key_Space);
        f.Settle();
        QCOMPARE(f.Byte(flags) & 0x27, 0x01);
        QTest::keyClick(p.optType[0], Qt::Key_Down);
        QTest::keyClick(p.optType[1], Qt::Key_Right);
        QTest::keyClick(p.optType[2], Qt::Key_Return);
        f.Settle();
        QVERIFY(p.fraTable->isVisible());  // Analog Gauge, not Voltage Out on the way
        QCOMPARE(f.Byte(flags), f.image().Byte(flags));
    }
};

QTEST_MAIN(KeyboardAccessTest)
#include "keyboard_access_test.moc"
