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

GridOutcome PasteSelectionText(GridModel& grid, std::string_view text) {
    return Changing(grid, [&] {
        const CellRange sel = grid.Selection();
        const auto lines = SplitLines(text);
        bool wrote = false;
        for (int i = 0; i < static_cast<int>(lines.size()) && i < sel.RowCount(); ++i) {
            const auto fields = SplitFields(lines[i]);
            for (int j = 0; j < static_cast<int>(fields.size()) && j < sel.ColCount(); ++j) {
                const auto value = ReadCellNumber(fields[j]);
                if (value && grid.SetText(sel.top + i, sel.left + j, CellNumberText(*value))) {
                    wrote = true;
                }
            }
        }
        return wrote;
    });
}

}  // namespace vx42
