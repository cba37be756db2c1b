#pragma once
// "CAN Message Setup": the editor of the user's own library of CAN message definitions.
// The rules live in can/message_editor.h; this window maps its controls onto them. Closing
// it keeps nothing: the main window then loads the libraries again from their files.

#include <array>
#include <string>

#include "can/message_editor.h"
#include "ui/widgets/dialog_support.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vx42 {

class FrmMessageSetup : public TrappedDialog {
    Q_OBJECT
  public:
    // folder: the Libraries folder the user's library is saved into.
    FrmMessageSetup(LibrarySet& libraries, std::string folder, Prompt& prompt, const ErrorLog& log,
                    QWidget* parent = nullptr);

    // The handlers, as the controls call them (public for tests).
    void ListClicked(int position);  // cmbUserDefined: a message chosen
    void FieldChanged(int field);    // txtEditMess: typing colours the ranged fields
    void FieldLeft(int field);       // txtEditMess: leaving a field stores it
    bool ValidateFields();           // marks the fields in error; false when any is
    const UserLibraryEditor& editor() const { return editor_; }

    QLabel* lblMessage = nullptr;  // "CAN Message"
    QComboBox* cmbUserDefined = nullptr;
    QGroupBox* fraEditUserDefined = nullptr;
    std::array<QLineEdit*, kMessageFields> txtEditMess{};
    // The labels of the ten fields, then "Byte Order" and "Unit".
    std::array<QLabel*, kMessageFields + 2> lblUserDesc{};
    QComboBox* cmbByteOrder = nullptr;
    QComboBox* cmbUnit = nullptr;
    QCheckBox* chkBitRTR = nullptr;
    QPushButton* cmdAddMessage = nullptr;
    QPushButton* cmdDelete = nullptr;
    QPushButton* cmdSave = nullptr;
    QPushButton* cmdImportDbc = nullptr;  // "Import DBC..."

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void Build();
    void Connect();
    void SetupEditor();
    void FillList(int select);
    void ShowSelected();
    void SetEditing(bool enabled);
    void SetAddingButtons(bool adding);
    void UpdateSaveButton();
    // The fields' labels back to black.
    void ClearMarks();
    CanMessage* Selected();
    void AddOrCancel();
    void DeleteSelected();
    void Save();
    // Chosen signals of a CAN database added to the library and saved as Save saves it.
    void ImportDbc();
    void ReportSaveFailure();
    // A change of byte order, unit or RTR flag (the click handlers).
    void OptionClicked(const char* control);

    UserLibraryEditor editor_;
    LibrarySet& libraries_;
    const ErrorLog& errorLog_;
    std::string folder_;
    bool clickHandling_ = false;
    int shownPosition_ = -1;  // the list position whose message the fields show
};

}  // namespace vx42
