#include "calibration/outputs/output_tables.h"

#include <algorithm>
#include <cmath>

#include "calibration/converters.h"
#include "calibration/number_format.h"
#include "calibration/outputs/entry_filters.h"

namespace vx42 {
namespace {

constexpr double kMaxFrequency = 6553.5;  // Hz: the word of tenths

bool Inside(TableGrid grid, int row, int col) {
    const GridSize size = SizeOf(grid);
    return row >= 0 && row < size.rows && col >= 0 && col < size.cols;
}

// The data breakpoint (1 to 16) a cell holds.
int BreakpointNumber(TableGrid grid, int col) {
    return grid == TableGrid::Analog ? col : col + 1;
}

int BreakpointAddress(const OutputScope& out, int number) {
    return out.Cal().PrimaryBlock + 2 * (number - 1);
}

int DutyAddress(const OutputScope& out, int row, int col) {
    return out.Cal().TableBlock + 32 * (row - 1) + 2 * (col - 1);
}

}  // namespace

CellKind CellKindOf(TableGrid grid, int row, int col) {
    if (!Inside(grid, row, col)) return CellKind::None;
    if (grid == TableGrid::Freq) return row == 0 ? CellKind::DataBreakpoint : CellKind::Frequency;
    if (row == 0) return col == 0 ? CellKind::None : CellKind::DataBreakpoint;
    return col == 0 ? CellKind::Battery : CellKind::Duty;
}

std::optional<int> CellAddress(const OutputScope& out, TableGrid grid, int row, int col) {
    switch (CellKindOf(grid, row, col)) {
        case CellKind::None:
            return std::nullopt;
        case CellKind::DataBreakpoint:
            return BreakpointAddress(out, BreakpointNumber(grid, col));
        case CellKind::Battery:
            return out.Cal().SecondaryBlock + 2 * (row - 1);
        case CellKind::Duty:
            return DutyAddress(out, row, col);
        case CellKind::Frequency:
            return out.Cal().TableBlock + 2 * col;
    }
    return std::nullopt;
}

std::string GetTableCellText(const OutputScope& out, TableGrid grid, int row, int col) {
    const auto address = CellAddress(out, grid, row, col);
    if (!address) return {};
    const unsigned raw = out.image.Word(*address);
    switch (CellKindOf(grid, row, col)) {
        case CellKind::DataBreakpoint:
            return GetFormatedCalVal(raw, out.image, out.output, 0, out.ctx);
        case CellKind::Battery:
            return FormatNumber(raw * 55.0 / 4096, Pattern::TwoDecimals);
        case CellKind::Duty:
            return FormatNumber(raw / out.Period() * 100, Pattern::OneDecimal);
        case CellKind::Frequency:
            return FormatNumber(raw / 10.0, Pattern::OneDecimal);
        case CellKind::None:
            break;
    }
    return {};
}

void StoreTableCell(const OutputEdit& out, TableGrid grid, int row, int col, double typed) {
    const OutputScope scope = out.Scope();
    const auto address = CellAddress(scope, grid, row, col);
    if (!address) return;
    double word = 0;
    switch (CellKindOf(grid, row, col)) {
        case CellKind::DataBreakpoint:
            word = SetFormatedValueToWrite(typed, scope.image, scope.output, 0, scope.ctx);
            break;
        case CellKind::Battery:
            word = VoltsToRaw(typed);
            break;
        case CellKind::Duty:
            word = OnTimeCounts(typed, scope.Period());
            break;
        case CellKind::Frequency:
            word = TenthsCounts(typed);
            break;
        case CellKind::None:
            return;
    }
    out.edit.StoreAndWriteWord(*address, word);
}

std::string CommitTableCell(const OutputEdit& out, TableGrid grid, int row, int col,
                            std::string_view text) {
    double value = EnteredNumber(text);
    switch (CellKindOf(grid, row, col)) {
        case CellKind::Duty:
            value = Clamp(value, 0, 100);
            break;
        case CellKind::Frequency:
            value = Clamp(value, 0, kMaxFrequency);
            break;
        case CellKind::DataBreakpoint:
            if (grid == TableGrid::Freq) value = Clamp(value, 0, 65535);
            break;
        case CellKind::Battery:
        case CellKind::None:
            break;
    }
    StoreTableCell(out, grid, row, col, value);
    return GetTableCellText(out.Scope(), grid, row, col);
}

TableTexts GetTableTexts(const OutputScope& out, TableGrid grid) {
    const GridSize size = SizeOf(grid);
    TableTexts texts(static_cast<std::size_t>(size.rows));
    for (int r = 0; r < size.rows; ++r)
        for (int c = 0; c < size.cols; ++c) texts[r].push_back(GetTableCellText(out, grid, r, c));
    return texts;
}

TableTexts StoreWholeTable(const OutputEdit& out, TableGrid grid, const TableTexts& texts) {
    const GridSize size = SizeOf(grid);
    for (int r = 0; r < size.rows && r < static_cast<int>(texts.size()); ++r)
        for (int c = 0; c < size.cols && c < static_cast<int>(texts[r].size()); ++c)
            if (CellKindOf(grid, r, c) != CellKind::None)
                StoreTableCell(out, grid, r, c, EnteredNumber(texts[r][c]));
    return GetTableTexts(out.Scope(), grid);
}

namespace {
// The first and last analog column a voltage-output box fills.
std::pair<int, int> VoltOutColumns(int index) {
    return index == 0 ? std::pair{1, 1} : std::pair{2, kAnalogGrid.cols - 1};
}
}  // namespace

std::string StoreVoltOutDuty(const OutputEdit& out, int index, std::string_view text) {
    const double percent = Clamp(EnteredNumber(text), 0, 100);
    const auto [first, last] = VoltOutColumns(index);
    for (int c = first; c <= last; ++c)
        for (int r = 1; r < kAnalogGrid.rows; ++r)
            StoreTableCell(out, TableGrid::Analog, r, c, percent);
    return VoltOutDutyText(out.Scope(), index);
}

std::string VoltOutDutyText(const OutputScope& out, int index) {
    return GetTableCellText(out, TableGrid::Analog, 1, VoltOutColumns(index).first);
}

std::string StoreVoltOutData(const OutputEdit& out, int index, std::string_view text) {
    const DataRange range = out.Scope().Range(0);
    const double value = Clamp(EnteredNumber(text), range.minimum, range.maximum);
    const auto [first, last] = VoltOutColumns(index);
    for (int c = first; c <= last; ++c) StoreTableCell(out, TableGrid::Analog, 0, c, value);
    return VoltOutDataText(out.Scope(), index);
}

std::string VoltOutDataText(const OutputScope& out, int index) {
    return GetTableCellText(out, TableGrid::Analog, 0, VoltOutColumns(index).first);
}

void SetDefaultBatteryBreakpoints(const OutputEdit& out) {
    const int block = out.Scope().Cal().SecondaryBlock;
    for (std::size_t k = 0; k < kDefaultBatteryWords.size(); ++k)
        out.edit.StoreAndWriteWord(block + 2 * static_cast<int>(k), kDefaultBatteryWords[k]);
}

bool SetBreakpointsToMessageRange(const OutputEdit& out, std::optional<int> primaryBitLength,
                                  Prompt& prompt) {
    if (!primaryBitLength) {
        prompt.Message(kNoPrimaryMessageText, kSetBreakpointsCaption, Icon::Exclamation);
        return false;
    }
    // A signal holds 1 to 16 bits; a definition outside that cannot be spread over a word.
    const int bits = std::clamp(*primaryBitLength, 1, 16);
    const double maximum = std::ldexp(1.0, bits) - 1;
    const double step = maximum / 15;
    const OutputScope scope = out.Scope();
    for (int k = 1; k <= 16; ++k)
        out.edit.StoreWord(BreakpointAddress(scope, k), RoundHalfEven((k - 1) * step));
    out.edit.Write(scope.Cal().PrimaryBlock, width::PrimaryBlock);
    return true;
}

}  // namespace vx42
