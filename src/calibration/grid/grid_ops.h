#pragma once
// The editing operations of the output tables: what a key press, a double-click or the
// in-place editor's navigation keys do to a grid's cells and selection. Questions and
// messages go through the prompt; what the window must do afterwards is in the outcome.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/prompt.h"
#include "calibration/grid/grid_model.h"

namespace vx42 {

// Key codes of the keys the tables react to. Letters are 'A'..'Z' and digits '0'..'9'; a
// keypad key carries the code of its twin on the main keyboard and sets `keypad`.
namespace keys {
inline constexpr int kBackspace = 8;
inline constexpr int kTab = 9;
inline constexpr int kEnter = 13;
inline constexpr int kShift = 16;
inline constexpr int kControl = 17;
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kUp = 38;
inline constexpr int kDown = 40;
inline constexpr int kPlus = 187;    // the "=+" key; the keypad's "+"
inline constexpr int kMinus = 189;   // the "-_" key; the keypad's "-"
inline constexpr int kPeriod = 190;  // the "." key; the keypad's decimal key
}  // namespace keys

struct GridKey {
    int code = 0;
    bool ctrl = false;
    bool shift = false;
    bool keypad = false;

    static GridKey Plain(int code) { return {code, false, false, false}; }
    static GridKey Ctrl(int code) { return {code, true, false, false}; }
    static GridKey Keypad(int code, bool ctrl = false) { return {code, ctrl, false, true}; }
};

// The lowest and highest value an operation may leave in a cell.
struct GridLimits {
    GridLimits() = default;
    GridLimits(double lowest, double highest, std::string unit = {})
        : lowest(lowest), highest(highest), unit(std::move(unit)) {}
    double lowest = 0;
    double highest = 0;
    std::string unit;  // what the cells' values are shown in ("%", "Hz"); none for raw data
};

// Every cell of the analog table: 0 to 65535.
GridLimits AnalogTableLimits();
// The frequency table, chosen by the active cell's row: breakpoints (row 0) 0 to 65535,
// frequencies 0 to 6553.5. They apply to the whole selection.
GridLimits FreqTableLimits(int activeRow);

struct GridOutcome {
    // Cells were changed: the window stores the table into the image and the module and
    // marks the title.
    bool changed = false;
    // The cells whose text or number the operation changed, each with the number it left:
    // exactly these cells are stored.
    std::vector<CellChange> cells;
    // Lay the in-place editor over the active cell with `editorText`, the caret at its end,
    // show it and give it the focus.
    bool openEditor = false;
    std::string editorText;
    // The name of the operation, for its undo step ("Linearize", "Paste").
    std::string step;
};

// Below `lowest` gives `lowest`, above `highest` gives `highest` (neither rounded); a value
// in the range, ends included, is rounded to `digits` decimals with halves to even.
double ClampRound(double value, double lowest, double highest, int digits);

// A key pressed on a table: Ctrl+L linearize, Ctrl+T linear interpolation, Ctrl+P percent,
// Ctrl with "+" or "-" one more or less, Ctrl+I increase/decrease by an amount, Ctrl+J set
// the selection to a value, otherwise possibly starting the in-place editor. A table with
// a locked corner ignores every key while the corner is the active cell.
GridOutcome GridKeyDown(GridModel& grid, const GridKey& key, GridLimits limits, Prompt& prompt);

// A double-click on a table: the editor opens with the active cell's text.
GridOutcome GridDoubleClick(GridModel& grid, Prompt& prompt);

// Asks "Set Selection" (the answer box starts with `initialText`) and writes the value,
// clamped to the limits, into every selected cell. An answer that is no number is refused.
GridOutcome SetSelectionTo(GridModel& grid, GridLimits limits, const std::string& initialText,
                           Prompt& prompt);

enum class EditorAction {
    None,    // not a key of the editor's own
    Store,   // Enter: the normalised text is to be stored into the active cell
    Refuse,  // Enter on a text that is no number: nothing is stored
    Cancel,  // Escape: hide the editor, reset the highlight, focus the table; store nothing
    ToTable  // Up or Down: the table takes the focus (the active row may have moved)
};

// A key pressed in the in-place editor. On Enter `editText` is normalised; on Up and Down
// the active cell moves one row when it can (the selection follows it).
EditorAction EditorKeyDown(GridModel& grid, int keyCode, std::string& editText, GridLimits limits);

// The editor's text made a number within the limits: read as a cell number, clamped,
// written back in its shortest form. An empty text counts as 0 (or the lowest limit when
// that is above 0); a text that is no number gives nothing.
std::optional<std::string> NormaliseEditorText(std::string_view text, GridLimits limits);

// Runs an operation on the grid that reports whether it changed cells, and lists the cells
// whose text it changed.
GridOutcome Changing(GridModel& grid, const std::function<bool()>& operation);

// What a value brought to a cell's limit left, for the status bar: "150 is above 100 %:
// stored 100.0". Nothing for a value within the limits.
std::optional<std::string> LimitNote(double typed, const GridLimits& limits,
                                     std::string_view stored);
// The notes of one change as one line: the first, and how many more cells were brought to
// their limits. Empty without notes.
std::string LimitNotes(const std::vector<std::string>& notes);

// A number as cell text, in its shortest decimal form, never "-0".
std::string CellNumberText(double value);

}  // namespace vx42
