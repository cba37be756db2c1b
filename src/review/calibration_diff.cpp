// The settings in which two calibrations differ, and the copy of chosen ones.
#include "review/calibration_diff.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <initializer_list>
#include <set>
#include <stdexcept>
#include <utility>

#include "calibration/converters.h"
#include "calibration/number_format.h"
#include "calibration/outputs/output_settings.h"
#include "calibration/outputs/output_view.h"
#include "calibration/outputs/relay_drive.h"
#include "review/calibration_text.h"

namespace vx42 {

namespace {

using ValueOf = std::function<std::string(const CalImage&)>;

struct Setting {
    std::string name;
    int address;
    int width;
    std::uint8_t mask;  // the bits of each byte the setting owns
    ValueOf value;
    int output;
    SettingGroup group;
    TableGrid grid;
    int row, col;
};

// One output of one image with its formatting, as the value functions read it.
struct OutputOf {
    const CalImage& image;
    FormatContext ctx;
    int output;
    OutputScope Scope() const { return {image, ctx, output}; }
};

// The settings in address order of appearance; a bit claimed twice keeps its first owner.
class SettingList {
  public:
    explicit SettingList(const UnitFlags& units) : units_(units), owned_(kCalImageSize, 0) {}

    // The settings added from here on belong to the output (-1: module-wide) and group.
    void In(int output, SettingGroup group) {
        output_ = output;
        group_ = group;
    }
    // The setting added next is a table cell.
    void AtCell(TableGrid grid, int row, int col) {
        grid_ = grid;
        row_ = row;
        col_ = col;
    }

