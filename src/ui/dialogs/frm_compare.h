#pragma once
// "Compare": every setting in which another calibration differs from the one shown, grouped
// by output and module-wide, the shown value beside the other's. Each group and each
// setting has a check box (a group's box checks all its settings); a table shows as its
// grid with the differing cells marked. Copy Selected closes the dialog with the checked
// settings, which the main window copies into the calibration shown.

#include <vector>

#include "review/calibration_diff.h"
#include "ui/widgets/dialog_support.h"

class QLabel;
class QPushButton;
class QTableWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace vx42 {

class FrmCompare : public TrappedDialog {
    Q_OBJECT
  public:
    FrmCompare(std::vector<GroupDifferences> groups, const QString& otherName, Prompt& prompt,
               const ErrorLog& log, QWidget* parent);

    // The checked settings, in the order listed.
    std::vector<ComparedSetting> Checked() const;
    // Closes with Accepted when a setting is checked; otherwise says that none is.
    void CopySelected();
    // Shows the grid of the table the item belongs to; hides the grid for any other item.
    void ShowTableOf(const QTreeWidgetItem* item);
    // The tree's item of a group, by its title; nothing when no group has it.
    QTreeWidgetItem* GroupItem(const std::string& title) const;

    QLabel* lblCompared = nullptr;
    QTreeWidget* lstDifferences = nullptr;
    QLabel* lblTable = nullptr;
    QTableWidget* grdTable = nullptr;
    QPushButton* cmdCopySelected = nullptr;
    QPushButton* cmdClose = nullptr;

  private:
    std::vector<GroupDifferences> groups_;
};

}  // namespace vx42
