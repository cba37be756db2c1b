// The "CAN Message Setup" window.
#include "ui/dialogs/frm_message_setup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "app/qt/keyboard_access.h"
#include "app/qt/qt_text.h"
#include "can/dbc_import.h"
#include "can/library_files.h"
#include "files/paths.h"
#include "ui/dialogs/frm_import_dbc.h"
#include "ui/widgets/control_names.h"

namespace vx42 {

namespace {

constexpr const char* kAddCaption = "Add New Message";
constexpr const char* kCancelAddCaption = "Cancel Add New";

}  // namespace

FrmMessageSetup::FrmMessageSetup(LibrarySet& libraries, std::string folder, Prompt& prompt,
                                 const ErrorLog& log, QWidget* parent)
    : TrappedDialog("frmMessageSetup", "CAN Message Setup", prompt, log, parent),
      editor_(libraries),
      libraries_(libraries),
      errorLog_(log),
      folder_(std::move(folder)) {
    Build();
    Connect();
    Trapped("Form", "Load", [this] {
        clickHandling_ = false;
        cmbByteOrder->addItems({kBigEndianItem, kLittleEndianItem});
        cmbByteOrder->setCurrentIndex(0);
        for (std::string_view unit : kCanUnits) cmbUnit->addItem(Q(std::string(unit)));
        SetupEditor();
        clickHandling_ = true;
    });
}

void FrmMessageSetup::Build() {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    lblMessage = new QLabel("CAN Message", this);
    lblMessage->setObjectName("lblMessage");
    cmbUserDefined = new QComboBox(this);
    cmbUserDefined->setObjectName("cmbUserDefined");
    cmbUserDefined->setMinimumContentsLength(24);
    NameAfterCaption(cmbUserDefined, lblMessage);
    top->addWidget(lblMessage);
    top->addWidget(cmbUserDefined, 1);
    layout->addLayout(top);

    fraEditUserDefined = new QGroupBox("Edit User Defined Message", this);
    fraEditUserDefined->setObjectName("fraEditUserDefined");
    auto* grid = new QGridLayout(fraEditUserDefined);
    for (int f = 0; f < kMessageFields; ++f) {
        lblUserDesc[f] =
            new QLabel(kFieldCaptions[static_cast<std::size_t>(f)], fraEditUserDefined);
        txtEditMess[f] = new QLineEdit(fraEditUserDefined);
        txtEditMess[f]->setObjectName(Indexed("txtEditMess", f));
        if (MaxLengthOf(f) > 0) txtEditMess[f]->setMaxLength(MaxLengthOf(f));
        NameAfterCaption(txtEditMess[f], lblUserDesc[f]);
    }
    lblUserDesc[kMessageFields] = new QLabel("Byte Order", fraEditUserDefined);
    lblUserDesc[kMessageFields + 1] = new QLabel("Unit", fraEditUserDefined);
    for (std::size_t i = 0; i < lblUserDesc.size(); ++i)
        lblUserDesc[i]->setObjectName(Indexed("lblUserDesc", static_cast<int>(i)));
    cmbByteOrder = new QComboBox(fraEditUserDefined);
    cmbByteOrder->setObjectName("cmbByteOrder");
    cmbUnit = new QComboBox(fraEditUserDefined);
    cmbUnit->setObjectName("cmbUnit");
    NameAfterCaption(cmbByteOrder, lblUserDesc[kMessageFields]);
    NameAfterCaption(cmbUnit, lblUserDesc[kMessageFields + 1]);
    chkBitRTR = new QCheckBox("Clear RTR Bit", fraEditUserDefined);
    chkBitRTR->setObjectName("chkBitRTR");

    // Name and description across the frame, then two columns of short fields.
    grid->addWidget(lblUserDesc[kFieldName], 0, 0);
    grid->addWidget(txtEditMess[kFieldName], 0, 1, 1, 3);
    grid->addWidget(lblUserDesc[kFieldDescription], 1, 0);
    grid->addWidget(txtEditMess[kFieldDescription], 1, 1, 1, 3);
    const int left[] = {kFieldCanId, kFieldDataLength, kFieldStartByte, kFieldBitLength,
                        kFieldStartBit};
    for (int r = 0; r < 5; ++r) {
        grid->addWidget(lblUserDesc[left[r]], 2 + r, 0);
        grid->addWidget(txtEditMess[left[r]], 2 + r, 1);
    }
    grid->addWidget(lblUserDesc[kMessageFields], 2, 2);
    grid->addWidget(cmbByteOrder, 2, 3);
    grid->addWidget(lblUserDesc[kMessageFields + 1], 3, 2);
    grid->addWidget(cmbUnit, 3, 3);
    grid->addWidget(lblUserDesc[kFieldMultiplier], 4, 2);
    grid->addWidget(txtEditMess[kFieldMultiplier], 4, 3);
    grid->addWidget(lblUserDesc[kFieldOffset], 5, 2);
    grid->addWidget(txtEditMess[kFieldOffset], 5, 3);
    grid->addWidget(lblUserDesc[kFieldEndianLength], 6, 2);
    grid->addWidget(txtEditMess[kFieldEndianLength], 6, 3);
    grid->addWidget(chkBitRTR, 7, 2, 1, 2);
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setHorizontalSpacing(12);
    layout->addWidget(fraEditUserDefined);

    auto* buttons = new QHBoxLayout;
    auto button = [this](const char* name, const char* caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(name);
        b->setAutoDefault(false);
        return b;
    };
    cmdAddMessage = button("cmdAddMessage", kAddCaption);
    cmdDelete = button("cmdDelete", "Delete Message");
    cmdSave = button("cmdSave", "Save Changes");
    cmdImportDbc = button("cmdImportDbc", "Import DBC...");
    // Wide enough for either caption of the add button.
    cmdAddMessage->setMinimumWidth(
        cmdAddMessage->fontMetrics().horizontalAdvance(kCancelAddCaption) + 24);
    buttons->addWidget(cmdAddMessage);
    buttons->addWidget(cmdDelete);
    buttons->addWidget(cmdImportDbc);
    buttons->addStretch(1);
    buttons->addWidget(cmdSave);
    layout->addLayout(buttons);
    setMinimumWidth(560);
}

void FrmMessageSetup::Connect() {
    connect(cmbUserDefined, &QComboBox::activated, this, [this](int position) {
        Trapped("cmbUserDefined", "Click", [this, position] { ListClicked(position); });
    });
    for (int f = 0; f < kMessageFields; ++f) {
        connect(txtEditMess[f], &QLineEdit::textChanged, this,
                [this, f] { Trapped("txtEditMess", "Change", [this, f] { FieldChanged(f); }); });
        txtEditMess[f]->installEventFilter(this);
    }
    connect(cmbByteOrder, &QComboBox::activated, this, [this] { OptionClicked("cmbByteOrder"); });
    connect(cmbUnit, &QComboBox::activated, this, [this] { OptionClicked("cmbUnit"); });
    connect(chkBitRTR, &QCheckBox::toggled, this, [this] { OptionClicked("chkBitRTR"); });
    connect(cmdAddMessage, &QPushButton::clicked, this,
            [this] { Trapped("cmdAddMessage", "Click", [this] { AddOrCancel(); }); });
    connect(cmdDelete, &QPushButton::clicked, this,
            [this] { Trapped("cmdDelete", "Click", [this] { DeleteSelected(); }); });
    connect(cmdSave, &QPushButton::clicked, this,
            [this] { Trapped("cmdSave", "Click", [this] { Save(); }); });
    connect(cmdImportDbc, &QPushButton::clicked, this,
            [this] { Trapped("cmdImportDbc", "Click", [this] { ImportDbc(); }); });
}

bool FrmMessageSetup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Leaving a field for another control; not the window losing the focus to a message.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const int field = static_cast<int>(
            std::find(txtEditMess.begin(), txtEditMess.end(), watched) - txtEditMess.begin());
        if (field < kMessageFields && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason)
            Trapped("txtEditMess", "LostFocus", [this, field] { FieldLeft(field); });
    }
    return TrappedDialog::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------------------
