// The editing operations of the output tables.
#include "calibration/grid/grid_ops.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>

#include "calibration/converters.h"
#include "calibration/number_format.h"

namespace vx42 {
namespace {

constexpr const char* kLinearizeTitle = "Linearize";
constexpr const char* kInterpolationTitle = "Linear Interpolation";
constexpr const char* kPercentTitle = "Percent Add/Subtract";
constexpr const char* kPercentPrompt =
    "Please enter the percentage you would like to add/subtract. Allowable ranges are between "
    "-99 to 99. (Ex. 12 or -25)";
constexpr const char* kPercentRange = "Please enter a value between +/- 99";
constexpr const char* kAmountTitle = "Increase/Decrease";
constexpr const char* kAmountPrompt =
    "Please enter the amount to add to every selected cell. A negative amount subtracts. "
    "(Ex. 5 or -5)";
constexpr const char* kSetTitle = "Set Selection";
constexpr const char* kSetPrompt =
    "Please enter the value you would like to set the entire selection to.";

bool IsBlank(std::string_view text) {
    return text.find_first_not_of(" \t") == text.npos;
}

// A cell's number as an operation reads it; an empty or non-numeric cell counts as 0.
double NumberAt(const GridModel& grid, int row, int col) {
    return grid.Number(row, col).value_or(0);
}

// The number of an answer; a text that is no number is refused with a message.
std::optional<double> AnswerNumber(const std::string& answer, Prompt& prompt) {
    const auto value = ReadCellNumber(answer);
    if (!value) RefuseNotANumber(prompt, answer);
    return value;
}

// Writes f(cell number) into every writable cell of the selection, corners put in order.
void ForEachSelected(GridModel& grid, const std::function<double(double)>& f) {
    const CellRange sel = grid.Selection();
    for (int r = sel.top; r <= sel.bottom; ++r) {
        for (int c = sel.left; c <= sel.right; ++c) {
            if (grid.Writable(r, c)) grid.SetNumber(r, c, f(NumberAt(grid, r, c)));
        }
    }
}

// The columns of a one-row selection, for linearize and linear interpolation.
struct RowSpan {
    int row;
    int left;
    int right;
};

std::optional<RowSpan> OneRowSpan(GridModel& grid, Prompt& prompt, const char* title,
                                  const char* oneRowText, const char* twoPointsText) {
    if (grid.RowSel != grid.Row) {
        grid.RowSel = grid.Row;
        prompt.Message(oneRowText, title);
        return std::nullopt;
    }
    RowSpan span{grid.Row, std::min(grid.Col, grid.ColSel), std::max(grid.Col, grid.ColSel)};
    // The locked corner holds no point of the row.
    if (!grid.Writable(span.row, span.left)) ++span.left;
    if (span.left >= span.right) {
        grid.RowSel = grid.Row;
        prompt.Message(twoPointsText, title);
        return std::nullopt;
    }
    return span;
}

bool Linearize(GridModel& grid, Prompt& prompt) {
    const auto span =
        OneRowSpan(grid, prompt, kLinearizeTitle, "You may only linearize 1 row at a time.",
                   "You must select two or more points to linearize.");
    if (!span) return false;
    const double yL = NumberAt(grid, span->row, span->left);
    const double yR = NumberAt(grid, span->row, span->right);
    // Every cell of the line is a whole number, its two ends included.
    for (int c = span->left; c <= span->right; ++c) {
        const double y = yL + (c - span->left) * (yR - yL) / (span->right - span->left);
        grid.SetNumber(span->row, c, RoundHalfEven(y));
    }
    return true;
}

bool LinearInterpolation(GridModel& grid, Prompt& prompt) {
    const auto span =
        OneRowSpan(grid, prompt, kInterpolationTitle,
                   "You may only use linear Interpolation on 1 row at a time.",
                   "You must select two or more points to do a linear Interpolation.");
    if (!span) return false;
    const double yL = NumberAt(grid, span->row, span->left);
    const double yR = NumberAt(grid, span->row, span->right);
    const double xL = NumberAt(grid, 0, span->left);
    const double xR = NumberAt(grid, 0, span->right);
    if (xL == xR) {
        prompt.Message(
            "The breakpoints at both ends of the selection are equal, so there is nothing to "
            "interpolate between.",
            kInterpolationTitle);
        return false;
    }
    for (int c = span->left; c <= span->right; ++c) {
        const double x = NumberAt(grid, 0, c);
        grid.SetNumber(span->row, c, yL + (x - xL) * (yR - yL) / (xR - xL));
    }
    return true;
}

bool PercentChange(GridModel& grid, GridLimits limits, Prompt& prompt) {
    const auto answer = prompt.InputBox(kPercentPrompt, kPercentTitle, "");
    if (!answer || IsBlank(*answer)) return false;
    const auto percent = AnswerNumber(*answer, prompt);
    if (!percent) return false;
    const double factor = 1 + *percent / 100;
    if (!(factor >= 0.01 && factor <= 1.99)) {
        prompt.Message(kPercentRange, kPercentTitle);
        return false;
    }
    ForEachSelected(grid, [&](double value) {
        return ClampRound(value * factor, limits.lowest, limits.highest, 0);
    });
    return true;
}

// Ctrl with "+" or "-": an empty or non-numeric cell counts as 0.
bool AddOne(GridModel& grid, GridLimits limits, double delta) {
    ForEachSelected(grid, [&](double value) {
        return ClampRound(value + delta, limits.lowest, limits.highest, 0);
    });
    return true;
}

bool IncreaseDecrease(GridModel& grid, GridLimits limits, Prompt& prompt) {
    const auto answer = prompt.InputBox(kAmountPrompt, kAmountTitle, "");
    if (!answer || IsBlank(*answer)) return false;
    const auto amount = AnswerNumber(*answer, prompt);
    if (!amount) return false;
    ForEachSelected(grid, [&](double value) {
        return ClampRound(value + *amount, limits.lowest, limits.highest, 0);
    });
    return true;
}

bool IsDigit(int code) {
    return code >= '0' && code <= '9';
}

// The keys that open the editor with the active cell's text: Backspace, Enter, Space and
// the other control codes except Tab, Shift and Ctrl.
bool OpensWithCellText(int code) {
    return (code >= 0 && code <= 8) || (code >= 10 && code <= 15) || (code >= 18 && code <= 32);
}

GridOutcome OpenEditor(std::string text) {
    GridOutcome out;
    out.openEditor = true;
    out.editorText = std::move(text);
    return out;
}

bool SetSelection(GridModel& grid, GridLimits limits, const std::string& initialText,
                  Prompt& prompt) {
    const auto answer = prompt.InputBox(kSetPrompt, kSetTitle, initialText);
    if (!answer || IsBlank(*answer)) return false;
    const auto value = AnswerNumber(*answer, prompt);
    if (!value) return false;
    // A value beyond the cells' range is refused: no cell changes.
    if (!(*value >= limits.lowest && *value <= limits.highest)) {
        prompt.Message("Please enter a value between " + CellNumberText(limits.lowest) + " and " +
                           CellNumberText(limits.highest) + ".",
                       kSetTitle);
        return false;
    }
    ForEachSelected(grid, [&](double) { return *value; });
    return true;
}

}  // namespace

GridLimits AnalogTableLimits() {
    return {0, 65535};
}

GridLimits FreqTableLimits(int activeRow) {
    return activeRow == 0 ? GridLimits{0, 65535} : GridLimits{0, 6553.5};
}

double ClampRound(double value, double lowest, double highest, int digits) {
    if (value < lowest) return lowest;
    if (value > highest) return highest;
    return RoundHalfEven(value, digits);
}

GridOutcome Changing(GridModel& grid, const std::function<bool()>& operation) {
    const GridModel before = grid;
    GridOutcome out;
    out.changed = operation();
    if (out.changed) out.cells = DiffCells(before, grid);
    return out;
}

std::string CellNumberText(double value) {
    return ShortestText(value + 0.0);
}

std::optional<std::string> LimitNote(double typed, const GridLimits& limits,
                                     std::string_view stored) {
    const bool above = typed > limits.highest;
    if (!above && !(typed < limits.lowest)) return std::nullopt;
    std::string note = CellNumberText(typed) + (above ? " is above " : " is below ") +
                       CellNumberText(above ? limits.highest : limits.lowest);
    if (!limits.unit.empty()) note += " " + limits.unit;
    return note + ": stored " + std::string(stored);
}

std::string LimitNotes(const std::vector<std::string>& notes) {
    if (notes.empty()) return {};
    if (notes.size() == 1) return notes.front();
    const std::size_t more = notes.size() - 1;
    return notes.front() + " (and " + std::to_string(more) +
           (more == 1 ? " more cell" : " more cells") + " stored at " +
           (more == 1 ? "its limit)" : "their limits)");
}

GridOutcome SetSelectionTo(GridModel& grid, GridLimits limits, const std::string& initialText,
                           Prompt& prompt) {
    GridOutcome out =
        Changing(grid, [&] { return SetSelection(grid, limits, initialText, prompt); });
    out.step = kSetTitle;
    return out;
}

GridOutcome GridKeyDown(GridModel& grid, const GridKey& key, GridLimits limits, Prompt& prompt) {
    if (!grid.Writable(grid.Row, grid.Col)) return {};
    const int code = key.code;
    if (key.ctrl) {
        auto named = [](GridOutcome out, const char* step) {
            out.step = step;
            return out;
        };
        switch (code) {
            case 'L':
                return named(Changing(grid, [&] { return Linearize(grid, prompt); }), "Linearize");
            case 'T':
                return named(Changing(grid, [&] { return LinearInterpolation(grid, prompt); }),
                             "Linear Interpolation");
            case 'P':
                return named(Changing(grid, [&] { return PercentChange(grid, limits, prompt); }),
                             "Percent Add/Subtract");
            case keys::kPlus:
                return named(Changing(grid, [&] { return AddOne(grid, limits, +1); }),
                             "Increase 1");
            case keys::kMinus:
                return named(Changing(grid, [&] { return AddOne(grid, limits, -1); }),
                             "Decrease 1");
            case 'I':
                return named(Changing(grid, [&] { return IncreaseDecrease(grid, limits, prompt); }),
                             "Increase/Decrease");
            case 'J':
                return SetSelectionTo(grid, limits, "", prompt);
            default:
                break;
        }
    }
    if (code == keys::kTab) return {};
    if (OpensWithCellText(code)) return OpenEditor(grid.Text(grid.Row, grid.Col));
    if (IsDigit(code)) {
        const std::string digit(1, static_cast<char>(code));
        // With several cells selected the digit starts "Set Selection"; the cells it sets
        // are reported so that they are stored like any other change.
        if (!grid.SingleCell()) return SetSelectionTo(grid, limits, digit, prompt);
        return OpenEditor(digit);
    }
    if (code == keys::kMinus) return OpenEditor("-");
    if (code == keys::kPeriod) return OpenEditor(".");
    return {};
}

GridOutcome GridDoubleClick(GridModel& grid, Prompt& prompt) {
    return GridKeyDown(grid, GridKey::Plain(keys::kSpace), GridLimits{0, 0}, prompt);
}

std::optional<std::string> NormaliseEditorText(std::string_view text, GridLimits limits) {
    if (IsBlank(text)) return CellNumberText(std::max(0.0, limits.lowest));
    const auto value = ReadCellNumber(text);
    if (!value) return std::nullopt;
    return CellNumberText(Clamp(*value, limits.lowest, limits.highest));
}

EditorAction EditorKeyDown(GridModel& grid, int keyCode, std::string& editText, GridLimits limits) {
    switch (keyCode) {
        case keys::kEnter:
            if (const auto normal = NormaliseEditorText(editText, limits)) {
                editText = *normal;
                return EditorAction::Store;
            }
            return EditorAction::Refuse;
        case keys::kEscape:
            return EditorAction::Cancel;
        case keys::kUp:
            if (grid.Row > grid.FixedRows()) grid.Select(grid.Row - 1, grid.Col);
            return EditorAction::ToTable;
        case keys::kDown:
            if (grid.Row < grid.Rows() - 1) grid.Select(grid.Row + 1, grid.Col);
            return EditorAction::ToTable;
        default:
            return EditorAction::None;
    }
}

}  // namespace vx42
