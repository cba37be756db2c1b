// Copy and paste of table cells as clipboard text.
#include "calibration/grid/grid_clipboard.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace vx42 {
namespace {

std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of("\r\n", start);
        if (end == text.npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start =
            end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
    }
    return lines;
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab == line.npos ? line.npos : tab - start));
        if (tab == line.npos) return fields;
        start = tab + 1;
    }
}

}  // namespace

std::string CopySelectionText(const GridModel& grid) {
    const CellRange sel = grid.Selection();
    std::string text;
    for (int r = sel.top; r <= sel.bottom; ++r) {
        if (r > sel.top) text += '\r';
        for (int c = sel.left; c <= sel.right; ++c) {
            if (c > sel.left) text += '\t';
            text += grid.Text(r, c);
        }
    }
    return text;
}

namespace {

// The fields of a text by row, and the block's size (its widest line).
struct Block {
    std::vector<std::vector<std::string_view>> rows;
    int cols = 0;
};

Block BlockOf(std::string_view text) {
    Block block;
    for (const auto line : SplitLines(text)) {
        block.rows.push_back(SplitFields(line));
        block.cols = std::max(block.cols, static_cast<int>(block.rows.back().size()));
    }
    return block;
}

bool HoldsData(std::string_view field) {
    return field.find_first_not_of(" \t") != std::string_view::npos;
}

// Calls `field(row, col, text)` for every field with data the plan writes.
void ForEachPlaced(const GridModel& grid, const Block& block, const PastePlan& plan,
                   const std::function<void(int, int, std::string_view)>& field) {
    if (plan.blockRows == 0 || plan.blockCols == 0) return;
    for (int r = plan.area.top; r <= plan.area.bottom; ++r) {
        const auto& line =
            block.rows[static_cast<std::size_t>((r - plan.area.top) % plan.blockRows)];
        for (int c = plan.area.left; c <= plan.area.right; ++c) {
            const auto j = static_cast<std::size_t>((c - plan.area.left) % plan.blockCols);
            if (j < line.size() && HoldsData(line[j]) && grid.Writable(r, c)) field(r, c, line[j]);
        }
    }
}

std::string Count(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

PastePlan PlanPaste(const GridModel& grid, std::string_view text) {
    const Block block = BlockOf(text);
    const CellRange sel = grid.Selection();
    PastePlan plan;
    plan.selection = sel;
    plan.blockRows = static_cast<int>(block.rows.size());
    plan.blockCols = block.cols;
    plan.area = {sel.top, sel.left, sel.top - 1, sel.left - 1};
    if (plan.blockRows == 0 || plan.blockCols == 0) return plan;
    const bool single = sel.RowCount() == 1 && sel.ColCount() == 1;
    const bool repeats =
        sel.RowCount() % plan.blockRows == 0 && sel.ColCount() % plan.blockCols == 0;
    // The block's extent: the whole block from one cell, repeated over the selection, or
    // once within it; and never past the table.
    int rows = plan.blockRows, cols = plan.blockCols;
    if (!single) {
        rows = repeats ? sel.RowCount() : std::min(rows, sel.RowCount());
        cols = repeats ? sel.ColCount() : std::min(cols, sel.ColCount());
    }
    plan.area.bottom = std::min(sel.top + rows, grid.Rows()) - 1;
    plan.area.right = std::min(sel.left + cols, grid.Cols()) - 1;
    plan.beyondTable = single;

    ForEachPlaced(grid, block, plan, [&](int, int, std::string_view) { ++plan.pasted; });
    // The fields of the block that found no cell.
    for (int i = 0; i < plan.blockRows; ++i) {
        const auto& line = block.rows[static_cast<std::size_t>(i)];
        for (int j = 0; j < static_cast<int>(line.size()); ++j)
            if (HoldsData(line[static_cast<std::size_t>(j)]) &&
                !plan.area.Contains(sel.top + i, sel.left + j))
                ++plan.leftOut;
    }
    plan.keptSelected =
        single ? 0 : sel.RowCount() * sel.ColCount() - plan.area.RowCount() * plan.area.ColCount();
    return plan;
}

std::string PasteReport(const PastePlan& plan) {
    const bool filled =
        plan.area.top == plan.selection.top && plan.area.left == plan.selection.left &&
        plan.area.bottom == plan.selection.bottom && plan.area.right == plan.selection.right;
    if (plan.blockRows == 0 || (filled && plan.leftOut == 0)) return {};
    std::string text = "Pasted " + Count(plan.pasted, "value", "values") + " into " +
                       Count(plan.area.RowCount(), "row", "rows") + " x " +
                       Count(plan.area.ColCount(), "column", "columns") + ".";
    if (plan.leftOut > 0)
        text += " " + Count(plan.leftOut, "value", "values") + " fell outside the " +
                (plan.beyondTable ? "table" : "selection") + " and " +
                (plan.leftOut == 1 ? "was" : "were") + " left out.";
    if (plan.keptSelected > 0)
        text += " " + Count(plan.keptSelected, "selected cell", "selected cells") +
                " had no value to take and kept " + (plan.keptSelected == 1 ? "its" : "theirs") +
                ".";
    return text;
}

GridOutcome PasteSelectionText(GridModel& grid, std::string_view text, Prompt& prompt) {
    const Block block = BlockOf(text);
    const PastePlan plan = PlanPaste(grid, text);
    // The fields that land: all of them numbers, or nothing is pasted.
    std::vector<CellText> fields;
    bool refused = false;
    ForEachPlaced(grid, block, plan, [&](int row, int col, std::string_view field) {
        if (refused) return;
        if (!ReadCellNumber(field)) {
            RefuseNotANumber(prompt, field);
            refused = true;
            return;
        }
        fields.push_back({row, col, std::string(field)});
    });
    if (refused) return {};
    GridOutcome out = Changing(grid, [&] {
        bool wrote = false;
        for (const CellText& field : fields) {
            if (grid.SetNumber(field.row, field.col, *ReadCellNumber(field.text))) wrote = true;
        }
        return wrote;
    });
    out.step = "Paste";
    if (const std::string report = PasteReport(plan); !report.empty())
        prompt.Message(report, "Paste", Icon::Information);
    return out;
}

}  // namespace vx42
