// A calibration as a person reads it.
#include "review/calibration_text.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <vector>

#include "calibration/converters.h"
#include "calibration/number_format.h"
#include "calibration/outputs/output_view.h"
#include "can/can_message.h"

namespace vx42 {

namespace {

constexpr const char* kIndent = "  ";

std::string YesNo(bool value) {
    return value ? "yes" : "no";
}

// Cells right-aligned in columns as wide as their widest text.
void PrintGrid(std::ostringstream& out, const TableTexts& rows, const std::string& indent) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (widths.size() <= c) widths.push_back(0);
            widths[c] = std::max(widths[c], row[c].size());
        }
    for (const auto& row : rows) {
        std::string line = indent;
        for (std::size_t c = 0; c < row.size(); ++c) {
            if (c > 0) line += "  ";
            line += std::string(widths[c] - row[c].size(), ' ') + row[c];
        }
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << "\n";
    }
}

std::string WithUnit(const std::string& value, const std::string& unit) {
    if (unit.empty() || unit == kRawUnit || unit == kNoneName) return value;
    return value + " " + unit;
}

void DescribeDataSource(std::ostringstream& out, const OutputScope& scope, const OutputView& view,
                        int i) {
    const DataSourceView& d = view.data[i];
    const std::string title = DataSourceTitle(i);
    const auto slot = scope.MessageSlot(i);
    std::string head = title;
    head[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(head[0])));
    if (!slot) {
        out << kIndent << head << ": no message\n";
        return;
    }
    const auto& def = CalAddresses().MessageDefSlot[*slot];
    const std::string library = d.selection ? DisplayText(d.selection->library) : kNoneName;
    const std::string message = d.selection ? DisplayText(d.selection->message) : kNoneName;
    out << kIndent << head << ": " << library << " / " << message << " (message slot " << *slot + 1
        << ")\n";
    const std::string description =
        DisplayText(scope.image.Text(def.Description, width::Description));
    if (!description.empty()) out << kIndent << kIndent << description << "\n";
    out << kIndent << kIndent << "CAN id " << SlotIdentifierText(scope.image, *slot)
        << ", data length " << int(scope.image.Byte(CalAddresses().MessageSlot[*slot].DataLength))
        << ", " << SignalPlaceText(scope.image, scope.output, i) << ", "
        << (scope.image.Byte(def.ByteOrder) != 0 ? "big-endian" : "little-endian") << "\n";
    out << kIndent << kIndent << "Scaling: " << ScalingText(scope.image, *slot) << "\n";
    const std::string shown = view.captions.units[i];
    out << kIndent << kIndent << "Timeout " << d.timeout << " ms, data on timeout "
        << WithUnit(d.dataOnTimeout, shown) << "\n";
    out << kIndent << kIndent << "Filter " << d.averageLength << " samples, sample period "
        << d.samplePeriod << " ms\n";
}

void DescribeSwitchRule(std::ostringstream& out, const OutputView& view, int i) {
    const DataSourceView& d = view.data[i];
    const std::string unit = view.captions.units[i];
    out << kIndent << "Switch rule, " << DataSourceTitle(i) << ": "
        << kSwitchFunctionCaptions[static_cast<int>(d.switchFunction)];
    const int points = d.bPointsShown ? 4 : 2;
    for (int p = 0; p < points; ++p) {
        out << (p == 0 ? ": " : ", ") << kSwitchPointCaptions[p] << " "
            << WithUnit(d.switchPoints[p], unit);
        if (d.switchColours[p] == TextColour::Red) out << " (out of order)";
    }
    out << "\n";
}

