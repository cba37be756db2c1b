// The main window's restore points and calibration check: Edit > Check Calibration,
// File > Module History, the check before a whole write, and keeping what passes between
// the window and a module.

#include <QAction>
#include <QMenu>
#include <QTabBar>

#include "firmware/upgrade_restore_point.h"
#include "review/calibration_check.h"
#include "ui/dialogs/frm_calibration_check.h"
#include "ui/dialogs/frm_module_history.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_page.h"
#include "ui/widgets/table_grid.h"

namespace vx42 {

void FrmMain::BuildHistoryCommands() {
    const auto actions = menuFile->actions();
    menuFileHistory = new QAction("Module History", menuFile);
    menuFileHistory->setObjectName("menuFileHistory");
    menuFile->insertAction(actions.value(actions.indexOf(menuFileUpdateLib) + 1), menuFileHistory);
    BindCommand(menuFileHistory, SessionCommand::History);
    connect(menuFileHistory, &QAction::triggered, this,
            [this] { Trapped("menuFileHistory", "Click", [this] { HistoryCommand(); }); });

    mEdit->addSeparator();
    mEditCheck = mEdit->addAction("Check Calibration");
    mEditCheck->setObjectName("mEditCheck");
    mEditCheck->setShortcut(QKeySequence("F7"));
    connect(mEditCheck, &QAction::triggered, this,
            [this] { Trapped("mEditCheck", "Click", [this] { CheckCommand(); }); });
}

void FrmMain::CheckCommand() {
    if (!app_.files.HasCalibration()) {
        if (checkWindow_) checkWindow_->close();
        app_.prompt.Message(
            "There is no calibration to check: open a file or retrieve the module's calibration "
            "first.",
            "Check Calibration", Icon::Information);
        return;
    }
    if (!checkWindow_) {
        checkWindow_ = new FrmCalibrationCheck(
            [this] { return CheckCalibration(app_.image, &app_.libraries, app_.settings.Units); },
            [this](const Finding& f) { ShowFinding(f); }, app_.prompt, app_.log, this);
        checkWindow_->setModal(false);
        // A calibration retrieved, opened or restored is checked again while the list is open.
        connect(this, &FrmMain::imageReplaced, checkWindow_, [this] {
            if (checkWindow_->isVisible()) checkWindow_->Refresh();
        });
    }
    checkWindow_->Refresh();
    checkWindow_->show();
    checkWindow_->raise();
}

void FrmMain::ShowFinding(const Finding& finding) {
    if (finding.output < 0 || finding.output >= kOutputs) return;
    TabStrip->setCurrentIndex(finding.output);
    RefreshSelectedTab();
    auto* control = outputPage->findChild<QWidget*>(QString::fromStdString(finding.place.control));
    if (!control) return;
    if (auto* grid = qobject_cast<TableGridWidget*>(control); grid && finding.place.row >= 0)
        grid->selectCells(finding.place.row, finding.place.col);
    activateWindow();
    control->setFocus(Qt::OtherFocusReason);
}

void FrmMain::ShowKeepProblem(const Result<void>& kept) {
    if (!kept)
        app_.prompt.Message("The restore point could not be kept: " + kept.error().message,
                            "Restore Point", Icon::Exclamation);
}

BeforeSending FrmMain::BeforeUpgrade() {
    if (!keeper().enabled()) return {};
    // Runs on the link's thread while the upgrade is the one transfer; the prompt brings its
    // question to the window.
    return [&keeper = keeper(), &prompt = app_.prompt](ModuleLink& link) {
        return KeepRestorePointBeforeUpgrade(link, keeper, prompt, {});
    };
}

void FrmMain::HistoryCommand() {
    FinishEditing();
    if (!MayRun(SessionCommand::History)) return;
    SettleLink();
    RestorePoints* store = keeper().store();
    if (!store) {
        app_.prompt.Message("No folder for restore points is set up.", "Module History",
                            Icon::Exclamation);
        return;
    }
    FrmModuleHistory history(*store, app_.image, app_.settings.Units, app_.prompt, app_.log, this);
    if (history.exec() != QDialog::Accepted || !history.chosen()) return;
    const auto& chosen = *history.chosen();
    const CalImage before = app_.image;
    if (!session_->Restored(chosen.image, chosen.serial)) {
        app_.prompt.Message(session_->Refusal(SessionCommand::History), "Module History",
                            Icon::Information);
        return;
    }
    UpdateTitle();
    setWindowTitle(QString::fromStdString(app_.files.Title));
    emit imageReplaced();
    // Unlike an open or a retrieve, a restore is one step the user may take back.
    outputPage->RecordStep(ImageChanges(before, app_.image), RestoreStepName(chosen.serial));
    SetFullLayout();
    RefreshSelectedTab();
    RunNext(session_->AfterRestore(app_.prompt));
}

}  // namespace vx42
