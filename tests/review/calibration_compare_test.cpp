// The comparison of two calibrations by group, and the copy of chosen settings with its undo.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <utility>

#include "calibration/converters.h"
#include "calibration/grid/grid_history.h"
#include "calibration/outputs/output_settings.h"
#include "calibration/outputs/switching.h"
#include "can/can_message.h"
#include "review/calibration_diff.h"
#include "support/demo_calibration.h"

namespace vx42 {
namespace {

// Output 1 of the demonstration is an analog gauge, output 2 a relay.
constexpr int kGauge = 0;
constexpr int kRelay = 1;

const OutputCalAddresses& Cal(int output) {
    return CalAddresses().OutputCal[output];
}

int CellAt(const CalImage& image, int row, int col) {
    const FormatContext raw;
    return *CellAddress(OutputScope{image, raw, kGauge}, TableGrid::Analog, row, col);
}

// The demonstration with one setting of each group changed.
CalImage OneOfEachGroup(const CalImage& demo) {
    const auto& m = CalAddresses();
    CalImage other = demo;
    const FormatContext raw;
    const OutputScope relay{other, raw, kRelay};
    other.StoreWord(Cal(kGauge).Period, 120);                               // function
    other.StoreText(m.OutputName[kGauge], width::OutputName, "Fuel Left");  // name
    other.SetByte(Cal(kGauge).DataSource[0].ByteIndex, 3);                  // messages
    other.StoreWord(m.MessageSlot[0].Timeout, 2500);                        // timeouts
    other.SetByte(Cal(kGauge).DataSource[0].FilterSize, 9);                 // filters
    other.StoreWord(CellAt(demo, 2, 5), 40);                                // table
    other.StoreWord(SwitchPointAddress(relay, 0, SwitchPoint::OnA), 1234);  // switch rules
    other.StoreWord(m.CanSpeed, 500);                                       // module-wide
    return other;
}

// A module side that keeps what it is sent, as the module's memory would.
struct ModuleMemory : ChangeSink {
    CalImage memory;
    std::vector<ByteSpan> writes;
    void WriteCalibrationChange(int address, std::span<const std::uint8_t> bytes) override {
        memory.CopyIntoImage(bytes, ImageIndex(address));
        writes.push_back({address, static_cast<int>(bytes.size())});
    }
};

// What the comparison of `a` with `b` says, line by line, each line after `prefix`.
std::vector<std::string> DiffLines(const CalImage& a, const CalImage& b, std::string_view prefix) {
    std::vector<std::string> lines;
    for (const SettingDifference& d : DiffCalibrations(a, b, UnitFlags{})) {
        const std::string line = DifferenceLine(d);
        lines.push_back(line.starts_with(prefix) ? line.substr(prefix.size()) : "(" + line + ")");
    }
    return lines;
}

TEST(CompareCalibrations, FindsOneSettingOfEachGroupInItsGroup) {
    const CalImage demo = test::DemoCalibration();
    const CalImage other = OneOfEachGroup(demo);
    std::map<std::pair<int, SettingGroup>, std::vector<std::string>> found;
    for (const GroupDifferences& g : CompareCalibrations(demo, other, UnitFlags{}))
        for (const ComparedSetting& s : g.settings) {
            EXPECT_EQ(std::pair(s.output, s.group), std::pair(g.output, g.group));
            EXPECT_NE(s.first, s.second) << s.name;
            found[{g.output, g.group}].push_back(s.label);
        }
    using G = SettingGroup;
    const std::map<std::pair<int, SettingGroup>, std::vector<std::string>> expected{
        {{kGauge, G::Function}, {"Frequency (hz)"}},
        {{kGauge, G::Names}, {"name"}},
        {{kGauge, G::Messages}, {"primary CAN data, byte index"}},
        {{kGauge, G::Timeouts}, {"Message slot 1 (output 1 primary), timeout"}},
        {{kGauge, G::Filters}, {"primary CAN data, filter size"}},
        {{kGauge, G::Table}, found[{kGauge, G::Table}]},  // its name is checked below
        {{kRelay, G::SwitchRules}, {"primary CAN data, switch point On A"}},
        {{-1, G::ModuleWide}, {"CAN speed"}},
    };
    const std::vector<std::string>& cells = found[{kGauge, G::Table}];
    ASSERT_EQ(cells.size(), 1u);
    EXPECT_EQ(cells[0].rfind("analog table, row 2 (", 0), 0u);
    EXPECT_EQ(found, expected);

    // The table comes as its whole grid with only the changed cell marked.
    const auto groups = CompareCalibrations(demo, other, UnitFlags{});
    const auto table = std::find_if(groups.begin(), groups.end(),
                                    [](const auto& g) { return g.table.has_value(); });
    ASSERT_NE(table, groups.end());
    const TableComparison& grid = *table->table;
    EXPECT_EQ(std::count(grid.differs.begin(), grid.differs.end(), true), 1);
    EXPECT_TRUE(grid.differs[static_cast<std::size_t>(grid.Index(2, 5))]);
    EXPECT_NE(grid.first[static_cast<std::size_t>(grid.Index(2, 5))],
              grid.second[static_cast<std::size_t>(grid.Index(2, 5))]);
    // The command line's list is the same comparison.
    EXPECT_EQ(DiffCalibrations(demo, other, UnitFlags{}).size(), 8u);
}

// The function byte and the options byte are named by the setting whose bits differ.
TEST(DiffCalibrations, NamesTheFunctionBytesBitsByTheirSetting) {
    const auto& m = CalAddresses();
    // The function byte before and after, the options byte after, the lines after "Output 1, ".
    const std::tuple<int, int, int, std::vector<std::string>> rows[] = {
        {0x52, 0x02, 0, {"On state: Ground \u2192 Open"}},
        {0x1C, 0x5C, 0, {"drive: Off: Ground, On: Voltage \u2192 Off: Voltage, On: Ground"}},
        {0x02, 0x02, 1, {"function: Analog Gauge \u2192 Voltage Out"}},
        {0x02, 0x82, 0, {"unused bit 7 of the function byte: clear \u2192 set"}},
        {0x02,
         0x14,
         0,
         {"function: Analog Gauge \u2192 Relay Control", "Off state: Open \u2192 Ground"}},
    };
    for (const auto& [flagsA, flagsB, optionsB, lines] : rows) {
        CalImage a = test::DemoCalibration();
        a.SetByte(Cal(kGauge).FunctionFlags, static_cast<std::uint8_t>(flagsA));
        a.SetByte(m.OutputOptions[kGauge], 0);
        CalImage b = a;
        b.SetByte(Cal(kGauge).FunctionFlags, static_cast<std::uint8_t>(flagsB));
        b.SetByte(m.OutputOptions[kGauge], static_cast<std::uint8_t>(optionsB));
        EXPECT_EQ(DiffLines(a, b, "Output 1, "), lines) << flagsA << " " << flagsB;
    }
    // The switch byte likewise: the secondary data's nibble is its own setting.
    const CalImage demo = test::DemoCalibration();
    CalImage other = demo;
    const int switchByte = Cal(kRelay).PrimaryBlock + kSwitchFunctionOffset;
    other.SetByte(switchByte, static_cast<std::uint8_t>((demo.Byte(switchByte) & 0xF0) | 0x02));
    const auto d = DiffCalibrations(demo, other, UnitFlags{});
    ASSERT_EQ(d.size(), 1u);
    EXPECT_EQ(std::tuple(d[0].setting, d[0].second),
              std::tuple("Output 2, secondary CAN data, switch function", "Window Switch On"));
}

// A message slot's settings read as CAN Message Setup and the output tab show them: the
// identifier without the module's register, the data on timeout in the data's units where
// the signal lies and any other byte of that data by its number.
TEST(DiffCalibrations, NamesTheMessageSlotsSettingsAsTheyAreShown) {
    const CalImage demo = test::DemoCalibration();
    const auto& slot = CalAddresses().MessageSlot[0];
    const auto place = TimeoutDataPlaceOf({demo, FormatContext{}, kGauge}, 0);
    ASSERT_TRUE(place && place->stored == 1);
    const int spare = place->address == slot.TimeoutData ? 7 : 0;  // a byte the signal leaves
    // Each change and the line after "Message slot 1 (output 1 primary), ".
    const std::pair<std::function<void(CalImage&)>, const char*> rows[] = {
        {[&](CalImage& c) { c.SetByte(place->address, 100); }, "data on timeout: 0 % \u2192 40 %"},
        {[&](CalImage& c) {
             c.CopyIntoImage(HexToBytes(CanIdToModule("18FEF200"), width::CanId),
                             ImageIndex(slot.CanId));
         },
         "CAN id: 18FEFC17 \u2192 18FEF200"},
        {[&](CalImage& c) { c.SetByte(slot.TimeoutData + spare, 9); },
         spare == 7 ? "data on timeout, byte 8: 0 \u2192 9"
                    : "data on timeout, byte 1: 0 \u2192 9"},
    };
    for (const auto& [change, line] : rows) {
        CalImage other = demo;
        change(other);
        EXPECT_EQ(DiffLines(demo, other, "Message slot 1 (output 1 primary), "),
                  std::vector<std::string>{line});
    }
}

// A copy of the drive takes the drive's bits only; the function stays the target's.
TEST(CopySettings, TakesOnlyTheBitsOfASettingThatSharesAByte) {
    CalImage image = test::DemoCalibration();
    image.SetByte(Cal(kGauge).FunctionFlags, 0x12);  // gauge, Off: Ground
    CalImage other = image;
    other.SetByte(Cal(kGauge).FunctionFlags, 0x54);  // relay, On: Ground
    bool changed = false;
    ModuleMemory module;
    module.memory = image;
    EditTarget target{image, changed, module};
    std::vector<ComparedSetting> drive;
    for (const GroupDifferences& g : CompareCalibrations(image, other, UnitFlags{}))
        for (const ComparedSetting& s : g.settings)
            if (s.label == "drive") drive.push_back(s);
    ASSERT_EQ(drive.size(), 1u);
    CopySettings(target, other, drive);
    EXPECT_EQ(std::tuple(image.Byte(Cal(kGauge).FunctionFlags),
                         module.memory.Byte(Cal(kGauge).FunctionFlags)),
              std::tuple(0x52, 0x52));
}

TEST(CopySettings, StoresOnlyTheChosenGroupAndUndoGivesItBack) {
    const CalImage demo = test::DemoCalibration();
    CalImage other = OneOfEachGroup(demo);
    for (int c : {6, 7}) other.StoreWord(CellAt(demo, 3, c), 60);
    CalImage image = demo;
    bool changed = false;
    ModuleMemory module;
    module.memory = demo;
    EditTarget target{image, changed, module};

    const auto groups = CompareCalibrations(demo, other, UnitFlags{});
    const auto table = std::find_if(groups.begin(), groups.end(),
                                    [](const auto& g) { return g.group == SettingGroup::Table; });
    ASSERT_NE(table, groups.end());
    ASSERT_EQ(table->settings.size(), 3u);
    GridHistory history;
    history.Record({kGauge, TableKind::Analog}, {{1, 1, 5, 6}}, "Edit Cell");  // by hand
    history.RecordBytes(CopySettings(target, other, table->settings),
                        CopyStepName(table->settings));

    // Exactly the three cells, in the image and in the module's memory.
    CalImage expected = demo;
    for (const ComparedSetting& s : table->settings)
        expected.CopyIntoImage(other.CopyFromImage(ImageIndex(s.address), 1),
                               ImageIndex(s.address));
    EXPECT_TRUE(image == expected && module.memory == expected && changed);
    int sent = 0;
    for (const ByteSpan& w : module.writes) sent += w.count;
    EXPECT_EQ(sent, 6);  // three words, nothing else
    // Copied again: nothing differs, nothing is stored or sent.
    module.writes.clear();
    EXPECT_TRUE(CopySettings(target, other, table->settings).empty());
    EXPECT_TRUE(module.writes.empty());

    // Undo stores the bytes before, redo those after, through the same store and write.
    auto undo = history.Undo();
    ASSERT_TRUE(undo && undo->cells.empty());
    target.StoreAndWriteRuns(undo->bytes);
    EXPECT_TRUE(image == demo && module.memory == demo);
    const auto redo = history.Redo();
    ASSERT_TRUE(redo);
    target.StoreAndWriteRuns(redo->bytes);
    EXPECT_TRUE(module.memory == expected);
    // The step of the hand edit below stays a table step.
    history.Undo();
    undo = history.Undo();
    ASSERT_TRUE(undo && undo->bytes.empty());
    EXPECT_EQ(undo->cells, (std::vector<CellWord>{{1, 1, 5}}));

    ComparedSetting outside{};
    outside.address = kCalBaseAddress + kCalImageLast;
    outside.count = 2;
    EXPECT_THROW(CopySettings(target, other, {outside}), std::out_of_range);
}

}  // namespace
}  // namespace vx42
