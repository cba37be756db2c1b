#pragma once
// The gauge tables of an output: the analog table (duty cycle against data and battery
// voltage), the frequency table of a speedo/tach output, the reduced table of a voltage
// output, and the two fills of breakpoints.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/prompt.h"
#include "calibration/outputs/output_scope.h"

namespace vx42 {

enum class TableGrid { Analog, Freq };  // `mshAnalogTable`, `mshFreqTable`

struct GridSize {
    int rows;
    int cols;
};
constexpr GridSize kAnalogGrid{7, 17};  // row 0 and column 0 are headers
constexpr GridSize kFreqGrid{2, 16};    // row 0 breakpoints, row 1 frequencies
constexpr GridSize SizeOf(TableGrid grid) {
    return grid == TableGrid::Analog ? kAnalogGrid : kFreqGrid;
}

// What a cell of a grid holds.
enum class CellKind { None, DataBreakpoint, Battery, Duty, Frequency };
CellKind CellKindOf(TableGrid grid, int row, int col);
// The module address of a cell's word; nothing for the corner and cells outside the grid.
std::optional<int> CellAddress(const OutputScope& out, TableGrid grid, int row, int col);

// A cell as shown; empty for the corner and cells outside the grid.
std::string GetTableCellText(const OutputScope& out, TableGrid grid, int row, int col);
// Stores a typed value into a cell by its store rule and writes the word.
void StoreTableCell(const OutputEdit& out, TableGrid grid, int row, int col, double typed);
// Commits the text of a cell's editor: clamped to the cell's range (duty 0-100 %,
// frequency 0-6553.5 Hz, frequency-table breakpoints 0-65535; analog breakpoints and
// battery voltages by the word store only), stored, and returned as the cell now shows.
std::string CommitTableCell(const OutputEdit& out, TableGrid grid, int row, int col,
                            std::string_view text);

using TableTexts = std::vector<std::vector<std::string>>;  // [row][col]
// Every cell of a grid as shown (headers included).
TableTexts GetTableTexts(const OutputScope& out, TableGrid grid);
// Stores every cell of a grid but the corner from its text, row by row, and returns the grid
// as then shown: the commit after an operation changed many cells at once.
TableTexts StoreWholeTable(const OutputEdit& out, TableGrid grid, const TableTexts& texts);
inline TableTexts StoreCalValIfChanged(const OutputEdit& out, const TableTexts& texts) {
    return StoreWholeTable(out, TableGrid::Analog, texts);
}

// ---- Voltage output: the analog table reduced to two data points.
inline constexpr std::array<const char*, 2> kVoltOutDutyCaptions = {"Min Duty Cycle",
                                                                    "Max Duty Cycle"};
inline constexpr std::array<const char*, 2> kVoltOutDataCaptions = {"CAN Data Min", "CAN Data Max"};
// `txtVoltOutDuty(i)`: 0-100 %, into column 1 (i = 0) or columns 2-16 (i = 1) of every
// battery row, column by column; shows the value of row 1 of its first column.
std::string StoreVoltOutDuty(const OutputEdit& out, int index, std::string_view text);
std::string VoltOutDutyText(const OutputScope& out, int index);
// `txtVoltOutData(i)`: within the data range, into breakpoint 1 (i = 0) or 2-16 (i = 1).
std::string StoreVoltOutData(const OutputEdit& out, int index, std::string_view text);
std::string VoltOutDataText(const OutputScope& out, int index);

// ---- Breakpoint fills.
inline constexpr std::array<unsigned, 6> kDefaultBatteryWords = {595, 743, 892, 1043, 1192, 1341};
void SetDefaultBatteryBreakpoints(const OutputEdit& out);

inline constexpr const char* kNoPrimaryMessageText =
    "Select a primary CAN message first: the breakpoints are set to the range of its data.";
inline constexpr const char* kSetBreakpointsCaption =
    "Set Breakpoints To Min And Max Of Primary CAN Message";
// Spreads the 16 data breakpoints evenly over 0 .. 2^bitLength - 1 of the primary message
// and writes them as two 16-byte writes. Without a primary message (no bit length) it
// stores nothing, says so, and returns false.
bool SetBreakpointsToMessageRange(const OutputEdit& out, std::optional<int> primaryBitLength,
                                  Prompt& prompt);

}  // namespace vx42
