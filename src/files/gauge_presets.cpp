// Gauge presets: ready-made gauge setups read from "GaugePresets.CFG".
#include "files/gauge_presets.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>

#include "base/numbers.h"
#include "base/prompt.h"
#include "base/system_text.h"
#include "calibration/converters.h"
#include "calibration/number_format.h"
#include "calibration/outputs/output_function.h"
#include "calibration/outputs/output_settings.h"
#include "calibration/outputs/output_tables.h"
#include "calibration/outputs/relay_drive.h"
#include "calibration/text_codec.h"
#include "files/file_io.h"
#include "files/input_limits.h"

namespace vx42 {

namespace {

namespace fs = std::filesystem;

constexpr const char* kPresetTag = "GaugePreset";
constexpr const char* kPresetEndTag = "/GaugePreset";

// The fields whose value must name an option of its group.
enum OptionField { kFunctionField, kOnField, kOffField, kOptionFields };

struct BlockParse {
    GaugePreset preset;
    std::array<std::string, kOptionFields> problems;  // the last value of each field decides
};

std::int16_t ToInt16(double value) {
    return static_cast<std::int16_t>(Clamp(value, INT16_MIN, INT16_MAX));
}

// Checks a rounded option index against its group; returns the problem, or empty.
std::string OptionProblem(std::string_view tag, double index, int options) {
    if (index >= 0 && index < options) return {};
    return std::string(tag) + " " + ShortestText(index) + " is not an option (0 to " +
           std::to_string(options - 1) + ")";
}

template <std::size_t N>
void ReadList(std::string_view value, std::array<double, N>& field) {
    std::size_t position = 0;
    while (position < N) {
        const auto comma = value.find(',');
        field[position++] = LeadingNumber(value.substr(0, comma));
        if (comma == std::string_view::npos) break;
        value.remove_prefix(comma + 1);
    }
}

void ReadDriveState(std::string_view tag, std::string_view value, std::int16_t& field,
                    std::string& problem) {
    const auto number = ReadNumber(value);
    if (!number) {
        field = 0;
        problem = std::string(tag) + " \"" + std::string(value) + "\" is not a number";
        return;
    }
    const double index = RoundHalfEven(*number);
    field = ToInt16(index);
    problem = OptionProblem(tag, index, kDriveOptions);
}

void ReadField(std::string_view tag, std::string_view value, BlockParse& block) {
    GaugePreset& p = block.preset;
    if (tag == "GaugeName") {
        p.GaugeName = value;
    } else if (tag == "GaugePartNum") {
        p.GaugePartNum = value;
    } else if (tag == "OutputName") {
        p.OutputName = value;
    } else if (tag == "Frequency") {
        p.Frequency = value;
    } else if (tag == "Function") {
        const double index = RoundHalfEven(LeadingNumber(value));
        p.Function = ToInt16(index);
        block.problems[kFunctionField] = OptionProblem(tag, index, kFunctionOptions);
    } else if (tag == "OutputOn") {
        ReadDriveState(tag, value, p.OutputOn, block.problems[kOnField]);
    } else if (tag == "OutputOff") {
        ReadDriveState(tag, value, p.OutputOff, block.problems[kOffField]);
    } else if (tag == "DataBreakpoints") {
        ReadList(value, p.DataBreakpoints);
    } else if (tag == "BatteryBreakpoints") {
        ReadList(value, p.BatteryBreakpoints);
    } else if (tag.size() == 8 && tag.substr(0, 7) == "DataRow" && tag[7] >= '1' &&
               tag[7] < '1' + kPresetDataRows) {
        ReadList(value, p.DataRows[static_cast<std::size_t>(tag[7] - '1')]);
    }
}

GaugePreset FinishBlock(BlockParse& block) {
    for (const auto& problem : block.problems) {
        if (problem.empty()) continue;
        if (!block.preset.Problem.empty()) block.preset.Problem += "; ";
        block.preset.Problem += problem;
    }
    return std::move(block.preset);
}

std::string EntryText(const GaugePreset& p) {
    return p.GaugeName + " - " + p.GaugePartNum;
}

}  // namespace

std::string_view LineTag(std::string_view line) {
    const auto open = line.find('<');
    const auto close = line.find('>');
    if (open == std::string_view::npos || close == std::string_view::npos || close < open)
        return {};
    return line.substr(open + 1, close - open - 1);
}

std::string_view LineValue(std::string_view line) {
    const auto start = line.find('>');
    const auto end = line.find("</");
    if (start == std::string_view::npos || end == std::string_view::npos || end <= start) return {};
    return line.substr(start + 1, end - start - 1);
}

std::vector<std::string> SplitTextLines(std::span<const std::uint8_t> bytes, std::size_t maxLines,
                                        const std::string& source) {
    // Counted first, so a file of line ends alone is refused before it costs memory.
    std::size_t count = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        if (bytes[i] == '\r' || bytes[i] == '\n') ++count;
    }
    if (!bytes.empty() && bytes.back() != '\r' && bytes.back() != '\n') ++count;
    if (count > maxLines) RefuseTooMany(source, "lines", maxLines);
    std::vector<std::string> lines;
    lines.reserve(count);
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = static_cast<char>(bytes[i]);
        if (c == '\r' || c == '\n') {
            lines.push_back(std::move(line));
            line.clear();
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty()) lines.push_back(std::move(line));
    return lines;
}