// Filling and showing

void FrmMessageSetup::SetupEditor() {
    const auto opening = editor_.Open();
    if (opening == UserLibraryEditor::Opening::Invalid)
        prompt_.Message(kInvalidUserDefinedFile, {}, Icon::Exclamation);
    SetAddingButtons(false);
    // A library of another version is shown read-only: nothing is added to it either.
    cmdImportDbc->setEnabled(opening != UserLibraryEditor::Opening::Invalid);
    if (opening == UserLibraryEditor::Opening::Editable) FillList(0);
    SetEditing(opening == UserLibraryEditor::Opening::Editable);
    UpdateSaveButton();
}

void FrmMessageSetup::FillList(int select) {
    const bool handling = clickHandling_;
    clickHandling_ = false;
    cmbUserDefined->clear();
    for (const std::string& item : editor_.Items()) cmbUserDefined->addItem(Q(item));
    shownPosition_ = -1;
    if (cmbUserDefined->count() > 0) {
        cmbUserDefined->setCurrentIndex(select >= 0 && select < cmbUserDefined->count() ? select
                                                                                        : 0);
        ShowSelected();
    }
    clickHandling_ = handling;
}

CanMessage* FrmMessageSetup::Selected() {
    return editor_.At(cmbUserDefined->currentIndex());
}

