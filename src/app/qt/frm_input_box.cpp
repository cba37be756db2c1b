// The small input window of "Set Selection": a prompt, one text box and OK / Cancel.
#include "app/qt/frm_input_box.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/qt/keyboard_access.h"

namespace vx42 {

FrmInputBox::FrmInputBox(const QString& prompt, const QString& caption, const QString& initialText,
                         QWidget* parent)
    : QDialog(parent) {
    setObjectName("frmInputBox");
    setWindowTitle(caption);
    if (parent) setWindowIcon(parent->windowIcon());
    auto* layout = new QVBoxLayout(this);
    lblInfo = new QLabel(prompt, this);
    lblInfo->setObjectName("lblInfo");
    lblInfo->setWordWrap(true);
    layout->addWidget(lblInfo);
    txtEntry = new QLineEdit(initialText, this);
    txtEntry->setObjectName("txtEntry");
    layout->addWidget(txtEntry);
    NameAfterCaption(txtEntry, lblInfo);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    cmdOK = new QPushButton("OK", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setDefault(true);
    cmdCancle = new QPushButton("Cancel", this);
    cmdCancle->setObjectName("cmdCancle");
    buttons->addWidget(cmdOK);
    buttons->addWidget(cmdCancle);
    layout->addLayout(buttons);
    connect(cmdOK, &QPushButton::clicked, this, [this] {
        result_ = txtEntry->text();
        accept();
    });
    connect(cmdCancle, &QPushButton::clicked, this, [this] {
        result_.clear();
        reject();
    });
    setMinimumWidth(360);
}

bool FrmInputBox::focusNextPrevChild(bool next) {
    return FocusInReadingOrder(this, next);
}

void FrmInputBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Once shown: the focus to the text box, the caret after the last character.
    QTimer::singleShot(0, this, [this] {
        txtEntry->setFocus();
        txtEntry->deselect();
        txtEntry->setCursorPosition(txtEntry->text().size());
    });
}

}  // namespace vx42
