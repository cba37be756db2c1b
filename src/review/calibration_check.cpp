// The calibration check: the rules that find errors and warnings in an image.
#include "review/calibration_check.h"

#include <algorithm>
#include <cstdint>
#include <functional>

#include "base/control_names.h"
#include "calibration/outputs/output_settings.h"
#include "calibration/outputs/output_view.h"
#include "review/calibration_text.h"

namespace vx42 {

namespace {

std::string Quote(const std::string& text) {
    return "\"" + text + "\"";
}

// One output as the rules read it, with the findings they make.
class OutputCheck {
  public:
    OutputCheck(const CalImage& image, const UnitFlags& units, int output,
                std::vector<Finding>& findings)
        : ctx_(StoredFormatContext(image, output, units)),
          out_{image, ctx_, output},
          frame_(FrameOf(out_.FunctionFlags(), out_.OutputOptions())),
          findings_(findings) {
        const std::string name = DisplayText(OutputNameText(out_));
        title_ = OutputTitle(output) + (name.empty() ? "" : " (" + name + ")");
    }

    const OutputScope& Scope() const { return out_; }
    FunctionFrame Frame() const { return frame_; }
    bool HasMessage(int dataIndex) const { return ctx_.data[dataIndex].selected; }
    bool UsesSecondary() const { return out_.image.Byte(out_.Cal().SecondaryMode) != 0; }
    // The data sources the function reads: none when off, the secondary one only when used.
    bool InUse(int dataIndex) const {
        return frame_ != FunctionFrame::None && (dataIndex == 0 || UsesSecondary());
    }
    std::string DataUnit(int dataIndex) const { return CanDataCaptionsOf(out_).units[dataIndex]; }
    std::string CellText(TableGrid grid, int row, int col) const {
        const std::string text = GetTableCellText(out_, grid, row, col);
        switch (CellKindOf(grid, row, col)) {
            case CellKind::DataBreakpoint:
                return WithDataUnit(text, DataUnit(0));
            case CellKind::Battery:
                return text + " V";
            case CellKind::Duty:
                return text + " %";
            default:
                return text;
        }
    }
    unsigned Word(int address) const { return out_.image.Word(address); }

    void Add(const char* rule, Severity severity, std::string setting, const std::string& text,
             FindingPlace place) {
        findings_.push_back({rule, severity, out_.output, setting,
                             title_ + ", " + setting + ": " + text, std::move(place)});
    }

