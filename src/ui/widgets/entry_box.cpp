// A text box of the output tab that commits on Enter only.
#include "ui/widgets/entry_box.h"

#include <QKeyEvent>

namespace vx42 {

void EntryBox::setOutOfRange(bool outOfRange) {
    QPalette p = palette();
    p.setColor(QPalette::Text, outOfRange ? QColor(255, 0, 0) : QColor(0, 0, 0));
    setPalette(p);
}

void EntryBox::refuseCommit() {
    refused_ = true;
}

void EntryBox::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        refused_ = false;
        emit committed();
        if (refused_) {
            setFocus();
            selectAll();
        } else {
            focusNextPrevChild(true);
        }
        return;
    }
    if (stepKeys_ && (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
        event->accept();
        emit stepped(event->key() == Qt::Key_Up ? 1 : -1);
        return;
    }
    QLineEdit::keyPressEvent(event);
}

}  // namespace vx42
