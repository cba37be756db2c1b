#pragma once
// Small helpers the frames of an output tab build with: text conversions, names of controls
// (arrays carry their index as the suffix "_index"), captions, close spacing, number boxes
// and the wait cursor.

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "app/qt/keyboard_access.h"
#include "app/qt/qt_text.h"
#include "ui/widgets/control_names.h"
#include "ui/widgets/entry_box.h"

namespace vx42::output_frames {

using vx42::Indexed;

template <typename W>
W* Named(W* widget, const QString& name) {
    widget->setObjectName(name);
    return widget;
}

inline QLabel* Caption(const QString& text, QWidget* parent) {
    return new QLabel(text, parent);
}

// The caption beside `control`, naming it (see NameAfterCaption).
inline QLabel* CaptionFor(const QString& text, QWidget* parent, QWidget* control,
                          const QString& context = {}) {
    QLabel* caption = Caption(text, parent);
    NameAfterCaption(control, caption, context);
    return caption;
}

// Runs `chosen` when an option button becomes the one chosen, however it was chosen (the
// mouse, the arrow keys, assistive technology's Toggle, or code while the page is live), and
// again on a click on the button already chosen, as its Click event did. The page ignores
// it while the screen loads.
inline void OnChosen(QAbstractButton* button, QObject* context, std::function<void()> chosen) {
    auto wasChosen = std::make_shared<bool>(false);
    QObject::connect(button, &QAbstractButton::pressed, context,
                     [button, wasChosen] { *wasChosen = button->isChecked(); });
    QObject::connect(button, &QAbstractButton::toggled, context, [chosen](bool on) {
        if (on) chosen();
    });
    QObject::connect(button, &QAbstractButton::clicked, context, [wasChosen, chosen] {
        if (!*wasChosen) return;
        *wasChosen = false;
        chosen();
    });
}

// Close spacing inside a frame, so that the page fits a laptop's screen.
template <typename L>
L* Tight(L* layout) {
    layout->setContentsMargins(6, 2, 6, 4);
    layout->setSpacing(4);
    return layout;
}

// A number box as wide as its longest number, not as wide as a line of text.
inline EntryBox* NumberBox(EntryBox* box) {
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance("-000000.000") + 12);
    return box;
}

// The wait cursor for the life of the object.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace vx42::output_frames
