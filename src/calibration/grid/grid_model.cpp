// A table of the output tabs as plain data.
#include "calibration/grid/grid_model.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "calibration/converters.h"
#include "calibration/number_format.h"

namespace vx42 {

GridModel::GridModel(int rows, int cols, int fixedRows, int fixedCols, bool lockedCorner)
    : rows_(std::max(rows, 1)),
      cols_(std::max(cols, 1)),
      fixedRows_(std::clamp(fixedRows, 0, rows_ - 1)),
      fixedCols_(std::clamp(fixedCols, 0, cols_ - 1)),
      lockedCorner_(lockedCorner),
      cells_(static_cast<std::size_t>(rows_) * cols_),
      numbers_(cells_.size()) {
    Select(fixedRows_, fixedCols_);
}

GridModel GridModel::AnalogTable() {
    return GridModel(7, 17, 1, 1, true);
}
GridModel GridModel::FreqTable() {
    return GridModel(2, 16, 1, 0, false);
}

bool GridModel::Contains(int row, int col) const {
    return row >= 0 && row < rows_ && col >= 0 && col < cols_;
}

bool GridModel::Writable(int row, int col) const {
    return Contains(row, col) && !(lockedCorner_ && row == 0 && col == 0);
}

const std::string& GridModel::Text(int row, int col) const {
    static const std::string kNone;
    return Contains(row, col) ? cells_[Index(row, col)] : kNone;
}

bool GridModel::SetText(int row, int col, std::string text) {
    if (!Writable(row, col)) return false;
    cells_[Index(row, col)] = std::move(text);
    numbers_[Index(row, col)].reset();
    return true;
}

std::optional<double> GridModel::Number(int row, int col) const {
    if (!Contains(row, col)) return std::nullopt;
    if (const auto& exact = numbers_[Index(row, col)]) return exact;
    return ReadCellNumber(cells_[Index(row, col)]);
}

bool GridModel::SetNumber(int row, int col, double value) {
    if (Writable(row, col) && numbers_[Index(row, col)] == value) return true;  // as shown
    if (!SetText(row, col, ShortestText(value + 0.0))) return false;
    numbers_[Index(row, col)] = value + 0.0;
    return true;
}

void GridModel::SetRowNumbers(int row, const std::vector<std::optional<double>>& values,
                              int firstCol) {
    for (std::size_t i = 0; i < values.size(); ++i) {
        const int col = firstCol + static_cast<int>(i);
        if (Writable(row, col)) numbers_[Index(row, col)] = values[i];
    }
}

void GridModel::SetRow(int row, const std::vector<std::string>& texts, int firstCol) {
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SetText(row, firstCol + static_cast<int>(i), texts[i]);
    }
}

CellRange GridModel::Selection() const {
    return {std::min(Row, RowSel), std::min(Col, ColSel), std::max(Row, RowSel),
            std::max(Col, ColSel)};
}

void GridModel::Select(int row, int col, int rowSel, int colSel) {
    Row = std::clamp(row, 0, rows_ - 1);
    Col = std::clamp(col, 0, cols_ - 1);
    RowSel = std::clamp(rowSel, 0, rows_ - 1);
    ColSel = std::clamp(colSel, 0, cols_ - 1);
}

std::vector<CellChange> DiffCells(const GridModel& before, const GridModel& after) {
    std::vector<CellChange> changes;
    const int rows = std::min(before.Rows(), after.Rows());
    const int cols = std::min(before.Cols(), after.Cols());
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            // Untouched cells are passed over without reading their texts as numbers.
            if (before.Text(r, c) == after.Text(r, c) && before.Exact(r, c) == after.Exact(r, c))
                continue;
            // A cell holding a number changed when its number did; otherwise by its text.
            const auto number = after.Number(r, c);
            if (number ? before.Number(r, c) != number : before.Text(r, c) != after.Text(r, c)) {
                changes.push_back({r, c, before.Text(r, c), after.Text(r, c), number});
            }
        }
    }
    return changes;
}

std::optional<double> ReadCellNumber(std::string_view text) {
    return ReadNumber(text, {.blanksInside = true});
}

std::vector<int> SizeGridColumns(int gridWidth, int columnCount, int firstColumnWidth) {
    std::vector<int> widths;
    if (columnCount <= 0) return widths;
    auto share = [](double width, int count) {
        return static_cast<int>(RoundHalfEven(std::max(width, 0.0) / count));
    };
    if (firstColumnWidth == 0) {
        widths.assign(columnCount, share(gridWidth, columnCount));
        return widths;
    }
    widths.push_back(firstColumnWidth);
    if (columnCount > 1) {
        widths.resize(columnCount,
                      share(static_cast<double>(gridWidth) - firstColumnWidth, columnCount - 1));
    }
    return widths;
}

}  // namespace vx42