    // A setting of whole bytes, or of the bits `mask` of each of its bytes.
    void Add(std::string name, int address, int width, ValueOf value, std::uint8_t mask = 0xFF) {
        const int row = std::exchange(row_, -1), col = std::exchange(col_, -1);
        bool any = false;
        for (int a = address; a < address + width; ++a) any |= (mask & ~owned_[ImageIndex(a)]) != 0;
        if (!any) return;
        for (int a = address; a < address + width; ++a) owned_[ImageIndex(a)] |= mask;
        settings_.push_back({std::move(name), address, width, mask, std::move(value), output_,
                             group_, grid_, row, col});
    }
    // A setting whose value needs the output's formatting.
    void AddScoped(std::string name, int address, int width, int output,
                   std::function<std::string(const OutputOf&)> value, std::uint8_t mask = 0xFF) {
        // The units by value: the list may be moved while its settings are read.
        Add(
            std::move(name), address, width,
            [units = units_, output, value](const CalImage& image) {
                return value(OutputOf{image, StoredFormatContext(image, output, units), output});
            },
            mask);
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
    // Words of a block that no named setting took, by the block's name and word number.
    void AddUnclaimedWords(const std::string& block, int address, int bytes) {
        for (int w = 0; w < bytes / 2; ++w) {
            const int at = address + 2 * w;
            const std::uint8_t low = owned_[ImageIndex(at)], high = owned_[ImageIndex(at + 1)];
            if (low == 0 && high == 0) {
                AddWord(block + " word " + std::to_string(w + 1), at);
                continue;
            }
            // A word a setting took in part: its other bits by byte, reported once.
            for (int b = 0; b < 2; ++b)
                if ((b == 0 ? low : high) != 0xFF)
                    AddLeftBits(block + " byte " + std::to_string(2 * w + b + 1), at + b);
        }
    }
    // Any bits still without a setting, by their byte's module address.
    void AddUnclaimedBytes() {
        for (int i = 0; i < kCalImageSize; ++i)
            if (owned_[i] != 0xFF) {
                char name[32];
                std::snprintf(name, sizeof name, "Byte at 0x%04X", i + kCalBaseAddress);
                AddLeftBits(name, i + kCalBaseAddress);
            }
    }
    // The bits of a byte no setting took, as the byte's number.
    void AddLeftBits(std::string name, int address) {
        Add(
            std::move(name), address, 1,
            [address](const CalImage& image) { return std::to_string(image.Byte(address)); },
            static_cast<std::uint8_t>(~owned_[ImageIndex(address)]));
    }

    const std::vector<Setting>& Settings() const { return settings_; }

  private:
    UnitFlags units_;
    std::vector<std::uint8_t> owned_;  // the bits of each byte a setting took
    std::vector<Setting> settings_;
    int output_ = -1;
    SettingGroup group_ = SettingGroup::ModuleWide;
    TableGrid grid_ = TableGrid::Analog;
    int row_ = -1, col_ = -1;
};

std::string DataUnit(const OutputOf& o, int dataIndex) {
    return CanDataCaptionsOf(o.Scope()).units[dataIndex];
}

void AddDataSource(SettingList& list, const std::string& prefix, int output, int i) {
    const auto& ds = CalAddresses().OutputCal[output].DataSource[i];
    const std::string head = prefix + DataSourceTitle(i) + ", ";
    list.In(output, SettingGroup::Messages);
    list.AddByte(head + "message slot", ds.MessageSlot);
    list.AddByte(head + "byte index", ds.ByteIndex);
    list.AddByte(head + "start bit", ds.StartBit);
    list.AddByte(head + "bit length", ds.BitLength);
    list.In(output, SettingGroup::Filters);
    list.AddScoped(head + "filter size", ds.FilterSize, 1, output,
                   [i](const OutputOf& o) { return FilterSizeText(o.Scope(), i) + " samples"; });
    list.AddScoped(head + "sample period", ds.SamplePeriod, 1, output,
                   [i](const OutputOf& o) { return SamplePeriodText(o.Scope(), i) + " ms"; });
}

void AddRelaySettings(SettingList& list, const std::string& prefix, int output,
                      const OutputScope& named) {
    list.In(output, SettingGroup::SwitchRules);
    for (int i = 0; i < 2; ++i)
        for (int p = 0; p < 4; ++p) {
            const auto point = static_cast<SwitchPoint>(p);
            list.AddScoped(
                prefix + DataSourceTitle(i) + ", switch point " + kSwitchPointCaptions[p],
                SwitchPointAddress(named, i, point), 2, output, [i, point](const OutputOf& o) {
                    return WithDataUnit(SwitchPointText(o.Scope(), i, point), DataUnit(o, i));
                });
        }
    // One byte: the primary data's function in the high nibble, the secondary's in the low.
    for (int i = 0; i < 2; ++i)
        list.AddScoped(
            prefix + DataSourceTitle(i) + ", switch function",
            named.Cal().PrimaryBlock + kSwitchFunctionOffset, 1, output,
            [i](const OutputOf& o) {
                return kSwitchFunctionCaptions[static_cast<int>(SwitchFunctionShown(o.Scope(), i))];
            },
            i == 0 ? 0xF0 : 0x0F);
}

// The cells of a table grid, named by the headers the first calibration shows.
void AddTableSettings(SettingList& list, const std::string& prefix, int output,
                      const OutputScope& named, TableGrid grid) {
    const GridSize size = SizeOf(grid);
    const TableTexts headers = GetTableTexts(named, grid);
    list.In(output, SettingGroup::Table);
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
            list.AtCell(grid, r, c);
            list.AddScoped(
                prefix + name, *address, 2, output, [grid, r, c, kind, unit](const OutputOf& o) {
                    const std::string text = GetTableCellText(o.Scope(), grid, r, c);
                    return kind == CellKind::DataBreakpoint ? WithDataUnit(text, DataUnit(o, 0))
                                                            : text + unit;
                });
        }
}

std::string FunctionCaption(const CalImage& image, int output) {
    const auto& m = CalAddresses();
    return kFunctionCaptions[static_cast<int>(FunctionOf(
        image.Byte(m.OutputCal[output].FunctionFlags), image.Byte(m.OutputOptions[output])))];
}

// The function (function byte bits 0, 1, 2, 5 and the options byte's voltage-output bit),
// the relay drive (bits 3, 4, 6) named by the state that differs, and the options byte's
// default-batteries bit.
void AddFunctionAndDrive(SettingList& list, const std::string& prefix, int output,
                         const CalImage& first, const CalImage& second) {
    const auto& m = CalAddresses();
    const int flags = m.OutputCal[output].FunctionFlags, options = m.OutputOptions[output];
    const auto bits = [](std::initializer_list<int> list) {
        int mask = 0;
        for (int bit : list) mask |= 1 << bit;
        return static_cast<std::uint8_t>(mask);
    };
    const ValueOf function = [output](const CalImage& image) {
        return FunctionCaption(image, output);
    };
    list.Add(prefix + "function", flags, 1, function,
             bits({fbit::Off, fbit::Gauge, fbit::Relay, fbit::Speedo}));
    list.Add(prefix + "function", options, 1, function, bits({obit::VoltageOut}));

    const DriveStates a = DriveStatesOf(first.Byte(flags)), b = DriveStatesOf(second.Byte(flags));
    const bool onOnly = a.on != b.on && a.off == b.off, offOnly = a.off != b.off && a.on == b.on;
    const std::string name = onOnly ? "On state" : offOnly ? "Off state" : "drive";
    list.Add(
        prefix + name, flags, 1,
        [flags, onOnly, offOnly](const CalImage& image) {
            const DriveStates d = DriveStatesOf(image.Byte(flags));
            const std::string on = kDriveCaptions[static_cast<int>(d.on)];
            const std::string off = kDriveCaptions[static_cast<int>(d.off)];
            return onOnly ? on : offOnly ? off : "Off: " + off + ", On: " + on;
        },
        bits({fbit::DriveVoltage, fbit::DriveGround, fbit::DriveSwap}));
    list.Add(
        prefix + "unused bit 7 of the function byte", flags, 1,
        [flags](const CalImage& image) {
            return IsBitSet(image.Byte(flags), 7) ? std::string("set") : std::string("clear");
        },
        bits({7}));
    list.Add(
        prefix + "default battery breakpoints at a function change", options, 1,
        [options](const CalImage& image) {
            return IsBitSet(image.Byte(options), obit::DefaultBatteries) ? std::string("yes")
                                                                         : std::string("no");
        },
        bits({obit::DefaultBatteries}));
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

    list.In(output, SettingGroup::Names);
    list.AddText(prefix + "name", m.OutputName[output], width::OutputName);
    list.In(output, SettingGroup::Function);
    AddFunctionAndDrive(list, prefix, output, first, second);
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
    list.In(output, SettingGroup::Other);
    list.AddUnclaimedWords(prefix + "primary block", cal.PrimaryBlock, width::PrimaryBlock);
    list.AddUnclaimedWords(prefix + "secondary block", cal.SecondaryBlock, width::SecondaryBlock);
    list.AddUnclaimedWords(prefix + "table block", cal.TableBlock, width::TableBlock);
}

// The value the slot's data source takes when its message stops, at the signal's place in
// the slot's data, as the output tab's box shows it; any other byte of that data by its
// number (counted from 1).
void AddDataOnTimeout(SettingList& list, const std::string& prefix, int s, const CalImage& first,
                      const UnitFlags& units) {
    const int output = s / 2, dataIndex = s % 2;
    const int data = CalAddresses().MessageSlot[s].TimeoutData;
    const auto place = TimeoutDataPlaceOf(
        OutputScope{first, StoredFormatContext(first, output, units), output}, dataIndex);
    if (place && place->stored > 0 && place->address >= data &&
        place->address + place->stored <= data + width::TimeoutData)
        list.AddScoped(prefix + "data on timeout", place->address, place->stored, output,
                       [dataIndex](const OutputOf& o) {
                           return WithDataUnit(DataOnTimeoutText(o.Scope(), dataIndex),
                                               DataUnit(o, dataIndex));
                       });
    for (int b = 0; b < width::TimeoutData; ++b)
        list.AddByte(prefix + "data on timeout, byte " + std::to_string(b + 1), data + b);
}

void AddMessageSlot(SettingList& list, int s, const CalImage& first, const UnitFlags& units) {
    const auto& slot = CalAddresses().MessageSlot[s];
    const auto& def = CalAddresses().MessageDefSlot[s];
    const std::string prefix = MessageSlotTitle(s) + ", ";
    const int output = s / 2;  // two slots per output, primary first
    list.In(output, SettingGroup::Messages);
    list.Add(prefix + "CAN id", slot.CanId, width::CanId,
             [s](const CalImage& image) { return SlotCanIdText(image, s); });
    list.AddByte(prefix + "data length", slot.DataLength);
    list.In(output, SettingGroup::Timeouts);
    list.AddWord(prefix + "timeout", slot.Timeout, " ms");
    AddDataOnTimeout(list, prefix, s, first, units);
    list.In(output, SettingGroup::Messages);
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

// Every setting of the image, in address order of appearance.
SettingList AllSettings(const CalImage& first, const CalImage& second, const UnitFlags& units) {
    SettingList list(units);
    for (int o = 0; o < kOutputs; ++o) AddOutput(list, first, second, units, o);
    list.In(-1, SettingGroup::ModuleWide);
    list.AddWord("CAN speed", CalAddresses().CanSpeed, " kbit/s");
    for (int s = 0; s < kMessageSlots; ++s) AddMessageSlot(list, s, first, units);
    list.In(-1, SettingGroup::ModuleWide);
    list.AddByte("Last byte (0x0EA6)", kCalBaseAddress + kCalImageLast);
    list.AddUnclaimedBytes();
    return list;
}

// Whether the bits `mask` of each byte of the run are the same in both images.
bool SameBytes(const CalImage& first, const CalImage& second, int address, int count,
               std::uint8_t mask = 0xFF) {
    const int index = ImageIndex(address);
    return std::equal(first.data() + index, first.data() + index + count, second.data() + index,
                      [mask](std::uint8_t x, std::uint8_t y) { return ((x ^ y) & mask) == 0; });
}

// The settings that differ, in address order of appearance.
std::vector<ComparedSetting> CompareSettings(const CalImage& first, const CalImage& second,
                                             const UnitFlags& units) {
    const SettingList list = AllSettings(first, second, units);
    std::vector<ComparedSetting> differences;
    for (const Setting& s : list.Settings()) {
        if (SameBytes(first, second, s.address, s.width, s.mask)) continue;
        ComparedSetting d{s.output, s.group,        s.address,       s.width, s.mask, s.name,
                          s.name,   s.value(first), s.value(second), s.grid,  s.row,  s.col};
        const std::string prefix = s.output >= 0 ? OutputTitle(s.output) + ", " : std::string();
        if (!prefix.empty() && d.label.starts_with(prefix)) d.label.erase(0, prefix.size());
        if (d.first == d.second) {
            const int index = ImageIndex(s.address);
            d.first += " [" + BytesToHex(first.CopyFromImage(index, s.width - 1)) + "]";
            d.second += " [" + BytesToHex(second.CopyFromImage(index, s.width - 1)) + "]";
        }
        differences.push_back(std::move(d));
    }
    return differences;
}

// The whole grid of the table whose cells differ, both calibrations' texts side by side.
TableComparison CompareTable(const CalImage& first, const CalImage& second, const UnitFlags& units,
                             int output, TableGrid grid) {
    const GridSize size = SizeOf(grid);
    TableComparison table{grid, size.rows, size.cols, {}, {}, {}};
    const FormatContext firstCtx = StoredFormatContext(first, output, units);
    const FormatContext secondCtx = StoredFormatContext(second, output, units);
    const OutputScope a{first, firstCtx, output}, b{second, secondCtx, output};
    // The cells' places by the calibration that names the table.
    const bool firstOff = FrameOf(a.FunctionFlags(), a.OutputOptions()) == FunctionFrame::None;
    const OutputScope& named = firstOff ? b : a;
    for (int r = 0; r < size.rows; ++r)
        for (int c = 0; c < size.cols; ++c) {
            table.first.push_back(GetTableCellText(a, grid, r, c));
            table.second.push_back(GetTableCellText(b, grid, r, c));
            const auto address = CellAddress(named, grid, r, c);
            table.differs.push_back(address && !SameBytes(first, second, *address, 2));
        }
    return table;
}

}  // namespace

const char* SettingGroupTitle(SettingGroup group) {
    switch (group) {
        case SettingGroup::Function:
            return "Function and drive";
        case SettingGroup::Names:
            return "Name";
        case SettingGroup::Messages:
            return "Messages";
        case SettingGroup::SwitchRules:
            return "Switch rules";
        case SettingGroup::Timeouts:
            return "Timeouts";
        case SettingGroup::Filters:
            return "Filters";
        case SettingGroup::Table:
            return "Table";
        case SettingGroup::Other:
            return "Other stored words";
        case SettingGroup::ModuleWide:
            break;
    }
    return "Module-wide settings";
}

std::vector<SettingDifference> DiffCalibrations(const CalImage& first, const CalImage& second,
                                                const UnitFlags& units) {
    std::vector<SettingDifference> differences;
    for (ComparedSetting& d : CompareSettings(first, second, units))
        differences.push_back(
            {d.address, std::move(d.name), std::move(d.first), std::move(d.second)});
    return differences;
}

std::vector<GroupDifferences> CompareCalibrations(const CalImage& first, const CalImage& second,
                                                  const UnitFlags& units) {
    std::vector<GroupDifferences> groups;
    auto groupOf = [&groups](int output, SettingGroup group) -> GroupDifferences& {
        for (GroupDifferences& g : groups)
            if (g.output == output && g.group == group) return g;
        std::string title = SettingGroupTitle(group);
        if (output >= 0) title = OutputTitle(output) + ": " + title;
        return groups.emplace_back(GroupDifferences{output, group, title, {}, {}});
    };
    for (ComparedSetting& d : CompareSettings(first, second, units))
        groupOf(d.output, d.group).settings.push_back(std::move(d));
    // Outputs in order, each output's groups in their order, the module-wide ones last.
    auto rank = [](const GroupDifferences& g) {
        return std::pair(g.output < 0 ? kOutputs : g.output, static_cast<int>(g.group));
    };
    std::stable_sort(groups.begin(), groups.end(),
                     [&rank](const auto& a, const auto& b) { return rank(a) < rank(b); });
    for (GroupDifferences& g : groups) {
        if (g.group != SettingGroup::Table) continue;
        g.table = CompareTable(first, second, units, g.output, g.settings.front().grid);
    }
    return groups;
}

std::string DifferenceLine(const SettingDifference& difference) {
    return difference.setting + ": " + difference.first + kChangeArrow + difference.second;
}

std::vector<ByteChange> CopySettings(EditTarget& target, const CalImage& other,
                                     const std::vector<ComparedSetting>& chosen) {
    std::vector<ByteChange> changes;
    std::set<std::pair<int, std::uint8_t>> copied;
    for (const ComparedSetting& s : chosen) {
        if (s.address < kCalBaseAddress || s.count <= 0 ||
            ImageIndex(s.address) + s.count > kCalImageSize)
            throw std::out_of_range("a setting outside the calibration");
        if (SameBytes(target.image, other, s.address, s.count, s.mask)) continue;
        // A setting chosen twice goes once.
        if (!copied.insert({s.address, s.mask}).second) continue;
        const int index = ImageIndex(s.address);
        ByteChange change{s.address, target.image.CopyFromImage(index, s.count - 1), {}};
        // Only the setting's own bits come across; the byte's other bits stay.
        Bytes theirs = other.CopyFromImage(index, s.count - 1);
        for (std::size_t i = 0; i < theirs.size(); ++i)
            theirs[i] =
                static_cast<std::uint8_t>((change.before[i] & ~s.mask) | (theirs[i] & s.mask));
        change.after = std::move(theirs);
        changes.push_back(std::move(change));
    }
    std::vector<BytesAt> runs;
    for (const ByteChange& c : changes) runs.push_back({c.address, c.after});
    target.StoreAndWriteRuns(runs);
    return changes;
}

std::string CopyStepName(const std::vector<ComparedSetting>& copied) {
    if (copied.size() == 1) return "Copy " + copied.front().name;
    return "Copy " + std::to_string(copied.size()) + " Settings";
}

std::string CopyReport(const std::vector<ComparedSetting>& copied, const std::string& otherName,
                       std::size_t listed) {
    std::string text = "Copied " + std::to_string(copied.size()) +
                       (copied.size() == 1 ? " setting" : " settings") + " from " + otherName +
                       " into the calibration shown:";
    for (std::size_t i = 0; i < copied.size() && i < listed; ++i)
        text += "\n" + copied[i].name + ": " + copied[i].second;
    if (copied.size() > listed)
        text += "\n... and " + std::to_string(copied.size() - listed) + " more.";
    return text + "\nEdit > Undo takes the copy back.";
}

}  // namespace vx42