void FrmMessageSetup::ShowSelected() {
    const CanMessage* m = Selected();
    if (!m) return;
    const bool handling = clickHandling_;
    clickHandling_ = false;
    const FieldTexts texts = MessageFieldTexts(*m);
    for (int f = 0; f < kMessageFields; ++f) txtEditMess[f]->setText(Q(texts[f]));
    cmbByteOrder->setCurrentIndex(m->BigEndian ? 0 : 1);
    if (!editor_.addingNew()) cmbUnit->setCurrentIndex(cmbUnit->findText(Q(Trimmed(m->Unit))));
    chkBitRTR->setChecked(m->ClearRtr);
    shownPosition_ = cmbUserDefined->currentIndex();
    ClearMarks();  // the marks were of the fields shown before
    clickHandling_ = handling;
}

void FrmMessageSetup::SetEditing(bool enabled) {
    fraEditUserDefined->setEnabled(enabled);
    cmbUserDefined->setEnabled(enabled);
    cmbByteOrder->setEnabled(enabled);
    cmbUnit->setEnabled(enabled);
    for (auto* t : txtEditMess) t->setEnabled(enabled);
    for (auto* l : lblUserDesc) l->setEnabled(enabled);
    if (!enabled) {
        cmdDelete->setEnabled(false);
        ClearMarks();  // nothing is edited: nothing is in error
    }
}

void FrmMessageSetup::SetAddingButtons(bool adding) {
    cmdAddMessage->setText(adding ? kCancelAddCaption : kAddCaption);
    cmbUserDefined->setEnabled(!adding);
    cmdDelete->setEnabled(!adding);
}

void FrmMessageSetup::UpdateSaveButton() {
    cmdSave->setEnabled(editor_.HasSomethingToSave());
}

void FrmMessageSetup::ClearMarks() {
    for (auto* label : lblUserDesc) SetRed(label, false);
}

// ---------------------------------------------------------------------------------------
// Handlers

void FrmMessageSetup::ListClicked(int position) {
    if (!clickHandling_) return;
    if (cmbUserDefined->currentIndex() != position) {
        clickHandling_ = false;
        cmbUserDefined->setCurrentIndex(position);
        clickHandling_ = true;
    }
    if (editor_.addingNew() || !editor_.changed() || shownPosition_ < 0) {
        ShowSelected();
        return;
    }
    // An edited message is left only when its fields are complete.
    if (ValidateFields()) {
        ShowSelected();
        return;
    }
    clickHandling_ = false;
    cmbUserDefined->setCurrentIndex(shownPosition_);
    clickHandling_ = true;
}

void FrmMessageSetup::FieldChanged(int field) {
    if (RangeOf(field))
        SetRed(txtEditMess[field], !FieldInRange(field, txtEditMess[field]->text().toStdString()));
}

void FrmMessageSetup::FieldLeft(int field) {
    CanMessage* m = Selected();
    if (!m || cmbUserDefined->currentIndex() != shownPosition_) return;
    QLineEdit* box = txtEditMess[field];
    if (RangeOf(field)) box->setText(Q(ClampFieldText(field, box->text().toStdString())));
    const StoreResult result = StoreField(*m, field, box->text().toStdString());
    if (result == StoreResult::Changed) editor_.MarkChanged();
    if (field == kFieldCanId || field == kFieldMultiplier || field == kFieldOffset)
        SetRed(lblUserDesc[field], result == StoreResult::Refused);
    UpdateSaveButton();
}

void FrmMessageSetup::OptionClicked(const char* control) {
    Trapped(control, "Click", [this, control] {
        if (!clickHandling_) return;
        CanMessage* m = Selected();
        if (!m) return;
        const std::string_view name = control;
        if (name == "cmbByteOrder")
            editor_.SetBigEndian(*m, cmbByteOrder->currentText() == kBigEndianItem);
        else if (name == "cmbUnit")
            editor_.SetUnit(*m, cmbUnit->currentText().toStdString());
        else
            editor_.SetClearRtr(*m, chkBitRTR->isChecked());
        UpdateSaveButton();
    });
}