std::vector<GaugePreset> ParseGaugePresets(const std::vector<std::string>& lines,
                                           const std::string& source) {
    std::vector<GaugePreset> presets;
    std::size_t i = 0;
    while (i < lines.size()) {
        if (LineTag(lines[i++]) != kPresetTag) continue;
        if (presets.size() == limits::kPresets) RefuseTooMany(source, "presets", limits::kPresets);
        BlockParse block;
        while (i < lines.size()) {
            const std::string_view line = lines[i++];
            const auto tag = LineTag(line);
            if (tag.empty()) continue;
            if (tag == kPresetEndTag) break;
            ReadField(tag, LineValue(line), block);
        }
        presets.push_back(FinishBlock(block));
    }
    return presets;
}

std::vector<GaugePreset> ReadGaugePresets(const std::string& path, Prompt& prompt) {
    std::error_code ec;
    if (!fs::exists(PathFromUtf8(path), ec) && !ec) {
        std::ofstream create(PathFromUtf8(path), std::ios::binary);
        if (!create) prompt.Message("Could not open file");
        return {};
    }
    try {
        const std::string source = "\"" + path + "\"";
        auto lines = SplitTextLines(ReadWholeFile(path, limits::kPresetsFileBytes),
                                    limits::kPresetsLines, source);
        for (auto& line : lines)
            line = FromWin1252(
                std::span(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
        return ParseGaugePresets(lines, source);
    } catch (const InputCapError& e) {
        prompt.Message(e.what(), "Gauge Presets", Icon::Exclamation);
    } catch (const FileError&) {
        prompt.Message("Could not open file");
    }
    return {};
}

std::vector<std::string> FillPresetList(const std::vector<GaugePreset>& presets) {
    std::vector<std::string> entries{kCustomPresetEntry};
    for (const auto& p : presets) entries.push_back(EntryText(p));
    return entries;
}

std::vector<PresetStep> ApplyPreset(const std::vector<GaugePreset>& presets, int listEntry,
                                    bool formatCanChecked, Prompt& prompt) {
    const int k = listEntry - 1;
    if (k < 0 || k >= static_cast<int>(presets.size())) return {};
    const GaugePreset& p = presets[static_cast<std::size_t>(k)];
    if (!p.Usable()) {
        prompt.Message(
            "The gauge preset \"" + EntryText(p) + "\" cannot be applied: " + p.Problem + ".",
            "Gauge Presets", Icon::Exclamation);
        return {};
    }

    std::vector<PresetStep> steps;
    auto add = [&steps](PresetStepKind kind) -> PresetStep& {
        steps.push_back(PresetStep{kind, {}});
        return steps.back();
    };
    auto cell = [&steps](PresetGrid grid, int row, int column, double value) {
        steps.push_back(PresetStep{PresetStepKind::SetCell, {}, 0, grid, row, column, value});
    };

    if (formatCanChecked) add(PresetStepKind::LiftFormatCan);
    add(PresetStepKind::SetName).text = p.OutputName;
    add(PresetStepKind::SetFunction).option = p.Function;
    add(PresetStepKind::SetPeriod).text = p.Frequency;
    add(PresetStepKind::SuppressEvents);
    add(PresetStepKind::SetOnOption).option = p.OutputOn;
    add(PresetStepKind::SetOffOption).option = p.OutputOff;
    add(PresetStepKind::ResumeEvents);

    for (int i = 0; i < kPresetBatteryPoints; ++i)
        cell(PresetGrid::Analog, i + 1, 0, p.BatteryBreakpoints[i]);
    if (p.Function == kSpeedoTachFunction) {
        for (int i = 0; i < kPresetDataPoints; ++i)
            cell(PresetGrid::Frequency, 0, i, p.DataBreakpoints[i]);
        for (int i = 0; i < kPresetDataPoints; ++i)
            cell(PresetGrid::Frequency, 1, i, p.DataRows[0][i]);
    } else {
        for (int i = 0; i < kPresetDataPoints; ++i)
            cell(PresetGrid::Analog, 0, i + 1, p.DataBreakpoints[i]);
        for (int r = 1; r <= kPresetDataRows; ++r)
            for (int c = 0; c < kPresetDataPoints; ++c)
                cell(PresetGrid::Analog, r, c + 1, p.DataRows[r - 1][c]);
    }

    if (formatCanChecked) add(PresetStepKind::RestoreFormatCan);
    return steps;
}

namespace {

std::string CellText(double value) {
    return FormatNumber(value, Pattern::OneDecimal);
}

bool TablesMatch(const GaugePreset& p, const CalImage& image, const OutputCalAddresses& out) {
    for (int i = 0; i < kPresetBatteryPoints; ++i) {
        const int at = out.SecondaryBlock + 2 * i;
        const double volts = WordVolts(image.Byte(at), image.Byte(at + 1));
        if (RoundHalfEven(volts, 2) != p.BatteryBreakpoints[i]) return false;
    }
    for (int i = 0; i < kPresetDataPoints; ++i)
        if (image.Word(out.PrimaryBlock + 2 * i) != p.DataBreakpoints[i]) return false;

    // A frequency table has one row of values; the rest of its block carries no meaning and
    // is not written when a preset is applied.
    const bool frequency = p.Function == kSpeedoTachFunction;
    const int rows = frequency ? 1 : kPresetDataRows;
    double period = image.Word(out.Period);
    if (period == 0) period = 1;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < kPresetDataPoints; ++c) {
            const int at = out.TableBlock + 32 * r + 2 * c;
            const auto high = image.Byte(at), low = image.Byte(at + 1);
            const double shown =
                frequency ? WordTenths(high, low) : WordPercentOfPeriod(high, low, period);
            if (CellText(shown) != CellText(p.DataRows[r][c])) return false;
        }
    }
    return true;
}

}  // namespace

