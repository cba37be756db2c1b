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
    // The Up and Down keys step the box's value (reported by `stepped`) instead of moving on.
    void setStepKeys(bool on) { stepKeys_ = on; }

  signals:
    void committed();
    // Up (+1) or Down (-1) in a box that takes step keys.
    void stepped(int step);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool refused_ = false;
    bool stepKeys_ = false;
};

}  // namespace vx42