bool FrmMessageSetup::ValidateFields() {
    FieldTexts texts;
    for (int f = 0; f < kMessageFields; ++f) texts[f] = txtEditMess[f]->text().toStdString();
    const auto errors = FieldErrors(texts);
    for (int f = 0; f < kMessageFields; ++f) SetRed(lblUserDesc[f], errors[f]);
    if (!AnyError(errors)) return true;
    prompt_.Message(kFieldsInError, {}, Icon::Exclamation);
    return false;
}

void FrmMessageSetup::AddOrCancel() {
    if (!editor_.addingNew()) {
        const int position = editor_.AddNew();
        // The new message takes the unit the list shows, so what is shown is what is saved.
        if (CanMessage* added = editor_.At(position); added && cmbUnit->currentIndex() >= 0)
            added->Unit = FixedText(cmbUnit->currentText().toStdString(), canwidth::Unit);
        SetEditing(true);
        FillList(position);
        SetAddingButtons(true);
        UpdateSaveButton();
        return;
    }
    editor_.CancelAdd();
    SetAddingButtons(false);
    if (editor_.count() == 0) {
        txtEditMess[kFieldName]->clear();
        txtEditMess[kFieldDescription]->clear();
    }
    SetEditing(editor_.count() > 0);
    FillList(0);
    UpdateSaveButton();
}

void FrmMessageSetup::DeleteSelected() {
    const int position = cmbUserDefined->currentIndex();
    if (position < 0) return;
    editor_.Delete(position);
    UpdateSaveButton();
    if (editor_.count() > 0) {
        FillList(0);
        return;
    }
    // The only message: nothing is left to edit or save; closing brings it back.
    txtEditMess[kFieldName]->clear();
    txtEditMess[kFieldDescription]->clear();
    FillList(0);
    SetEditing(false);
    cmdSave->setEnabled(false);
}

void FrmMessageSetup::Save() {
    if (!editor_.HasSomethingToSave() || !ValidateFields()) return;
    if (!editor_.Save(folder_)) {
        ReportSaveFailure();
        return;
    }
    UpdateSaveButton();
    SetAddingButtons(false);
    FillList(0);
}

void FrmMessageSetup::ReportSaveFailure() {
    prompt_.Message("The User Defined library could not be saved to \"" +
                        JoinPath(folder_, kUserDefinedFile) +
                        "\". Your changes are kept in this window; close it to discard them.",
                    {}, Icon::Exclamation);
    UpdateSaveButton();
}

void FrmMessageSetup::ImportDbc() {
    // The import saves the library, so a message being edited must be complete first.
    if ((editor_.addingNew() || editor_.changed()) && editor_.count() > 0 && !ValidateFields())
        return;
    FileDialog dialog;
    dialog.title = "Import DBC";
    dialog.filter = "CAN Database (*.dbc)|*.dbc";
    const auto path = prompt_.OpenFile(dialog);
    if (!IsChosenPath(path)) return;
    DbcFile file;
    try {
        file = ReadDbcFile(*path);
    } catch (const FileError& e) {
        prompt_.Message(e.what(), {}, Icon::Exclamation);
        return;
    }
    if (file.problemCount > 0) {
        std::string text =
            "Lines of \"" + FileNameOfPath(*path) + "\" that cannot be read were skipped:";
        for (std::size_t i = 0; i < file.problems.size() && i < 10; ++i)
            text +=
                "\r\nline " + std::to_string(file.problems[i].line) + ": " + file.problems[i].text;
        if (file.problemCount > 10)
            text += "\r\nand " + std::to_string(file.problemCount - 10) + " more.";
        prompt_.Message(text, {}, Icon::Exclamation);
    }
    DbcImportList list(file);
    FrmImportDbc chooser(list, FileNameOfPath(*path), prompt_, errorLog_, this);
    if (chooser.exec() != QDialog::Accepted || list.CheckedCount() == 0) return;

    if (!UserLibraryHasRoom(libraries_, static_cast<std::size_t>(list.CheckedCount()))) {
        prompt_.Message("The User Defined library can hold at most " +
                            LimitText(limits::kLibraryMessages) +
                            " messages; choose fewer signals.",
                        {}, Icon::Exclamation);
        return;
    }
    const std::vector<std::string> names = AddToUserLibrary(libraries_, list.Chosen());
    if (!editor_.Save(folder_)) {
        ReportSaveFailure();
        return;
    }
    SetAddingButtons(false);
    SetEditing(true);
    UpdateSaveButton();
    FillList(editor_.PositionOfIndex(editor_.count() - static_cast<int>(names.size())));
    prompt_.Message(
        std::to_string(names.size()) + " signals were added to the User Defined library and saved.",
        {}, Icon::Information);
}

}  // namespace vx42
