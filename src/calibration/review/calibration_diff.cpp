#include "calibration/review/calibration_diff.h"

#include <algorithm>
#include <cstdio>
#include <functional>

#include "calibration/converters.h"
#include "calibration/number_format.h"
#include "calibration/outputs/output_settings.h"
#include "calibration/outputs/output_view.h"
#include "calibration/review/calibration_text.h"

namespace vx42 {

namespace {

using ValueOf = std::function<std::string(const CalImage&)>;

struct Setting {
    std::string name;
    int address;
    int width;
    ValueOf value;
};

std::string Hex2(int value) {
    return "0x" + ByteToHex(static_cast<std::uint8_t>(value));
}

// One output of one image with its formatting, as the value functions read it.
struct OutputOf {
    const CalImage& image;
    FormatContext ctx;
    int output;
    OutputScope Scope() const { return {image, ctx, output}; }
};

// The settings in address order of appearance; a byte claimed twice keeps its first owner.
class SettingList {
  public:
    explicit SettingList(const UnitFlags& units) : units_(units), owned_(kCalImageSize, false) {}

    void Add(std::string name, int address, int width, ValueOf value) {
        bool any = false;
        for (int a = address; a < address + width; ++a) any |= !owned_[ImageIndex(a)];
        if (!any) return;
        for (int a = address; a < address + width; ++a) owned_[ImageIndex(a)] = true;
        settings_.push_back({std::move(name), address, width, std::move(value)});
    }
    // A setting whose value needs the output's formatting.
    void AddScoped(std::string name, int address, int width, int output,
                   std::function<std::string(const OutputOf&)> value) {
        Add(std::move(name), address, width, [this, output, value](const CalImage& image) {
            return value(OutputOf{image, StoredFormatContext(image, output, units_), output});
        });
    }
    void AddByte(std::string name, int address) {
        Add(std::move(name), address, 1,
            [address](const CalImage& image) { return std::to_string(image.Byte(address)); });
    }
    void AddWord(std::string name, int address, std::string unit = {}) {
        Add(std::move(name), address, 2, [address, unit](const CalImage& image) {
            return std::to_string(image.Word(address)) + unit;
        });
    }
    void AddText(std::string name, int address, int width) {
        Add(std::move(name), address, width, [address, width](const CalImage& image) {
            return "\"" + DisplayText(image.Text(address, width)) + "\"";
        });
    }
    void AddHex(std::string name, int address, int width) {
        Add(std::move(name), address, width, [address, width](const CalImage& image) {
            return BytesToHex(image.CopyFromImage(ImageIndex(address), width - 1));
        });
    }
    // Words of a block that no named setting took, by the block's name and word number.
    void AddUnclaimedWords(const std::string& block, int address, int bytes) {
        for (int w = 0; w < bytes / 2; ++w) {
            const int at = address + 2 * w;
            if (!owned_[ImageIndex(at)] || !owned_[ImageIndex(at + 1)])
                AddWord(block + " word " + std::to_string(w + 1), at);
        }
    }
    // Any byte still without a setting, by its module address.
    void AddUnclaimedBytes() {
        for (int i = 0; i < kCalImageSize; ++i)
            if (!owned_[i]) {
                char name[32];
                std::snprintf(name, sizeof name, "Byte at 0x%04X", i + kCalBaseAddress);
                AddByte(name, i + kCalBaseAddress);
            }
    }

    const std::vector<Setting>& Settings() const { return settings_; }

