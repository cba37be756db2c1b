#pragma once
// What makes a window usable without the mouse and through assistive technology: the Tab
// order that follows the eye, and controls named after the captions beside them.

#include <QString>
#include <vector>

class QLabel;
class QWidget;

namespace vx42 {

// Moves the focus to the next (or previous) control of `window` in reading order: group by
// group (frames, boxes and rows in the order the eye reads them: top to bottom, left to
// right), and inside a group its controls in the same order, from the focused control round
// to the first again. An output table is one stop: its cell editor, while open, follows it.
// Windows call it from their focusNextPrevChild, so Tab and Shift+Tab follow what is shown
// now, whichever frames are shown. False when no control can take the focus.
bool FocusInReadingOrder(QWidget* window, bool next);
// The controls of `window` that Tab stops at, in reading order: shown, enabled and taking
// the Tab key.
std::vector<QWidget*> TabStops(QWidget* window);

// Names `control` for assistive technology after its caption: the caption becomes the
// control's buddy (Alt and the caption's marked letter reach it) and the control's
// accessible name is the caption's text, after `context` when one is given ("Primary" and
// "Timeout" make "Primary Timeout"), so that controls with the same caption in different
// frames have names of their own.
void NameAfterCaption(QWidget* control, QLabel* caption, const QString& context = {});
// The same for a control without a caption beside it (a table, a list under a title).
void NameControl(QWidget* control, const QString& name);

}  // namespace vx42
