#include "app/qt/keyboard_access.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QTextDocumentFragment>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "base/reading_order.h"

namespace vx42 {

namespace {

bool TakesTab(const QWidget* w) {
    return (w->focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

bool IsScrollArea(const QWidget* w) {
    return qobject_cast<const QScrollArea*>(w) != nullptr;
}

// The controls under `parent` in reading order. A control that takes Tab ends the walk
// down, except a scroll area, which only frames its page; an item view's own controls (a
// table's cell editor) follow it.
void Collect(QWidget* parent, std::vector<QWidget*>& out) {
    std::vector<QWidget*> children;
    std::vector<ReadingBox> boxes;
    for (QObject* o : parent->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow() || w->isHidden()) continue;
        children.push_back(w);
        const QRect g = w->geometry();
        boxes.push_back({g.left(), g.top(), g.width(), g.height()});
    }
    for (const std::size_t k : ReadingOrder(boxes)) {
        QWidget* w = children[k];
        if (TakesTab(w) && !IsScrollArea(w)) {
            out.push_back(w);
            if (qobject_cast<QAbstractItemView*>(w))
                for (QWidget* inner : w->findChildren<QWidget*>())
                    if (TakesTab(inner) && !qobject_cast<QAbstractItemView*>(inner))
                        out.push_back(inner);
            continue;
        }
        Collect(w, out);
    }
}

QString PlainCaption(const QLabel* caption) {
    QString text = caption->text();
    if (Qt::mightBeRichText(text)) text = QTextDocumentFragment::fromHtml(text).toPlainText();
    // A marked letter's ampersand is no part of the name; "&&" is a real ampersand.
    text.replace("&&", QChar(0x1));
    text.remove('&');
    text.replace(QChar(0x1), '&');
    return text.simplified();
}

}  // namespace

std::vector<QWidget*> TabStops(QWidget* window) {
    std::vector<QWidget*> all, stops;
    Collect(window, all);
    for (QWidget* w : all)
        if (w->isVisibleTo(window) && w->isEnabled() && TakesTab(w)) stops.push_back(w);
    return stops;
}

bool FocusInReadingOrder(QWidget* window, bool next) {
    const std::vector<QWidget*> stops = TabStops(window);
    if (stops.empty()) return false;
    const auto count = static_cast<std::ptrdiff_t>(stops.size());
    // Where the focus is: its own stop, or the stop it lies inside.
    std::ptrdiff_t at = -1;
    for (QWidget* w = QApplication::focusWidget(); w && at < 0 && w != window;
         w = w->parentWidget()) {
        const auto found = std::find(stops.begin(), stops.end(), w);
        if (found != stops.end()) at = found - stops.begin();
    }
    if (at < 0) at = next ? count - 1 : 0;
    const std::ptrdiff_t to = ((at + (next ? 1 : -1)) % count + count) % count;
    QWidget* target = stops[static_cast<std::size_t>(to)];
    // Entering a group of option buttons lands on the one chosen.
    if (auto* option = qobject_cast<QRadioButton*>(target);
        option && option->autoExclusive() && !option->isChecked())
        for (QRadioButton* sibling :
             option->parentWidget()->findChildren<QRadioButton*>(Qt::FindDirectChildrenOnly))
            if (sibling->isChecked() && sibling->autoExclusive() && sibling->isEnabled() &&
                sibling->isVisibleTo(window))
                target = sibling;
    target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void NameAfterCaption(QWidget* control, QLabel* caption, const QString& context) {
    caption->setBuddy(control);
    const QString text = PlainCaption(caption);
    NameControl(control, context.isEmpty() ? text : context + " " + text);
}

void NameControl(QWidget* control, const QString& name) {
    control->setAccessibleName(name);
}

}  // namespace vx42
