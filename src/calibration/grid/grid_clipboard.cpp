// Copy and paste of table cells as clipboard text.
#include "calibration/grid/grid_clipboard.h"

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

GridOutcome PasteSelectionText(GridModel& grid, std::string_view text, Prompt& prompt) {
    const CellRange sel = grid.Selection();
    const auto lines = SplitLines(text);
    // The fields that land in the selection: all of them numbers, or nothing is pasted.
    std::vector<CellText> fields;
    for (int i = 0; i < static_cast<int>(lines.size()) && i < sel.RowCount(); ++i) {
        const auto line = SplitFields(lines[i]);
        for (int j = 0; j < static_cast<int>(line.size()) && j < sel.ColCount(); ++j) {
            if (line[j].find_first_not_of(" \t") == std::string_view::npos) continue;
            if (!ReadCellNumber(line[j])) {
                RefuseNotANumber(prompt, line[j]);
                return {};
            }
            fields.push_back({sel.top + i, sel.left + j, std::string(line[j])});
        }
    }
    return Changing(grid, [&] {
        bool wrote = false;
        for (const CellText& field : fields) {
            if (grid.SetNumber(field.row, field.col, *ReadCellNumber(field.text))) wrote = true;
        }
        return wrote;
    });
}

}  // namespace vx42