void DescribeTables(std::ostringstream& out, const OutputView& view) {
    const std::string dataUnit =
        view.captions.units[0] == kRawUnit ? "raw" : view.captions.units[0];
    if (view.frame == FunctionFrame::Table) {
        out << kIndent << "Analog table: duty cycle (%) by battery voltage (V, rows) and CAN data ("
            << dataUnit << ", columns)\n";
        TableTexts grid = view.analogTable;
        grid[0][0] = "V \\ data";
        PrintGrid(out, grid, std::string(kIndent) + kIndent);
    } else if (view.frame == FunctionFrame::FreqTable) {
        out << kIndent << "Frequency table: frequency (Hz) by CAN data (" << dataUnit << ")\n";
        TableTexts grid = view.freqTable;
        grid[0].insert(grid[0].begin(), "data");
        grid[1].insert(grid[1].begin(), "Hz");
        PrintGrid(out, grid, std::string(kIndent) + kIndent);
    } else if (view.frame == FunctionFrame::VoltageOut) {
        const auto& primary = view.data[0];
        const auto& secondary = view.data[1];
        out << kIndent << kVoltOutDutyCaptions[0] << " " << primary.voltOutDuty << " %, "
            << kVoltOutDutyCaptions[1] << " " << secondary.voltOutDuty << " %\n";
        out << kIndent << kVoltOutDataCaptions[0] << " "
            << WithUnit(primary.voltOutData, view.captions.units[0]) << ", "
            << kVoltOutDataCaptions[1] << " "
            << WithUnit(secondary.voltOutData, view.captions.units[0]) << "\n";
        out << kIndent << "Battery breakpoints (V):";
        for (int r = 1; r < kAnalogGrid.rows; ++r) out << " " << view.analogTable[r][0];
        out << "\n";
    }
}

}  // namespace

