#pragma once
// The small input window of "Set Selection": a prompt, one text box and OK / Cancel. Once the
// window has appeared, the text box takes the focus with the caret after the last character,
// so a digit typed into the table to open it is followed, not replaced, by the next one.

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vx42 {

class FrmInputBox : public QDialog {
    Q_OBJECT
  public:
    FrmInputBox(const QString& prompt, const QString& caption, const QString& initialText,
                QWidget* parent = nullptr);

    // The entered text after OK; empty after Cancel.
    QString InputBoxResult() const { return result_; }

    QLabel* lblInfo;
    QLineEdit* txtEntry;
    QPushButton* cmdOK;
    QPushButton* cmdCancle;

  protected:
    void showEvent(QShowEvent* event) override;
    bool focusNextPrevChild(bool next) override;

  private:
    QString result_;
};

}  // namespace vx42
