#pragma once
// "Module History": the modules seen with their restore points, what an entry changed, how
// it differs from the calibration shown, and Restore, which makes an entry the calibration
// shown (the window then offers to write it to the module). File > Compare With Restore
// Point uses the same list to choose an entry to compare with.

#include <optional>
#include <string>
#include <vector>

#include "review/restore_history.h"
#include "ui/widgets/dialog_support.h"

class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

namespace vx42 {

class FrmModuleHistory : public TrappedDialog {
    Q_OBJECT
  public:
    // What the chosen entry is taken for: the button reads "Restore" or "Compare".
    enum class Use { Restore, Compare };

    FrmModuleHistory(RestorePoints& store, const CalImage& shown, const UnitFlags& units,
                     Prompt& prompt, const ErrorLog& log, QWidget* parent, Use use = Use::Restore);

    void SelectModule(int row);
    void SelectEntry(int row);
    // Takes the selected entry and closes the dialog with Accepted.
    void Restore();

    struct Chosen {
        std::string serial;
        CalImage image;
    };
    // The entry Restore took.
    const std::optional<Chosen>& chosen() const { return chosen_; }

    QTreeWidget* lstModules = nullptr;
    QTreeWidget* lstEntries = nullptr;
    QPlainTextEdit* txtDifferences = nullptr;
    QPushButton* cmdRestore = nullptr;
    QPushButton* cmdClose = nullptr;

  private:
    RestorePoints& store_;
    CalImage shown_;
    UnitFlags units_;
    std::vector<ModuleHistory> modules_;
    int module_ = -1;
    int entry_ = -1;
    std::optional<Chosen> chosen_;
};

}  // namespace vx42
