// The calibration assistant: marks, guesses, the sequence and the table it stores.
#include "calibration/outputs/calibration_assistant.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "base/numbers.h"
#include "base/trim.h"
#include "calibration/converters.h"
#include "calibration/grid/grid_model.h"

namespace vx42 {
namespace {

constexpr double kNominalVolts = 14.01;

// The grid column of data breakpoint k (0 first).
int BreakpointColumn(TableGrid grid, int k) {
    return grid == TableGrid::Analog ? k + 1 : k;
}

double ValueAt(const OutputScope& out, TableGrid grid, int row, int col) {
    return GetTableCellValue(out, grid, row, col).value_or(0);
}

// The straight line through (x0, y0) and (x1, y1) at x; y0 where the two x are the same.
double Line(double x0, double y0, double x1, double y1, double x) {
    if (x1 == x0) return y0;
    return y0 + (x - x0) * (y1 - y0) / (x1 - x0);
}

// The top of the primary signal's raw range: 2^bits - 1 for its stored bit length.
unsigned SignalTop(const OutputScope& out) {
    const int bits = out.image.Byte(out.Source(0).BitLength);
    if (bits < 1 || bits > 16) return 65535;
    return static_cast<unsigned>(std::ldexp(1.0, bits) - 1);
}

// The drive of battery row `row` for a drive kept at the row the vehicle is at.
double RowDrive(const OutputScope& out, const AssistantChoice& choice, int keptRow, int row,
                double drive) {
    if (row == keptRow || choice.fill == BatteryFill::SameDuty) return drive;
    const double volts = ValueAt(out, TableGrid::Analog, row, 0);
    if (volts <= 0) return drive;
    // Above 100 % the cell's own limit (the period) holds it at 100 %.
    return drive * choice.voltsNow / volts;
}

}  // namespace

int AssistantDriveRow(const OutputScope& out, const AssistantChoice& choice) {
    return choice.grid == TableGrid::Analog ? BatteryRowFor(out, choice.voltsNow) : 1;
}

double TableDriveAt(const OutputScope& out, TableGrid grid, int row, double x) {
    const int cols = kMaxMarks;
    double x0 = ValueAt(out, grid, 0, BreakpointColumn(grid, 0));
    double y0 = ValueAt(out, grid, row, BreakpointColumn(grid, 0));
    if (x <= x0) return y0;
    for (int k = 1; k < cols; ++k) {
        const double x1 = ValueAt(out, grid, 0, BreakpointColumn(grid, k));
        const double y1 = ValueAt(out, grid, row, BreakpointColumn(grid, k));
        if (x <= x1) return Line(x0, y0, x1, y1, x);
        x0 = x1;
        y0 = y1;
    }
    return y0;
}

std::vector<double> CurrentMarks(const OutputScope& out, TableGrid grid) {
    std::vector<double> marks;
    for (int k = 0; k < kMaxMarks; ++k)
        marks.push_back(ValueAt(out, grid, 0, BreakpointColumn(grid, k)));
    return marks;
}

Result<std::vector<double>> ReadMarks(std::string_view text) {
    std::vector<double> marks;
    // The marks stand between commas, semicolons and blanks.
    for (const std::string_view piece : TrimmedPieces(text, ",; \t")) {
        if (piece.empty()) continue;
        const auto value = ReadCellNumber(piece);
        if (!value) return Failure{NotANumberText(piece)};
        marks.push_back(*value);
    }
    if (marks.size() < 2 || marks.size() > kMaxMarks)
        return Failure{"Give from 2 to 16 marks of the dial, separated by commas (0, 20, 40)."};
    return marks;
}

namespace {
// The words of the marks, refused unless they increase.
Result<std::vector<unsigned>> Increasing(std::vector<unsigned> words,
                                         const std::vector<double>& marks) {
    for (std::size_t k = 1; k < words.size(); ++k)
        if (words[k] <= words[k - 1])
            return Failure{"The marks must increase: " + ShortestText(marks[k]) +
                           " does not come after " + ShortestText(marks[k - 1]) +
                           " in the data's stored values."};
    return words;
}
}  // namespace

Result<std::vector<unsigned>> MarkWords(const OutputScope& out, TableGrid grid,
                                        const std::vector<double>& marks) {
    if (marks.size() < 2 || marks.size() > kMaxMarks)
        return Failure{"Give from 2 to 16 marks of the dial, separated by commas (0, 20, 40)."};
    std::vector<unsigned> words;
    for (const double mark : marks)
        words.push_back(TypedCellWord(out, grid, 0, BreakpointColumn(grid, 0), mark));
    return Increasing(std::move(words), marks);
}

Result<std::vector<unsigned>> ChoiceWords(const OutputScope& out, const AssistantChoice& choice) {
    if (!choice.keepBreakpoints) return MarkWords(out, choice.grid, choice.marks);
    std::vector<unsigned> words;
    for (int k = 0; k < kMaxMarks; ++k)
        words.push_back(*TableCellWord(out, choice.grid, 0, BreakpointColumn(choice.grid, k)));
    return Increasing(std::move(words), CurrentMarks(out, choice.grid));
}

int BatteryRowFor(const OutputScope& out, double volts) {
    int best = 1;
    for (int r = 2; r < kAnalogGrid.rows; ++r)
        if (std::abs(ValueAt(out, TableGrid::Analog, r, 0) - volts) <
            std::abs(ValueAt(out, TableGrid::Analog, best, 0) - volts))
            best = r;
    return best;
}

double DefaultVoltsNow(const OutputScope& out) {
    return ValueAt(out, TableGrid::Analog, BatteryRowFor(out, kNominalVolts), 0);
}

std::string FillRuleText(BatteryFill fill, double voltsNow) {
    if (fill == BatteryFill::SameDuty) return "duty in every battery row = duty kept";
    return "duty in a battery row = duty kept x " + FixedPointText(voltsNow, 2) +
           " V / V row, at most 100 %";
}

Result<std::vector<CellWord>> AssistantCells(const OutputScope& out, const AssistantChoice& choice,
                                             const KeptDrives& kept) {
    const auto words = ChoiceWords(out, choice);
    if (!words) return words.error();
    std::vector<unsigned> breakpoints;
    std::vector<double> drives;
    for (std::size_t k = 0; k < kept.size() && k < words->size(); ++k) {
        if (!kept[k]) continue;
        breakpoints.push_back((*words)[k]);
        drives.push_back(*kept[k]);
    }
    if (breakpoints.size() < 2)
        return Failure{"Keep the drive of at least two marks to store a table."};
    // After the last mark the breakpoints go on evenly to the top of the signal, the drive
    // held: they keep increasing and the needle stays where it was last set.
    const unsigned last = breakpoints.back();
    const int extra = kMaxMarks - static_cast<int>(breakpoints.size());
    // A signal without room for them above the last mark: the top of the word.
    const unsigned signalTop = std::max(last, SignalTop(out));
    const unsigned top = signalTop - last >= static_cast<unsigned>(extra) ? signalTop : 65535;
    for (int k = 1; k <= extra; ++k) {
        breakpoints.push_back(last + static_cast<unsigned>(RoundHalfEven(
                                         static_cast<double>(top - last) * k / extra)));
        drives.push_back(drives.back());
    }

    std::vector<CellWord> cells;
    const int keptRow = AssistantDriveRow(out, choice);
    const int rows = choice.grid == TableGrid::Analog ? kAnalogGrid.rows : kFreqGrid.rows;
    for (int k = 0; k < kMaxMarks; ++k) {
        const int col = BreakpointColumn(choice.grid, k);
        cells.push_back({0, col, breakpoints[k]});
        for (int r = 1; r < rows; ++r) {
            const double drive = choice.grid == TableGrid::Analog
                                     ? RowDrive(out, choice, keptRow, r, drives[k])
                                     : drives[k];
            cells.push_back({r, col, TypedCellWord(out, choice.grid, r, col, drive)});
        }
    }
    return cells;
}

CalImage AssistantPreview(const OutputScope& out, TableGrid grid,
                          const std::vector<CellWord>& cells) {
    CalImage preview = out.image;
    for (const CellWord& cell : cells)
        if (const auto address = CellAddress(out, grid, cell.row, cell.col))
            preview.StoreWord(*address, cell.word);
    return preview;
}

TablePlotData AssistantReviewPlot(const OutputScope& out, const CalImage& after, TableGrid grid,
                                  const AssistantChoice& choice) {
    const OutputScope stored{after, out.ctx, out.output};
    const int row = AssistantDriveRow(out, choice);
    std::vector<double> x = CurrentMarks(out, grid);
    const std::vector<double> marks = CurrentMarks(stored, grid);
    x.insert(x.end(), marks.begin(), marks.end());
    std::sort(x.begin(), x.end());
    x.erase(std::unique(x.begin(), x.end()), x.end());
    const std::string rowName =
        grid == TableGrid::Analog ? " (" + GetTableTexts(stored, grid)[row][0] + " V)" : "";
    auto rowOver = [&](const OutputScope& table) {
        std::vector<double> values;
        for (double at : x) values.push_back(TableDriveAt(table, grid, row, at));
        return values;
    };
    return {x,
            {{"Current" + rowName, rowOver(out)}, {"Calibrated" + rowName, rowOver(stored)}},
            TablePlotOf(stored, grid).yTitle};
}

double NeedleStep(NeedleKey key, bool fine) {
    const double coarse = key == NeedleKey::Up       ? 1
                          : key == NeedleKey::Down   ? -1
                          : key == NeedleKey::PageUp ? 10
                                                     : -10;
    return fine ? coarse / 10 : coarse;
}

// ---------------------------------------------------------------------------------------
// The sequence

CalibrationAssistant::CalibrationAssistant(LiveLink& link, const OutputScope& out,
                                           AssistantChoice choice)
    : link_(link),
      out_(out),
      choice_(std::move(choice)),
      live_(link, choice_.grid == TableGrid::Analog ? LiveGauge::Duty : LiveGauge::Frequency),
      kept_(choice_.marks.size()) {}

bool CalibrationAssistant::Start(Prompt& prompt) {
    if (live_.Running()) return true;
    if (!link_.Online()) {
        prompt.Message(kAssistantOfflineText, kAssistantTitle, Icon::Exclamation);
        return false;
    }
    live_.Toggle(out_.output, prompt);
    if (!live_.Running()) return false;
    GoTo(0);
    return true;
}

void CalibrationAssistant::Stop() {
    live_.Stop();
}

int CalibrationAssistant::KeptCount() const {
    return static_cast<int>(std::count_if(kept_.begin(), kept_.end(),
                                          [](const auto& drive) { return drive.has_value(); }));
}

double CalibrationAssistant::Guess(int mark) const {
    // The two kept marks nearest: the last two before the mark, else the first two after.
    std::vector<int> near;
    for (int k = mark - 1; k >= 0 && near.size() < 2; --k)
        if (kept_[k]) near.insert(near.begin(), k);
    if (near.size() < 2) {
        near.clear();
        for (int k = mark + 1; k < MarkCount() && near.size() < 2; ++k)
            if (kept_[k]) near.push_back(k);
    }
    const double x = choice_.marks[mark];
    double guess = 0;
    if (near.size() == 2)
        guess = Line(choice_.marks[near[0]], *kept_[near[0]], choice_.marks[near[1]],
                     *kept_[near[1]], x);
    else
        guess = TableDriveAt(out_, choice_.grid, AssistantDriveRow(out_, choice_), x);
    return Clamp(RoundHalfEven(guess, 1), 0, Maximum());
}

void CalibrationAssistant::Step(double delta) {
    Drive(RoundHalfEven(Value() + delta, 1));
}

void CalibrationAssistant::Drive(double value) {
    live_.Drive(out_.image, value);
}

void CalibrationAssistant::Keep() {
    if (Reviewing()) return;
    kept_[mark_] = Value();
    GoTo(mark_ + 1);
}

void CalibrationAssistant::Skip() {
    if (Reviewing()) return;
    kept_[mark_].reset();
    GoTo(mark_ + 1);
}

void CalibrationAssistant::Back() {
    if (mark_ > 0) GoTo(std::min(mark_, MarkCount()) - 1);
}

void CalibrationAssistant::End() {
    mark_ = MarkCount();
}

void CalibrationAssistant::GoTo(int mark) {
    mark_ = mark;
    if (Reviewing()) return;
    Drive(kept_[mark_] ? *kept_[mark_] : Guess(mark_));
}

Result<std::vector<WordChange>> CalibrationAssistant::Store(const OutputEdit& edit) {
    const auto cells = Cells();
    if (!cells) return cells.error();
    Stop();
    TableCellBatch batch(edit, choice_.grid);
    for (const CellWord& cell : *cells) batch.StoreWord(cell.row, cell.col, cell.word);
    return batch.Finish();
}

}  // namespace vx42
