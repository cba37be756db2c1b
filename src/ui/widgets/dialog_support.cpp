// What the main window's dialogs share.
#include "ui/widgets/dialog_support.h"

#include <QWidget>

#include "app/qt/keyboard_access.h"

namespace vx42 {

TrappedDialog::TrappedDialog(const char* formName, const QString& caption, Prompt& prompt,
                             const ErrorLog& log, QWidget* parent)
    : QDialog(parent), prompt_(prompt), log_(log) {
    setObjectName(formName);
    setWindowTitle(caption);
    if (parent) setWindowIcon(parent->windowIcon());
}

bool TrappedDialog::focusNextPrevChild(bool next) {
    return FocusInReadingOrder(this, next);
}

bool TrappedDialog::Trapped(const char* object, const char* procedure,
                            const std::function<void()>& body) {
    return RunTrapped({objectName().toStdString(), object, procedure}, prompt_, log_, body);
}

void SetRed(QWidget* control, bool red) {
    control->setStyleSheet(red ? "color: #FF0000;" : QString());
    control->setProperty("red", red);
}

bool IsRed(const QWidget* control) {
    return control->property("red").toBool();
}

}  // namespace vx42
