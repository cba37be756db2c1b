#pragma once
// A text box of the output tab that commits on Enter only: the Enter key is swallowed, the
// box reports it, and the focus moves on as a Tab key would move it.

#include <QLineEdit>

namespace vx42 {

class EntryBox : public QLineEdit {
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;

    // Black inside the box's range, red outside.
    void setOutOfRange(bool outOfRange);
    // Called while the box reports a commit: the commit was refused, so the focus stays in
    // the box with its text selected for correcting instead of moving on.
    void refuseCommit();

  signals:
    void committed();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool refused_ = false;
};

}  // namespace vx42
