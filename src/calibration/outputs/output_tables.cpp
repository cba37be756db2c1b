// The gauge tables of an output and the fills of their breakpoints.
#include "calibration/outputs/output_tables.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/trim.h"
#include "calibration/converters.h"
#include "calibration/grid/grid_model.h"
#include "calibration/number_format.h"
#include "calibration/outputs/entry_filters.h"
#include "calibration/units.h"
#include "calibration/value_format.h"

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

std::optional<double> GetTableCellValue(const OutputScope& out, TableGrid grid, int row, int col) {
    const auto raw = TableCellWord(out, grid, row, col);
    if (!raw) return std::nullopt;
    switch (CellKindOf(grid, row, col)) {
        case CellKind::DataBreakpoint:
            return GetFormatedValue(*raw, out.image, out.output, 0, out.ctx);
        case CellKind::Battery:
            return *raw * 55.0 / 4096;
        case CellKind::Duty:
            return *raw / out.Period() * 100;
        case CellKind::Frequency:
            return *raw / 10.0;
        case CellKind::None:
            break;
    }
    return std::nullopt;
}

std::optional<unsigned> TableCellWord(const OutputScope& out, TableGrid grid, int row, int col) {
    const auto address = CellAddress(out, grid, row, col);
    if (!address) return std::nullopt;
    return out.image.Word(*address);
}

unsigned CellWordMaximum(const OutputScope& out, TableGrid grid, int row, int col) {
    if (CellKindOf(grid, row, col) == CellKind::Duty)
        return static_cast<unsigned>(Clamp(std::trunc(out.Period()), 0, 65535));
    return 65535;
}

unsigned TypedCellWord(const OutputScope& out, TableGrid grid, int row, int col, double typed) {
    double word = 0;
    switch (CellKindOf(grid, row, col)) {
        case CellKind::DataBreakpoint:
            word = SetFormatedValueToWrite(typed, out.image, out.output, 0, out.ctx);
            break;
        case CellKind::Battery:
            word = VoltsToRaw(typed);
            break;
        case CellKind::Duty:
            word = OnTimeCounts(typed, out.Period());
            break;
        case CellKind::Frequency:
            word = TenthsCounts(typed);
            break;
        case CellKind::None:
            return 0;
    }
    if (std::isnan(word)) word = 0;
    return static_cast<unsigned>(std::trunc(Clamp(word, 0, CellWordMaximum(out, grid, row, col))));
}

DataRange TableLimits(const OutputScope& out, TableGrid grid, int top, int left, int bottom,
                      int right) {
    std::optional<DataRange> limits;
    for (int r = top; r <= bottom; ++r) {
        for (int c = left; c <= right; ++c) {
            const auto address = CellAddress(out, grid, r, c);
            if (!address) continue;
            DataRange cell{0, 65535};
            switch (CellKindOf(grid, r, c)) {
                case CellKind::DataBreakpoint:
                    cell = out.Range(0);
                    break;
                case CellKind::Battery:
                    cell = {0, 65535 * 55.0 / 4096};
                    break;
                case CellKind::Duty:
                    cell = {0, CellWordMaximum(out, grid, r, c) / out.Period() * 100};
                    break;
                case CellKind::Frequency:
                    cell = {0, kMaxFrequency};
                    break;
                case CellKind::None:
                    continue;
            }
            if (!limits) limits = cell;
            limits->minimum = std::min(limits->minimum, cell.minimum);
            limits->maximum = std::max(limits->maximum, cell.maximum);
        }
    }
    return limits.value_or(DataRange{0, 0});
}

std::string TableCellUnit(const OutputScope& out, TableGrid grid, int row, int col) {
    switch (CellKindOf(grid, row, col)) {
        case CellKind::DataBreakpoint:
            if (!FormattingApplies(out.image, out.output, 0, out.ctx)) return {};
            return DisplayUnitLabel(Trimmed(out.ctx.data[0].Unit), out.ctx.units);
        case CellKind::Battery:
            return "V";
        case CellKind::Duty:
            return "%";
        case CellKind::Frequency:
            return "Hz";
        case CellKind::None:
            break;
    }
    return {};
}

void StoreTableCell(const OutputEdit& out, TableGrid grid, int row, int col, double typed) {
    const OutputScope scope = out.Scope();
    const auto address = CellAddress(scope, grid, row, col);
    if (!address) return;
    out.edit.StoreAndWriteWord(*address, TypedCellWord(scope, grid, row, col, typed));
}

std::optional<std::string> CommitTableCell(const OutputEdit& out, TableGrid grid, int row, int col,
                                           std::string_view text) {
    const auto value = ReadCellNumber(text);
    if (!value) return std::nullopt;
    StoreTableCell(out, grid, row, col, *value);
    return GetTableCellText(out.Scope(), grid, row, col);
}

