// The main window's comparison: File > Compare With File and Compare With Restore Point
// show how another calibration differs from the one shown, and copy the settings checked
// there into it as one undo step.

#include <QAction>
#include <QMenu>

#include "files/calibration_file.h"
#include "review/calibration_diff.h"
#include "ui/dialogs/frm_compare.h"
#include "ui/dialogs/frm_module_history.h"
#include "ui/main_window/frm_main.h"
#include "ui/output/output_page.h"

namespace vx42 {

void FrmMain::BuildCompareCommands() {
    const auto actions = menuFile->actions();
    QAction* before = actions.value(actions.indexOf(menuFileSaveAs) + 1);
    menuFileCompare = new QAction("Compare With File...", menuFile);
    menuFileCompare->setObjectName("menuFileCompare");
    menuFileCompareRestore = new QAction("Compare With Restore Point...", menuFile);
    menuFileCompareRestore->setObjectName("menuFileCompareRestore");
    BindCommand(menuFileCompare, SessionCommand::Compare);
    BindCommand(menuFileCompareRestore, SessionCommand::CompareRestore);
    for (QAction* command : {menuFileCompare, menuFileCompareRestore}) {
        menuFile->insertAction(before, command);
        const bool restorePoint = command == menuFileCompareRestore;
        connect(command, &QAction::triggered, this, [this, command, restorePoint] {
            const QByteArray name = command->objectName().toUtf8();
            Trapped(name.constData(), "Click",
                    [this, restorePoint] { CompareCommand(restorePoint); });
        });
    }
}

void FrmMain::CompareCommand(bool restorePoint) {
    FinishEditing();
    const std::string refused =
        session_->Refusal(restorePoint ? SessionCommand::CompareRestore : SessionCommand::Compare);
    if (!refused.empty()) {
        app_.prompt.Message(refused, "Compare", Icon::Information);
        return;
    }
    SettleLink();
    if (!restorePoint) {
        const auto chosen = ChooseCalibrationFile(app_.fileContext(), "Compare With");
        if (chosen) ShowComparison(chosen->image, "\"" + chosen->fileName + "\"");
        return;
    }
    RestorePoints* store = keeper().store();
    if (!store) {
        app_.prompt.Message("No folder for restore points is set up.", "Compare",
                            Icon::Exclamation);
        return;
    }
    FrmModuleHistory history(*store, app_.image, app_.settings.Units, app_.prompt, app_.log, this,
                             FrmModuleHistory::Use::Compare);
    if (history.exec() != QDialog::Accepted || !history.chosen()) return;
    ShowComparison(history.chosen()->image,
                   "the restore point of module " + history.chosen()->serial);
}

void FrmMain::ShowComparison(const CalImage& other, const std::string& otherName) {
    auto groups = CompareCalibrations(app_.image, other, app_.settings.Units);
    if (groups.empty()) {
        app_.prompt.Message("The calibration shown equals " + otherName + ".", "Compare",
                            Icon::Information);
        return;
    }
    FrmCompare compare(std::move(groups), QString::fromStdString(otherName), app_.prompt, app_.log,
                       this);
    if (compare.exec() != QDialog::Accepted) return;
    CopyCompared(other, otherName, compare.Checked());
}

void FrmMain::CopyCompared(const CalImage& other, const std::string& otherName,
                           const std::vector<ComparedSetting>& chosen) {
    // Nothing may change the image or the link while the copy is stored and written.
    FinishEditing();
    SettleLink();
    // A transfer begun while the window was open replaces or writes the calibration.
    if (!MayRun(SessionCommand::EditOutputs)) return;
    EditTarget target = edit();
    outputPage->RecordStep(CopySettings(target, other, chosen), CopyStepName(chosen));
    UpdateTitle();
    ShowStatus();
    app_.prompt.Message(CopyReport(chosen, otherName), "Compare", Icon::Information);
}

}  // namespace vx42
