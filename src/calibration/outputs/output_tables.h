#pragma once
// The gauge tables of an output: the analog table (duty cycle against data and battery
// voltage), the frequency table of a speedo/tach output, the reduced table of a voltage
// output, and the two fills of breakpoints.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/prompt.h"
#include "calibration/grid/grid_history.h"
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
// A cell's exact value in the units it is shown in (percent, hertz, volts, the data's
// units), unrounded; nothing for the corner and cells outside the grid.
std::optional<double> GetTableCellValue(const OutputScope& out, TableGrid grid, int row, int col);
// The word a cell stores now; nothing for the corner and cells outside the grid.
std::optional<unsigned> TableCellWord(const OutputScope& out, TableGrid grid, int row, int col);

// The highest word a cell may store: a duty cell's on-time never exceeds the period
// (100 %); every other cell takes any word.
unsigned CellWordMaximum(const OutputScope& out, TableGrid grid, int row, int col);
// The word a typed value stores into a cell: the cell's store rule, then the one clamp every
// path into a cell goes through (0 to `CellWordMaximum`). Limits apply to the stored word,
// so a formatted breakpoint below 0 in its units is taken wherever its word is in range.
unsigned TypedCellWord(const OutputScope& out, TableGrid grid, int row, int col, double typed);
// The range of the values the selected cells can show, lowest first: the one their stored
// words allow (duty 0 to 100 %, frequency 0 to 6553.5 Hz, breakpoints the data's range).
DataRange TableLimits(const OutputScope& out, TableGrid grid, int top, int left, int bottom,
                      int right);

// The unit a cell's value is shown in: "%", "Hz", "V", or a formatted breakpoint's unit;
// nothing for a breakpoint shown raw.
std::string TableCellUnit(const OutputScope& out, TableGrid grid, int row, int col);

// Stores a typed value into a cell and writes its word: the single-cell edit.
void StoreTableCell(const OutputEdit& out, TableGrid grid, int row, int col, double typed);
// Commits the text of a cell's editor: read as a cell number, stored (clamped as every
// path is) and returned as the cell now shows. A text that is not a number stores nothing
// and gives nothing.
std::optional<std::string> CommitTableCell(const OutputEdit& out, TableGrid grid, int row, int col,
                                           std::string_view text);

// Many cells of one table stored at once (a grid operation, a paste, a preset, an undo):
// only cells whose word changes are stored, and `Finish` writes them to the module as few
// staged changes as the staging area allows.
class TableCellBatch {
  public:
    TableCellBatch(const OutputEdit& out, TableGrid grid) : out_(out), grid_(grid) {}
    // A typed value, by the cell's store rule and clamp.
    void Store(int row, int col, double typed);
    // A stored word as it was (undo and redo).
    void StoreWord(int row, int col, unsigned word);
    // Writes the changed cells and gives each one's word before and after.
    std::vector<WordChange> Finish();

  private:
    OutputEdit out_;
    TableGrid grid_;
    std::vector<WordChange> changes_;
};

// Whether the image holds what an undo or redo step expects there: each cell's stored word in
// its output's table, or each run of bytes.
GridHistory::Holds StepHolds(const CalImage& image, const FormatContext& ctx);

struct CellValue {
    int row = 0;
    int col = 0;
    double value = 0;
};
// Stores the values an operation computed, exactly those cells, as one batch.
std::vector<WordChange> StoreTableValues(const OutputEdit& out, TableGrid grid,
                                         const std::vector<CellValue>& cells);

using TableTexts = std::vector<std::vector<std::string>>;  // [row][col]
using TableValues = std::vector<std::vector<std::optional<double>>>;
// Every cell of a grid as shown (headers included), and its exact values.
TableTexts GetTableTexts(const OutputScope& out, TableGrid grid);
TableValues GetTableValues(const OutputScope& out, TableGrid grid);

// ---- Voltage output: the analog table reduced to two data points.
inline constexpr std::array<const char*, 2> kVoltOutDutyCaptions = {"Min Duty Cycle",
                                                                    "Max Duty Cycle"};
inline constexpr std::array<const char*, 2> kVoltOutDataCaptions = {"CAN Data Min", "CAN Data Max"};
// `txtVoltOutDuty(i)`: 0-100 %, into column 1 (i = 0) or columns 2-16 (i = 1) of every
// battery row as one batch; shows the value of row 1 of its first column. A text that is
// not a number is refused with a message.
std::string StoreVoltOutDuty(const OutputEdit& out, int index, std::string_view text,
                             Prompt& prompt);
std::string VoltOutDutyText(const OutputScope& out, int index);
// `txtVoltOutData(i)`: within the data range, into breakpoint 1 (i = 0) or 2-16 (i = 1).
std::string StoreVoltOutData(const OutputEdit& out, int index, std::string_view text,
                             Prompt& prompt);
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