void TableCellBatch::Store(int row, int col, double typed) {
    if (!CellAddress(out_.Scope(), grid_, row, col)) return;
    StoreWord(row, col, TypedCellWord(out_.Scope(), grid_, row, col, typed));
}

GridHistory::Holds StepHolds(const CalImage& image, const FormatContext& ctx) {
    return [&image, &ctx](const TableRestore& expected) {
        for (const BytesAt& run : expected.bytes)
            for (std::size_t i = 0; i < run.bytes.size(); ++i)
                if (image.Byte(run.address + static_cast<int>(i)) != run.bytes[i]) return false;
        const OutputScope scope{image, ctx, expected.table.output};
        const TableGrid grid =
            expected.table.kind == TableKind::Analog ? TableGrid::Analog : TableGrid::Freq;
        for (const CellWord& cell : expected.cells) {
            const auto address = CellAddress(scope, grid, cell.row, cell.col);
            if (!address || image.Word(*address) != cell.word) return false;
        }
        return true;
    };
}

void TableCellBatch::StoreWord(int row, int col, unsigned word) {
    const OutputScope scope = out_.Scope();
    const auto address = CellAddress(scope, grid_, row, col);
    if (!address) return;
    const unsigned before = scope.image.Word(*address);
    if (before == word) return;
    out_.edit.StoreWord(*address, word);
    // A cell stored twice in one batch keeps its first "before".
    for (WordChange& change : changes_) {
        if (change.row == row && change.col == col) {
            change.after = word;
            return;
        }
    }
    changes_.push_back({row, col, before, word});
}

std::vector<WordChange> TableCellBatch::Finish() {
    std::vector<ByteSpan> spans;
    for (const WordChange& change : changes_)
        spans.push_back({*CellAddress(out_.Scope(), grid_, change.row, change.col), 2});
    out_.edit.WriteChanged(std::move(spans));
    return std::exchange(changes_, {});
}

std::vector<WordChange> StoreTableValues(const OutputEdit& out, TableGrid grid,
                                         const std::vector<CellValue>& cells) {
    TableCellBatch batch(out, grid);
    for (const CellValue& cell : cells) batch.Store(cell.row, cell.col, cell.value);
    return batch.Finish();
}

namespace {

// Every cell of a table, [row][col], as `cell` reads it.
template <typename Cell>
auto WholeTable(const OutputScope& out, TableGrid grid, Cell cell) {
    const GridSize size = SizeOf(grid);
    std::vector<std::vector<decltype(cell(out, grid, 0, 0))>> table(
        static_cast<std::size_t>(size.rows));
    for (int r = 0; r < size.rows; ++r)
        for (int c = 0; c < size.cols; ++c) table[r].push_back(cell(out, grid, r, c));
    return table;
}

}  // namespace

TableTexts GetTableTexts(const OutputScope& out, TableGrid grid) {
    return WholeTable(out, grid, GetTableCellText);
}

TableValues GetTableValues(const OutputScope& out, TableGrid grid) {
    return WholeTable(out, grid, GetTableCellValue);
}

namespace {
// The first and last analog column a voltage-output box fills.
std::pair<int, int> VoltOutColumns(int index) {
    return index == 0 ? std::pair{1, 1} : std::pair{2, kAnalogGrid.cols - 1};
}

// The number of a voltage-output box, refused with a message when it is none.
std::optional<double> VoltOutNumber(std::string_view text, Prompt& prompt) {
    const auto value = ReadCellNumber(text);
    if (!value) RefuseNotANumber(prompt, text);
    return value;
}
}  // namespace

std::string StoreVoltOutDuty(const OutputEdit& out, int index, std::string_view text,
                             Prompt& prompt) {
    if (const auto value = VoltOutNumber(text, prompt)) {
        const double percent = Clamp(*value, 0, 100);
        const auto [first, last] = VoltOutColumns(index);
        TableCellBatch batch(out, TableGrid::Analog);
        for (int c = first; c <= last; ++c)
            for (int r = 1; r < kAnalogGrid.rows; ++r) batch.Store(r, c, percent);
        batch.Finish();
    }
    return VoltOutDutyText(out.Scope(), index);
}

std::string VoltOutDutyText(const OutputScope& out, int index) {
    return GetTableCellText(out, TableGrid::Analog, 1, VoltOutColumns(index).first);
}

std::string StoreVoltOutData(const OutputEdit& out, int index, std::string_view text,
                             Prompt& prompt) {
    if (const auto typed = VoltOutNumber(text, prompt)) {
        const DataRange range = out.Scope().Range(0);
        const double value = Clamp(*typed, range.minimum, range.maximum);
        const auto [first, last] = VoltOutColumns(index);
        TableCellBatch batch(out, TableGrid::Analog);
        for (int c = first; c <= last; ++c) batch.Store(0, c, value);
        batch.Finish();
    }
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
