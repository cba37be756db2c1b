#pragma once
// What the main window's dialogs share: handlers run inside the error trap under the
// dialog's own name, the main window's icon, and the red and black of marked texts.

#include <QDialog>
#include <functional>

#include "base/error_log.h"

class QWidget;

namespace vx42 {

class TrappedDialog : public QDialog {
    Q_OBJECT
  public:
    // formName: the dialog's objectName, used in the error log; the caption is its title.
    TrappedDialog(const char* formName, const QString& caption, Prompt& prompt, const ErrorLog& log,
                  QWidget* parent);

    // Runs a handler body inside the error trap with the dialog's and the handler's names.
    bool Trapped(const char* object, const char* procedure, const std::function<void()>& body);

  protected:
    // Tab and Shift+Tab go through the dialog's controls in reading order.
    bool focusNextPrevChild(bool next) override;

    Prompt& prompt_;

  private:
    const ErrorLog& log_;
};

// Shows a control's text red (0x0000FF in blue-green-red order) or in the normal colour.
void SetRed(QWidget* control, bool red);
bool IsRed(const QWidget* control);

}  // namespace vx42