std::string DisplayText(std::string text) {
    std::erase(text, '\0');
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

FormatContext StoredFormatContext(const CalImage& image, int output, const UnitFlags& units) {
    FormatContext ctx;
    ctx.units = units;
    const auto& cal = CalAddresses().OutputCal.at(output);
    for (int i = 0; i < 2; ++i) {
        const int slot = image.Byte(cal.DataSource[i].MessageSlot);
        if (slot < 1 || slot > kMessageSlots) continue;
        const auto& def = CalAddresses().MessageDefSlot[slot - 1];
        DataFormat& d = ctx.data[i];
        const std::string library = DisplayText(image.Text(def.LibraryName, width::LibraryName));
        const std::string message = DisplayText(image.Text(def.MessageName, width::MessageName));
        d.selected =
            !library.empty() && library != kNoneName && !message.empty() && message != kNoneName;
        d.Multiplier = image.Double(def.Multiplier);
        d.Offset = image.Long(def.Offset);
        d.Unit = DisplayText(image.Text(def.Unit, width::Unit));
    }
    return ctx;
}

std::string WithDataUnit(const std::string& value, const std::string& unit) {
    if (unit.empty() || unit == kRawUnit || unit == kNoneName) return value;
    return value + " " + unit;
}

std::string OutputTitle(int output) {
    return "Output " + std::to_string(output + 1);
}

const char* DataSourceTitle(int dataIndex) {
    return dataIndex == 0 ? "primary CAN data" : "secondary CAN data";
}

std::string MessageSlotTitle(int slot) {
    return "Message slot " + std::to_string(slot + 1) + " (output " + std::to_string(slot / 2 + 1) +
           (slot % 2 == 0 ? " primary)" : " secondary)");
}

std::string FunctionText(std::uint8_t functionFlags, std::uint8_t outputOptions) {
    const OutputFunction function = FunctionOf(functionFlags, outputOptions);
    std::string text = kFunctionCaptions[static_cast<int>(function)];
    if (function == OutputFunction::RelayControl) {
        const DriveStates drive = DriveStatesOf(functionFlags);
        text += std::string(" (Off: ") + kDriveCaptions[static_cast<int>(drive.off)] +
                ", On: " + kDriveCaptions[static_cast<int>(drive.on)] + ")";
    }
    return text;
}

std::string SecondaryModeText(std::uint8_t secondaryMode, std::uint8_t functionFlags) {
    if (!UseSecondaryShown(secondaryMode)) return "not used";
    const bool relay = FrameOf(functionFlags, 0) == FunctionFrame::Relay;
    const auto andOr = AndOrShown(secondaryMode);
    if (!andOr) return "used (mode " + std::to_string(secondaryMode) + ")";
    if (!relay) return "used";
    return kAndOrCaptions[static_cast<int>(*andOr)];
}

namespace {

std::string SlotRegisterText(const CalImage& image, int slot) {
    const int address = CalAddresses().MessageSlot.at(slot).CanId;
    return BytesToHex(image.CopyFromImage(ImageIndex(address), width::CanId - 1));
}

}  // namespace

std::string SlotCanIdText(const CalImage& image, int slot) {
    return CanIdFromModule(SlotRegisterText(image, slot));
}

std::string SlotIdentifierText(const CalImage& image, int slot) {
    return SlotCanIdText(image, slot) + " (register " + SlotRegisterText(image, slot) + ")";
}

std::string SignalPlaceText(const CalImage& image, int output, int dataIndex) {
    const auto& ds = CalAddresses().OutputCal.at(output).DataSource.at(dataIndex);
    // The stored byte index counts from 0; message descriptions count bytes from 1. A signal
    // of more than 8 bits takes the byte after it too.
    const int first = image.Byte(ds.ByteIndex) + 1;
    const int bits = image.Byte(ds.BitLength);
    const std::string bytes =
        bits > 8 ? "bytes " + std::to_string(first) + "-" + std::to_string(first + 1)
                 : "byte " + std::to_string(first);
    return bytes + ", start bit " + std::to_string(image.Byte(ds.StartBit)) + ", " +
           std::to_string(bits) + " bits (bytes counted from 1, bits from 0)";
}

std::string ScalingText(const CalImage& image, int slot) {
    const auto& def = CalAddresses().MessageDefSlot.at(slot);
    const std::int32_t offset = image.Long(def.Offset);
    const std::string unit = DisplayText(image.Text(def.Unit, width::Unit));
    return "raw x " + ShortestText(image.Double(def.Multiplier)) + (offset < 0 ? " - " : " + ") +
           ShortestText(std::abs(static_cast<double>(offset))) + (unit.empty() ? "" : " " + unit);
}

std::string DescribeCalibration(const CalImage& image, const UnitFlags& units) {
    std::ostringstream out;
    const auto& m = CalAddresses();
    out << "CAN speed: " << image.Word(m.CanSpeed) << " kbit/s\n";
    for (int o = 0; o < kOutputs; ++o) {
        const FormatContext ctx = StoredFormatContext(image, o, units);
        const OutputScope scope{image, ctx, o};
        const OutputView view = GetCalValues(scope);
        const std::uint8_t flags = scope.FunctionFlags();
        out << "\n" << OutputTitle(o) << " \"" << DisplayText(view.outputName) << "\"\n";
        out << kIndent << "Function: " << FunctionText(flags, scope.OutputOptions()) << "\n";
        if (view.function == OutputFunction::Off) continue;
        out << kIndent << view.periodLabel << ": " << view.period << "\n";
        out << kIndent << "Show formatted CAN data: " << YesNo(view.showFormatted) << " ("
            << view.captions.caption << ")\n";
        out << kIndent
            << "Secondary data: " << SecondaryModeText(image.Byte(scope.Cal().SecondaryMode), flags)
            << " (" << view.useSecondaryCaption << ")\n";
        for (int i = 0; i < 2; ++i) DescribeDataSource(out, scope, view, i);
        if (view.frame == FunctionFrame::Relay) {
            DescribeSwitchRule(out, view, 0);
            if (view.useSecondary) DescribeSwitchRule(out, view, 1);
        }
        DescribeTables(out, view);
    }
    return out.str();
}

}  // namespace vx42