  private:
    UnitFlags units_;
    std::vector<bool> owned_;
    std::vector<Setting> settings_;
};

std::string DataUnit(const OutputOf& o, int dataIndex) {
    return CanDataCaptionsOf(o.Scope()).units[dataIndex];
}

void AddDataSource(SettingList& list, const std::string& prefix, int output, int i) {
    const auto& ds = CalAddresses().OutputCal[output].DataSource[i];
    const std::string head = prefix + DataSourceTitle(i) + ", ";
    list.AddByte(head + "message slot", ds.MessageSlot);
    list.AddByte(head + "byte index", ds.ByteIndex);
    list.AddByte(head + "start bit", ds.StartBit);
    list.AddByte(head + "bit length", ds.BitLength);
    list.AddScoped(head + "filter size", ds.FilterSize, 1, output,
                   [i](const OutputOf& o) { return FilterSizeText(o.Scope(), i) + " samples"; });
    list.AddScoped(head + "sample period", ds.SamplePeriod, 1, output,
                   [i](const OutputOf& o) { return SamplePeriodText(o.Scope(), i) + " ms"; });
}

void AddRelaySettings(SettingList& list, const std::string& prefix, int output,
                      const OutputScope& named) {
    for (int i = 0; i < 2; ++i)
        for (int p = 0; p < 4; ++p) {
            const auto point = static_cast<SwitchPoint>(p);
            list.AddScoped(
                prefix + DataSourceTitle(i) + ", switch point " + kSwitchPointCaptions[p],
                SwitchPointAddress(named, i, point), 2, output, [i, point](const OutputOf& o) {
                    return WithDataUnit(SwitchPointText(o.Scope(), i, point), DataUnit(o, i));
                });
        }
    list.AddScoped(
        prefix + "switch functions", named.Cal().PrimaryBlock + kSwitchFunctionOffset, 1, output,
        [](const OutputOf& o) {
            std::string text;
            for (int i = 0; i < 2; ++i)
                text +=
                    std::string(i == 0 ? "primary " : ", secondary ") +
                    kSwitchFunctionCaptions[static_cast<int>(SwitchFunctionShown(o.Scope(), i))];
            return text;
        });
}

// The cells of a table grid, named by the headers the first calibration shows.
void AddTableSettings(SettingList& list, const std::string& prefix, int output,
                      const OutputScope& named, TableGrid grid) {
    const GridSize size = SizeOf(grid);
    const TableTexts headers = GetTableTexts(named, grid);
    for (int r = 0; r < size.rows; ++r)
        for (int c = 0; c < size.cols; ++c) {
            const auto address = CellAddress(named, grid, r, c);
            if (!address) continue;
            const CellKind kind = CellKindOf(grid, r, c);
            std::string name;
            std::string unit;
            switch (kind) {
                case CellKind::DataBreakpoint:
                    name =
                        "data breakpoint " + std::to_string(grid == TableGrid::Analog ? c : c + 1);
                    break;
                case CellKind::Battery:
                    name = "battery breakpoint " + std::to_string(r);
                    unit = " V";
                    break;
                case CellKind::Duty:
                    name = "analog table, row " + std::to_string(r) + " (" + headers[r][0] +
                           " V), column " + std::to_string(c) + " (data " + headers[0][c] + ")";
                    unit = " %";
                    break;
                case CellKind::Frequency:
                    name = "frequency table, column " + std::to_string(c + 1) + " (data " +
                           headers[0][c] + ")";
                    unit = " Hz";
                    break;
                case CellKind::None:
                    continue;
            }
            list.AddScoped(
                prefix + name, *address, 2, output, [grid, r, c, kind, unit](const OutputOf& o) {
                    const std::string text = GetTableCellText(o.Scope(), grid, r, c);
                    return kind == CellKind::DataBreakpoint ? WithDataUnit(text, DataUnit(o, 0))
                                                            : text + unit;
                });
        }
}

void AddOutput(SettingList& list, const CalImage& first, const CalImage& second,
               const UnitFlags& units, int output) {
    const auto& m = CalAddresses();
    const auto& cal = m.OutputCal[output];
    const std::string prefix = OutputTitle(output) + ", ";
    // The blocks are read by the first calibration's function, or the second's when the
    // first's output is off.
    const bool firstOff = FrameOf(first.Byte(cal.FunctionFlags),
                                  first.Byte(m.OutputOptions[output])) == FunctionFrame::None;
    const CalImage& namer = firstOff ? second : first;
    const FormatContext ctx = StoredFormatContext(namer, output, units);
    const OutputScope named{namer, ctx, output};

    list.AddText(prefix + "name", m.OutputName[output], width::OutputName);
    list.Add(prefix + "function", cal.FunctionFlags, 1, [output](const CalImage& image) {
        const auto& mm = CalAddresses();
        return FunctionText(image.Byte(mm.OutputCal[output].FunctionFlags),
                            image.Byte(mm.OutputOptions[output]));
    });
    list.Add(prefix + "output options", m.OutputOptions[output], 1,
             [at = m.OutputOptions[output]](const CalImage& image) {
                 return Hex2(image.Byte(at)) +
                        (IsBitSet(image.Byte(at), obit::VoltageOut) ? " (voltage output)" : "");
             });
    list.Add(prefix + PeriodRuleOf(named.FunctionFlags()).label, cal.Period, 2,
             [output](const CalImage& image) {
                 const auto& c = CalAddresses().OutputCal[output];
                 return PeriodText(image.Word(c.Period),
                                   PeriodRuleOf(image.Byte(c.FunctionFlags)).kind);
             });
    list.Add(prefix + "secondary data", cal.SecondaryMode, 1, [output](const CalImage& image) {
        const auto& c = CalAddresses().OutputCal[output];
        return SecondaryModeText(image.Byte(c.SecondaryMode), image.Byte(c.FunctionFlags));
    });
    list.Add(prefix + "show formatted CAN data", m.ShowFormatted[output], 1,
             [at = m.ShowFormatted[output]](const CalImage& image) {
                 return image.Byte(at) != 0 ? std::string("yes") : std::string("no");
             });
    list.AddByte(prefix + "reserved byte", m.Reserved[output]);
    for (int i = 0; i < 2; ++i) AddDataSource(list, prefix, output, i);

    switch (FrameOf(named.FunctionFlags(), named.OutputOptions())) {
        case FunctionFrame::Relay:
            AddRelaySettings(list, prefix, output, named);
            break;
        case FunctionFrame::Table:
        case FunctionFrame::VoltageOut:
            AddTableSettings(list, prefix, output, named, TableGrid::Analog);
            break;
        case FunctionFrame::FreqTable:
            AddTableSettings(list, prefix, output, named, TableGrid::Freq);
            break;
        case FunctionFrame::None:
            break;
    }
    list.AddUnclaimedWords(prefix + "primary block", cal.PrimaryBlock, width::PrimaryBlock);
    list.AddUnclaimedWords(prefix + "secondary block", cal.SecondaryBlock, width::SecondaryBlock);
    list.AddUnclaimedWords(prefix + "table block", cal.TableBlock, width::TableBlock);
}

void AddMessageSlot(SettingList& list, int s) {
    const auto& slot = CalAddresses().MessageSlot[s];
    const auto& def = CalAddresses().MessageDefSlot[s];
    const std::string prefix = MessageSlotTitle(s) + ", ";
    list.Add(prefix + "CAN id", slot.CanId, width::CanId,
             [s](const CalImage& image) { return SlotIdentifierText(image, s); });
    list.AddByte(prefix + "data length", slot.DataLength);
    list.AddWord(prefix + "timeout", slot.Timeout, " ms");
    list.AddHex(prefix + "data on timeout", slot.TimeoutData, width::TimeoutData);
    list.AddText(prefix + "library", def.LibraryName, width::LibraryName);
    list.AddText(prefix + "message", def.MessageName, width::MessageName);
    list.AddText(prefix + "description", def.Description, width::Description);
    list.Add(prefix + "byte order", def.ByteOrder, 1, [at = def.ByteOrder](const CalImage& image) {
        return image.Byte(at) != 0 ? std::string("big-endian") : std::string("little-endian");
    });
    list.AddText(prefix + "unit", def.Unit, width::Unit);
    list.Add(
        prefix + "multiplier", def.Multiplier, width::Multiplier,
        [at = def.Multiplier](const CalImage& image) { return ShortestText(image.Double(at)); });
    list.Add(prefix + "offset", def.Offset, width::Offset,
             [at = def.Offset](const CalImage& image) { return std::to_string(image.Long(at)); });
    list.AddByte(prefix + "endianness length", CalAddresses().EndianLength[s]);
}

}  // namespace

std::vector<SettingDifference> DiffCalibrations(const CalImage& first, const CalImage& second,
                                                const UnitFlags& units) {
    SettingList list(units);
    for (int o = 0; o < kOutputs; ++o) AddOutput(list, first, second, units, o);
    list.AddWord("CAN speed", CalAddresses().CanSpeed, " kbit/s");
    for (int s = 0; s < kMessageSlots; ++s) AddMessageSlot(list, s);
    list.AddByte("Last byte (0x0EA6)", kCalBaseAddress + kCalImageLast);
    list.AddUnclaimedBytes();

    std::vector<SettingDifference> differences;
    for (const Setting& s : list.Settings()) {
        const int index = ImageIndex(s.address);
        if (std::equal(first.data() + index, first.data() + index + s.width, second.data() + index))
            continue;
        SettingDifference d{s.address, s.name, s.value(first), s.value(second)};
        if (d.first == d.second) {
            d.first += " [" + BytesToHex(first.CopyFromImage(index, s.width - 1)) + "]";
            d.second += " [" + BytesToHex(second.CopyFromImage(index, s.width - 1)) + "]";
        }
        differences.push_back(std::move(d));
    }
    return differences;
}

std::string DifferenceLine(const SettingDifference& difference) {
    return difference.setting + ": " + difference.first + " -> " + difference.second;
}

}  // namespace vx42
