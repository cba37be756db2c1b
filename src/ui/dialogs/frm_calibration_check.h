#pragma once
// "Check Calibration": the findings of the calibration check in a list. Double-clicking a
// finding shows its output's tab with the focus on the setting's control.

#include <functional>
#include <vector>

#include "review/calibration_check.h"
#include "ui/widgets/dialog_support.h"

class QLabel;
class QPushButton;
class QTreeWidget;

namespace vx42 {

class FrmCalibrationCheck : public TrappedDialog {
    Q_OBJECT
  public:
    using RunCheck = std::function<std::vector<Finding>()>;
    using ShowFinding = std::function<void(const Finding&)>;
    FrmCalibrationCheck(RunCheck run, ShowFinding show, Prompt& prompt, const ErrorLog& log,
                        QWidget* parent);

    // Runs the check again and lists what it finds.
    void Refresh();
    const std::vector<Finding>& findings() const { return findings_; }
    // The double-click of row `row`: the list closes and the finding's setting is shown.
    void ShowRow(int row);

    QLabel* lblSummary = nullptr;
    QTreeWidget* lstFindings = nullptr;
    QLabel* lblFinding = nullptr;  // the selected finding in full
    QPushButton* cmdCheckAgain = nullptr;
    QPushButton* cmdClose = nullptr;

  private:
    RunCheck run_;
    ShowFinding show_;
    std::vector<Finding> findings_;
};

// "2 errors, 1 warning", "No errors or warnings".
std::string FindingCountText(const std::vector<Finding>& findings);

}  // namespace vx42
