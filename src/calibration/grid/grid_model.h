#pragma once
// A table of the output tabs as plain data: rows x columns of cell texts, the active cell
// (Row, Col) and the opposite corner of the selection (RowSel, ColSel). The window mirrors
// its grid control into this model, runs an editing operation on it, and shows the result.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/numbers.h"

namespace vx42 {

// A rectangle of cells, ends included, top <= bottom and left <= right.
struct CellRange {
    int top = 0;
    int left = 0;
    int bottom = 0;
    int right = 0;

    int RowCount() const { return bottom - top + 1; }
    int ColCount() const { return right - left + 1; }
    bool Contains(int row, int col) const {
        return row >= top && row <= bottom && col >= left && col <= right;
    }
};

// One cell's text, as shown or as to be shown.
struct CellText {
    int row = 0;
    int col = 0;
    std::string text;
    bool operator==(const CellText&) const = default;
};

// One cell's text before and after a change, and the number the change left in it (nothing
// when the cell holds no number).
struct CellChange {
    int row = 0;
    int col = 0;
    std::string before;
    std::string after;
    std::optional<double> value;
    bool operator==(const CellChange&) const = default;
};

class GridModel {
  public:
    // A grid of empty cells with the active cell at the first non-fixed cell.
    // `lockedCorner`: the cell (0, 0) holds nothing and no operation may change it.
    GridModel(int rows, int cols, int fixedRows, int fixedCols, bool lockedCorner);

    // The analog table: 7 x 17, battery breakpoints in column 0, data breakpoints in row 0,
    // an empty corner.
    static GridModel AnalogTable();
    // The frequency table: 2 x 16, data breakpoints in row 0, frequencies in row 1.
    static GridModel FreqTable();

    int Rows() const { return rows_; }
    int Cols() const { return cols_; }
    int FixedRows() const { return fixedRows_; }
    int FixedCols() const { return fixedCols_; }
    bool LockedCorner() const { return lockedCorner_; }

    bool Contains(int row, int col) const;
    // True when an operation may write the cell: inside the grid and not the locked corner.
    bool Writable(int row, int col) const;

    // The text of a cell; empty outside the grid.
    const std::string& Text(int row, int col) const;
    // Sets the text of a writable cell; returns false (and changes nothing) otherwise. The
    // cell's number is then read from the text.
    bool SetText(int row, int col, std::string text);
    // The number a cell holds: the exact value it was given, or else its text read as a
    // number. Operations compute from this, never from a rounded display text.
    std::optional<double> Number(int row, int col) const;
    // The exact value a cell was given, if any (nothing outside the grid).
    std::optional<double> Exact(int row, int col) const {
        return Contains(row, col) ? numbers_[Index(row, col)] : std::nullopt;
    }
    // Sets a writable cell to a number, shown in its shortest decimal form (a cell already
    // holding exactly that number keeps its text).
    bool SetNumber(int row, int col, double value);
    // Gives the cells of a row their exact values (the texts stay as shown), from `firstCol`.
    void SetRowNumbers(int row, const std::vector<std::optional<double>>& values, int firstCol = 0);

    // Sets every cell of a row from the given texts, starting at column `firstCol`.
    void SetRow(int row, const std::vector<std::string>& texts, int firstCol = 0);

    // The selection with its corners put in order, limited to the grid.
    CellRange Selection() const;
    // Makes (row, col) the active cell and (rowSel, colSel) the opposite corner; values
    // outside the grid are brought to its nearest edge.
    void Select(int row, int col, int rowSel, int colSel);
    void Select(int row, int col) { Select(row, col, row, col); }
    bool SingleCell() const { return Row == RowSel && Col == ColSel; }

    int Row = 0;
    int Col = 0;
    int RowSel = 0;
    int ColSel = 0;

  private:
    int Index(int row, int col) const { return row * cols_ + col; }

    int rows_;
    int cols_;
    int fixedRows_;
    int fixedCols_;
    bool lockedCorner_;
    std::vector<std::string> cells_;
    std::vector<std::optional<double>> numbers_;  // exact values; nothing: read the text
};

// The cells whose number (or, for cells holding none, text) differs between two grids of
// the same size, row by row.
std::vector<CellChange> DiffCells(const GridModel& before, const GridModel& after);

// The one reading of a number typed or pasted into a table cell: blanks are ignored, "." is
// the decimal point (a leading one reads as "0."), optional sign and exponent, nothing
// else. A "," is refused rather than read as a decimal point or a thousands separator, so
// "1,5" is never taken for 1 or 15. Empty or non-numeric text gives nothing.
std::optional<double> ReadCellNumber(std::string_view text);

// Column widths of a grid `gridWidth` wide. With a first width of 0 every column gets the
// grid's width divided by the column count; otherwise column 0 gets `firstColumnWidth` and
// every other column the remaining width divided among them (never below 0). Whole
// numbers, halves to even.
std::vector<int> SizeGridColumns(int gridWidth, int columnCount, int firstColumnWidth);

}  // namespace vx42
