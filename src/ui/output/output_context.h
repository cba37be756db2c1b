#pragma once
// What the frames of an output tab share: the output shown and its scaling, the edit
// target, the error trap of the controls' events, the flags of a screen being loaded, the
// tables' undo history, and the page's follow-ups any frame may ask for after an edit.

#include <functional>
#include <string>

#include "calibration/grid/grid_history.h"
#include "calibration/outputs/output_view.h"

class QObject;
class QWidget;

namespace vx42 {

class EntryBox;
class FrmMain;

struct OutputContext {
    OutputContext(FrmMain& main, QWidget& page) : main(main), page(page) {}

    FrmMain& main;
    // The page: the frames' parent and the context of their connections.
    QWidget& page;
    int output = 0;
    bool screenLoaded = false;
    bool listFilling = false;
    FormatContext format;
    GridHistory history;

    OutputScope Scope() const;
    // Runs an edit of the current output, then marks the title.
    void Edit(const std::function<void(const OutputEdit&)>& body) const;
    // Runs an edit of the current output and keeps the bytes it changed, before and after,
    // as one undo step named `name`.
    void EditStep(const std::string& name, const std::function<void(const OutputEdit&)>& body);
    // Runs a control's event inside the window's error trap.
    void Handler(QObject* control, const char* event, const std::function<void()>& body) const;

    // A text box stores on Enter (and shows what was stored); `after` runs next. What the
    // store changed is one undo step named after the box.
    using Store = std::function<std::string(const OutputEdit&, const std::string&)>;
    void Enter(EntryBox* box, Store store, std::function<void()> after = {});
    // The same for a box that holds a number: a typed comma is refused with a message and
    // nothing is stored.
    void EnterNumber(EntryBox* box, Store store, std::function<void()> after = {});
    // A text box turns red, silently on every change, while its number is out of `range`.
    void Colour(EntryBox* box, std::function<DataRange()> range) const;

    // The page's follow-ups, set by the page.
    std::function<void()> LoadScreen;
    std::function<void()> ShowTables;
    std::function<void(const CanDataCaptions&)> ShowCaptions;
    std::function<void()> FollowPreset;
    std::function<void()> UpdateEditActions;
    std::function<void(int)> SelectOutput;
    std::function<void()> StopLiveCalibration;
};

}  // namespace vx42
