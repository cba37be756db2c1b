#pragma once
// "Import DBC": the messages and signals of a CAN database in a checkable tree with a filter
// box. Signals that cannot be imported are shown disabled with the reason. The list's rules
// live in can/dbc_import.h; this window only maps the tree onto them.

#include <vector>

#include "can/dbc_import.h"
#include "ui/widgets/dialog_support.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace vx42 {

class FrmImportDbc : public TrappedDialog {
    Q_OBJECT
  public:
    // fileName: shown in the title. The list must outlive the window.
    FrmImportDbc(DbcImportList& list, const std::string& fileName, Prompt& prompt,
                 const ErrorLog& log, QWidget* parent = nullptr);

    QLineEdit* txtFilter = nullptr;
    QTreeWidget* tvwSignals = nullptr;
    QLabel* lblSummary = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    // The tree item of a message and of a signal row (for tests).
    QTreeWidgetItem* MessageItem(int message) const;
    QTreeWidgetItem* RowItem(int row) const;

  private:
    void Fill();
    void Filter(const QString& text);
    void ItemChanged(QTreeWidgetItem* item);
    void ShowChecks();

    DbcImportList& list_;
    std::vector<QTreeWidgetItem*> messageItems_;
    std::vector<QTreeWidgetItem*> rowItems_;
    bool syncing_ = false;
};

}  // namespace vx42