int SelectMatchingPreset(const std::vector<GaugePreset>& presets, const CalImage& image, int output,
                         const OutputDisplay& display) {
    const auto& map = CalAddresses();
    const auto& out = map.OutputCal.at(static_cast<std::size_t>(output));
    const std::string name = image.Text(map.OutputName[output], width::OutputName);
    const double shownPeriod = LeadingNumber(display.periodText);
    for (std::size_t k = 0; k < presets.size(); ++k) {
        const GaugePreset& p = presets[k];
        if (!p.Usable()) continue;
        if (name != p.OutputName) continue;
        if (shownPeriod != LeadingNumber(p.Frequency)) continue;
        if (display.function != p.Function || display.on != p.OutputOn ||
            display.off != p.OutputOff)
            continue;
        if (TablesMatch(p, image, out)) return static_cast<int>(k) + 1;
    }
    return 0;
}

void CarryOutPreset(const OutputEdit& out, const std::vector<PresetStep>& steps) {
    TableCellBatch analog(out, TableGrid::Analog), freq(out, TableGrid::Freq);
    for (const PresetStep& step : steps) {
        const std::uint8_t flags = out.Scope().FunctionFlags();
        switch (step.kind) {
            case PresetStepKind::LiftFormatCan:
                StoreShowFormatted(out, false);
                break;
            case PresetStepKind::RestoreFormatCan:
                StoreShowFormatted(out, true);
                break;
            case PresetStepKind::SetName:
                StoreOutputName(out, step.text);
                break;
            case PresetStepKind::SetFunction:
                SelectFunction(out, static_cast<OutputFunction>(step.option));
                break;
            case PresetStepKind::SetPeriod:
                StorePeriod(out, step.text);
                break;
            case PresetStepKind::SetOnOption:
                StoreDriveOn(out, static_cast<Drive>(step.option), DriveStatesOf(flags).off);
                break;
            case PresetStepKind::SetOffOption:
                StoreDriveOff(out, static_cast<Drive>(step.option), DriveStatesOf(flags).on);
                break;
            case PresetStepKind::SetCell:
                (step.grid == PresetGrid::Analog ? analog : freq)
                    .Store(step.row, step.column, step.value);
                break;
            case PresetStepKind::SuppressEvents:
            case PresetStepKind::ResumeEvents:
                break;  // the steps run without the controls' events
        }
    }
    analog.Finish();
    freq.Finish();
}

}  // namespace vx42