  private:
    FormatContext ctx_;
    OutputScope out_;
    FunctionFrame frame_;
    std::vector<Finding>& findings_;
    std::string title_;
};

FindingPlace Control(const std::string& name, int index) {
    return {IndexedName(name, index)};
}

const char* GridName(TableGrid grid) {
    return grid == TableGrid::Analog ? "mshAnalogTable" : "mshFreqTable";
}

// The first of a row of words that is not above the one before it.
// cell(k) gives the grid place of word k; returns k, or -1 when they all increase.
int FirstNotIncreasing(const OutputCheck& c, TableGrid grid, int count,
                       const std::function<std::pair<int, int>(int)>& cell) {
    for (int k = 1; k < count; ++k) {
        const auto [r0, c0] = cell(k - 1);
        const auto [r1, c1] = cell(k);
        const auto a0 = CellAddress(c.Scope(), grid, r0, c0);
        const auto a1 = CellAddress(c.Scope(), grid, r1, c1);
        if (a0 && a1 && c.Word(*a1) <= c.Word(*a0)) return k;
    }
    return -1;
}

void CheckDataBreakpoints(OutputCheck& c, TableGrid grid) {
    const int first = grid == TableGrid::Analog ? 1 : 0;
    auto cell = [first](int k) { return std::pair{0, first + k}; };
    const int k = FirstNotIncreasing(c, grid, 16, cell);
    if (k < 0) return;
    c.Add(check_rule::BreakpointOrder, Severity::Error, "data breakpoint " + std::to_string(k + 1),
          c.CellText(grid, 0, first + k) + " is not above data breakpoint " + std::to_string(k) +
              " (" + c.CellText(grid, 0, first + k - 1) +
              "); the data breakpoints must increase from left to right.",
          {GridName(grid), 0, first + k});
}

void CheckBatteryBreakpoints(OutputCheck& c) {
    auto cell = [](int k) { return std::pair{k + 1, 0}; };
    const int k = FirstNotIncreasing(c, TableGrid::Analog, kAnalogGrid.rows - 1, cell);
    if (k < 0) return;
    FindingPlace place{GridName(TableGrid::Analog), k + 1, 0};
    c.Add(check_rule::BatteryOrder, Severity::Error, "battery breakpoint " + std::to_string(k + 1),
          c.CellText(TableGrid::Analog, k + 1, 0) + " is not above battery breakpoint " +
              std::to_string(k) + " (" + c.CellText(TableGrid::Analog, k, 0) +
              "); the battery voltages must increase from top to bottom.",
          place);
}

void CheckDutyCells(OutputCheck& c, bool voltageOut) {
    const double period = c.Scope().Period();
    int over = 0;
    int row = 0, col = 0;
    for (int r = 1; r < kAnalogGrid.rows; ++r)
        for (int k = 1; k < kAnalogGrid.cols; ++k) {
            const auto at = CellAddress(c.Scope(), TableGrid::Analog, r, k);
            if (!at || c.Word(*at) <= period) continue;
            if (over++ == 0) row = r, col = k;
        }
    if (over == 0) return;
    const std::string cell = "row " + std::to_string(row) + ", column " + std::to_string(col);
    std::string text = "the duty cycle is " + c.CellText(TableGrid::Analog, row, col) +
                       ", above the whole period (100 %)";
    if (over > 1) text += "; " + std::to_string(over) + " cells are above 100 %";
    if (voltageOut) {
        const int box = col == 1 ? 0 : 1;
        c.Add(check_rule::DutyAbovePeriod, Severity::Error, kVoltOutDutyCaptions[box], text + ".",
              Control("txtVoltOutDuty", box));
    } else {
        c.Add(check_rule::DutyAbovePeriod, Severity::Error, "analog table, " + cell, text + ".",
              {GridName(TableGrid::Analog), row, col});
    }
}

void CheckVoltageData(OutputCheck& c) {
    const auto low = CellAddress(c.Scope(), TableGrid::Analog, 0, 1);
    const auto high = CellAddress(c.Scope(), TableGrid::Analog, 0, 2);
    if (!low || !high || c.Word(*low) < c.Word(*high)) return;
    c.Add(check_rule::VoltageDataOrder, Severity::Error, kVoltOutDataCaptions[0],
          WithDataUnit(VoltOutDataText(c.Scope(), 0), c.DataUnit(0)) + " is not below " +
              kVoltOutDataCaptions[1] + " (" +
              WithDataUnit(VoltOutDataText(c.Scope(), 1), c.DataUnit(0)) + ").",
          Control("txtVoltOutData", 0));
}

void CheckSwitchPoints(OutputCheck& c) {
    for (int i = 0; i < 2; ++i) {
        // Used secondary data without a message is a finding of its own.
        if (!c.InUse(i) || (i == 1 && !c.HasMessage(1))) continue;
        std::array<std::string, 4> texts;
        for (int p = 0; p < 4; ++p)
            texts[p] = SwitchPointText(c.Scope(), i, static_cast<SwitchPoint>(p));
        const auto colours = SwitchPointColours(c.Scope(), i, texts);
        const SwitchFunction function = SwitchFunctionShown(c.Scope(), i);
        const int pairs = ShowsBPoints(function) ? 2 : 1;
        for (int pair = 0; pair < pairs; ++pair) {
            const int on = 2 * pair, off = 2 * pair + 1;
            if (colours[on] != TextColour::Red && colours[off] != TextColour::Red) continue;
            // Rising: Off A <= On A and On B <= Off B; falling reverses both.
            const bool offBelow = IsRising(function) == (pair == 0);
            const std::string unit = c.DataUnit(i);
            c.Add(check_rule::SwitchPointOrder, Severity::Error,
                  std::string(DataSourceTitle(i)) + ", switch point " + kSwitchPointCaptions[on],
                  std::string(kSwitchPointCaptions[on]) + " (" + WithDataUnit(texts[on], unit) +
                      ") and " + kSwitchPointCaptions[off] + " (" + WithDataUnit(texts[off], unit) +
                      ") contradict " + Quote(kSwitchFunctionCaptions[static_cast<int>(function)]) +
                      ": " + kSwitchPointCaptions[off] + " must not be " +
                      (offBelow ? "above " : "below ") + kSwitchPointCaptions[on] + ".",
                  Control(pair == 0 ? "txtOnA" : "txtOnB", i));
        }
    }
}

std::string StoredMessageName(const OutputScope& out, int dataIndex) {
    const auto slot = out.MessageSlot(dataIndex);
    if (!slot) return {};
    return DisplayText(
        out.image.Text(CalAddresses().MessageDefSlot[*slot].MessageName, width::MessageName));
}

bool LibrariesHold(const LibrarySet& libraries, const std::string& name) {
    for (const CanLibrary& library : libraries.MessageLibraries) {
        if (Trimmed(library.Name) == kUndefinedIndexName) continue;  // rebuilt from calibrations
        for (const CanMessage& m : library.Messages)
            if (Trimmed(m.Name) == name) return true;
    }
    return false;
}

void CheckMessages(OutputCheck& c, const LibrarySet* libraries) {
    for (int i = 0; i < 2 && libraries; ++i) {
        if (!c.HasMessage(i)) continue;
        const std::string name = StoredMessageName(c.Scope(), i);
        if (LibrariesHold(*libraries, name)) continue;
        c.Add(check_rule::UnknownMessage, Severity::Warning,
              std::string(DataSourceTitle(i)) + ", message",
              "no loaded library holds the message " + Quote(name) + ".", Control("cmbMessage", i));
    }
    if (c.Frame() != FunctionFrame::None && c.UsesSecondary() && !c.HasMessage(1))
        c.Add(check_rule::SecondaryWithoutMessage, Severity::Error,
              std::string(DataSourceTitle(1)) + ", message",
              "the secondary data is used (" + UseSecondaryCaption(c.Scope().FunctionFlags()) +
                  ") but no secondary message is selected.",
              Control("cmbMessage", 1));
    if (c.Frame() == FunctionFrame::None && (c.HasMessage(0) || c.HasMessage(1)))
        c.Add(check_rule::OffWithMessages, Severity::Warning, "function",
              std::string("the output is set to \"Off\" but still names ") +
                  (c.HasMessage(0) && c.HasMessage(1) ? "a primary and a secondary message"
                   : c.HasMessage(0)                  ? "a primary message"
                                                      : "a secondary message") +
                  ".",
              Control("optType", 0));
}

void CheckTimeouts(OutputCheck& c) {
    for (int i = 0; i < 2; ++i) {
        if (!c.InUse(i) || !c.HasMessage(i)) continue;
        const auto place = TimeoutDataPlaceOf(c.Scope(), i);
        if (!place || place->stored == 0) continue;
        unsigned raw = 0;
        for (int b = 0; b < place->stored; ++b)
            raw = (raw << 8) | c.Scope().image.Byte(place->address + b);
        const std::string head = std::string(DataSourceTitle(i)) + ", ";
        const std::string unit = c.DataUnit(i);
        const std::string shown = WithDataUnit(DataOnTimeoutText(c.Scope(), i), unit);
        const auto slot = c.Scope().MessageSlot(i);
        if (raw != 0 && c.Word(CalAddresses().MessageSlot[*slot].Timeout) == 0)
            c.Add(check_rule::TimeoutZero, Severity::Warning, head + "timeout",
                  "the timeout is 0 ms although a data on timeout of " + shown + " is set.",
                  Control("txtTimoutTimer", i));
        const int bits = c.Scope().image.Byte(c.Scope().Source(i).BitLength);
        if (bits < 1 || bits > 16) continue;
        const unsigned top = (1u << bits) - 1;
        if (raw <= top) continue;
        const auto& image = c.Scope().image;
        const int output = c.Scope().output;
        const FormatContext& ctx = c.Scope().ctx;
        c.Add(check_rule::TimeoutDataRange, Severity::Warning, head + "data on timeout",
              shown + " is outside the range of its " + std::to_string(bits) + "-bit message (" +
                  WithDataUnit(GetFormatedCalVal(0, image, output, i, ctx), unit) + " to " +
                  WithDataUnit(GetFormatedCalVal(top, image, output, i, ctx), unit) + ").",
              Control("txtDataOnTimeout", i));
    }
}

}  // namespace

std::vector<Finding> CheckCalibration(const CalImage& image, const LibrarySet* libraries,
                                      const UnitFlags& units) {
    std::vector<Finding> findings;
    for (int o = 0; o < kOutputs; ++o) {
        OutputCheck c(image, units, o, findings);
        switch (c.Frame()) {
            case FunctionFrame::Table:
                CheckDataBreakpoints(c, TableGrid::Analog);
                CheckBatteryBreakpoints(c);
                CheckDutyCells(c, false);
                break;
            case FunctionFrame::VoltageOut:
                CheckVoltageData(c);
                CheckBatteryBreakpoints(c);
                CheckDutyCells(c, true);
                break;
            case FunctionFrame::FreqTable:
                CheckDataBreakpoints(c, TableGrid::Freq);
                break;
            case FunctionFrame::Relay:
                CheckSwitchPoints(c);
                break;
            case FunctionFrame::None:
                break;
        }
        CheckMessages(c, libraries);
        CheckTimeouts(c);
    }
    return findings;
}

bool HasErrors(const std::vector<Finding>& findings) {
    for (const Finding& f : findings)
        if (f.severity == Severity::Error) return true;
    return false;
}

std::vector<Finding> ErrorsAdded(const std::vector<Finding>& before,
                                 const std::vector<Finding>& after) {
    auto same = [](const Finding& a, const Finding& b) {
        return a.rule == b.rule && a.output == b.output && a.setting == b.setting;
    };
    std::vector<Finding> added;
    for (const Finding& f : after) {
        if (f.severity != Severity::Error) continue;
        if (std::none_of(before.begin(), before.end(), [&](const Finding& b) {
                return b.severity == Severity::Error && same(b, f);
            }))
            added.push_back(f);
    }
    return added;
}

const char* SeverityText(Severity severity) {
    return severity == Severity::Error ? "error" : "warning";
}

std::string FindingLine(const Finding& finding) {
    return std::string(finding.severity == Severity::Error ? "Error: " : "Warning: ") +
           finding.message;
}

}  // namespace vx42
