#include "files/gauge_presets.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/scripted_prompt.h"
#include "calibration/outputs/output_function.h"
#include "calibration/outputs/output_settings.h"
#include "calibration/outputs/output_tables.h"
#include "calibration/outputs/output_view.h"
#include "support/temp_dir.h"

namespace vx42 {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

std::vector<GaugePreset> Parse(const std::string& text) {
    return ParseGaugePresets(
        SplitTextLines(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size())));
}

const char* kTwoPresets =
    "Gauge presets for the VX42\r\n<GaugePreset>\r\n"
    "  <GaugeName>Fuel Level</GaugeName>\r\n<GaugePartNum>FL-100</GaugePartNum>\r\n"
    "<OutputName>Fuel</OutputName>\r\n<Function>2</Function>\r\n<Frequency>100</Frequency>\r\n"
    "<OutputOn>1</OutputOn>\r\n<OutputOff>2</OutputOff>\r\n"
    "<DataBreakpoints>0,100,200</DataBreakpoints>\r\n"
    "<BatteryBreakpoints>7.99,9.98,11.98,14.01,16.01,18.01</BatteryBreakpoints>\r\n"
    "<DataRow1>10,20,30</DataRow1>\r\n<DataRow3>5.5</DataRow3>\r\n</GaugePreset>\r\n"
    "<GaugePreset>\r\n<GaugeName>Speedometer</GaugeName>\r\n<GaugePartNum>SP-4</GaugePartNum>\r\n"
    "<OutputName>Speedo</OutputName>\r\n<Function>4</Function>\r\n<Frequency>50</Frequency>\r\n"
    "<OutputOff>1</OutputOff>\r\n<DataBreakpoints>0,1000,2000</DataBreakpoints>\r\n"
    "<BatteryBreakpoints>7.99,9.98,11.98,14.01,16.01,18.01</BatteryBreakpoints>\r\n"
    "<DataRow1>0,100.5,201</DataRow1>\r\n</GaugePreset>\r\n";

TEST(GaugePresetLines, TagAndValueFollowTheBracketRules) {
    EXPECT_EQ(LineTag("   <GaugeName>Fuel</GaugeName>"), "GaugeName");
    EXPECT_EQ(LineTag("<GaugeName >Fuel</GaugeName>"), "GaugeName ");
    EXPECT_EQ(LineTag("</GaugePreset>"), "/GaugePreset");
    EXPECT_EQ(LineTag("no brackets"), "");
    EXPECT_EQ(LineTag("only <open"), "");
    EXPECT_EQ(LineTag("a > b < c"), "");  // ">" before "<": no usable tag
    EXPECT_EQ(LineValue("<OutputName>  Fuel </OutputName>"), "  Fuel ");
    EXPECT_EQ(LineValue("<OutputName>Fuel"), "");
    EXPECT_EQ(LineValue("</GaugePreset>"), "");
    EXPECT_EQ(LineValue("<A>x>y</A></B>"), "x>y");
}

TEST(GaugePresetParse, BlocksInFileOrderWithTheirFields) {
    const auto presets = Parse(kTwoPresets);
    ASSERT_EQ(presets.size(), 2u);
    const auto& fuel = presets[0];
    // The indented tag line is read; three data breakpoints set positions 0 to 2 only.
    EXPECT_EQ(std::tie(fuel.GaugeName, fuel.OutputName, fuel.Frequency),
              std::tuple("Fuel Level", "Fuel", "100"));
    EXPECT_EQ(fuel.Function * 100 + fuel.OutputOn * 10 + fuel.OutputOff, 212);
    EXPECT_EQ(fuel.DataBreakpoints, (std::array<double, 16>{0, 100, 200}));
    EXPECT_EQ(std::tuple(fuel.BatteryBreakpoints[5], fuel.DataRows[0][2], fuel.DataRows[2][0],
                         presets[1].DataRows[0][1]),
              std::tuple(18.01, 30.0, 5.5, 100.5));

    EXPECT_EQ(FillPresetList(presets),
              (std::vector<std::string>{"Custom", "Fuel Level - FL-100", "Speedometer - SP-4"}));
    EXPECT_EQ(FillPresetList({}), std::vector<std::string>{"Custom"});
}

TEST(GaugePresetParse, TagsAreExactAndBadListsNeverStopTheLoad) {
    const auto presets = Parse(
        "<gaugepreset>\n"  // wrong case: not a block
        "<GaugeName>Outside</GaugeName>\n"
        "<GaugePreset>\n"
        "<GaugeName >Blank</GaugeName>\n"  // blank inside the brackets: ignored
        "<GaugeName>First</GaugeName>\n"
        "<GaugeName>Second</GaugeName>\n"  // a repeated tag overwrites
        "<gaugename>lower</gaugename>\n"
        "<DataRow7>1,2,3</DataRow7>\n"
        "<DataRow6>,7,</DataRow6>\n"
        "<BatteryBreakpoints>1,2,3,4,5,6,7,8,9</BatteryBreakpoints>\n"
        "<DataBreakpoints>1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18</DataBreakpoints>\n"
        "<DataBreakpoints> 9.5abc</DataBreakpoints>\n"  // only position 0 changes
        "<Frequency> 60 Hz </Frequency>\n"
        "<GaugePartNum>Runs to the end</GaugePartNum>\n");
    ASSERT_EQ(presets.size(), 1u);  // the unclosed block is kept
    const auto& p = presets[0];
    EXPECT_EQ(std::tie(p.GaugeName, p.GaugePartNum, p.Frequency),
              std::tuple("Second", "Runs to the end", " 60 Hz "));
    EXPECT_EQ(std::tuple(p.DataRows[5][0], p.DataRows[5][1], p.BatteryBreakpoints[5]),
              std::tuple(0.0, 7.0, 6.0));
    EXPECT_EQ(std::tuple(p.DataBreakpoints[0], p.DataBreakpoints[1], p.DataBreakpoints[15]),
              std::tuple(9.5, 2.0, 16.0));
    EXPECT_TRUE(p.Usable());
}

TEST(GaugePresetParse, NumbersRoundHalvesToEvenAndBadOptionsMarkThePresetUnusable) {
    const auto presets = Parse(
        "<GaugePreset>\n<Function> 2.5 volts</Function>\n<OutputOn> 1.5 </OutputOn>\n"
        "<OutputOff>0.5</OutputOff>\n</GaugePreset>\n"
        "<GaugePreset>\n<Function>3.5</Function>\n<OutputOn>2</OutputOn>\n</GaugePreset>\n"
        "<GaugePreset>\n<Function>5</Function>\n</GaugePreset>\n"
        "<GaugePreset>\n<OutputOn>on</OutputOn>\n<OutputOff>3</OutputOff>\n</GaugePreset>\n"
        "<GaugePreset>\n<OutputOff>9</OutputOff>\n<OutputOff>1</OutputOff>\n</GaugePreset>\n"
        "<GaugePreset>\n<Function>x</Function>\n<OutputOn></OutputOn>\n</GaugePreset>\n");
    ASSERT_EQ(presets.size(), 6u);
    EXPECT_EQ(std::tuple(presets[0].Function, presets[0].OutputOn, presets[0].OutputOff,
                         presets[1].Function),
              std::tuple(2, 2, 0, 4));
    EXPECT_TRUE(presets[0].Usable() && presets[1].Usable());
    EXPECT_THAT(presets[2].Problem, HasSubstr("Function 5"));
    EXPECT_THAT(presets[3].Problem, AllOf(HasSubstr("OutputOn \"on\""), HasSubstr("OutputOff 3")));
    // The last value of a field decides.
    EXPECT_TRUE(presets[4].Usable());
    EXPECT_EQ(presets[4].OutputOff, 1);
    // No number in Function gives 0; an empty drive state is not a number.
    EXPECT_EQ(presets[5].Function, 0);
    EXPECT_THAT(presets[5].Problem, AllOf(Not(IsEmpty()), Not(HasSubstr("Function"))));
}

TEST(GaugePresetFile, MissingFileIsCreatedEmptyAndItsTextIsTheSingleByteCodePage) {
    test::TempDir dir;
    ScriptedPrompt prompt;
    const std::string path = dir.file("GaugePresets.CFG");
    EXPECT_TRUE(ReadGaugePresets(path, prompt).empty());
    EXPECT_EQ(fs::file_size(path), 0u);
    std::ofstream(path, std::ios::binary) << "<GaugePreset>\n<GaugeName>Temp \xB0"
                                             "F</GaugeName>\n";
    EXPECT_EQ(ReadGaugePresets(path, prompt).at(0).GaugeName, "Temp \u00B0F");
    EXPECT_TRUE(prompt.Calls().empty());
}

TEST(GaugePresetFile, UnopenableFilesAndFilesBeyondACapGiveNoPresetsAndSayWhy) {
    test::TempDir dir;
    const std::string path = dir.file("GaugePresets.CFG");
    auto blocks = [](std::size_t n) {
        std::string text;
        for (std::size_t i = 0; i < n; ++i) text += "<GaugePreset>\n</GaugePreset>\n";
        return text;
    };
    const struct {
        std::string path, text;
        std::size_t presets;  // read when nothing is said
        std::string says;
    } cases[] = {
        {dir.file("no such folder/GaugePresets.CFG"), "", 0, "Could not open file"},
        {dir.str(), "", 0, "Could not open file"},  // a folder
        {path, blocks(1000), 1000, ""},
        {path, blocks(1001), 0, "\"" + path + "\" has more than 1,000 presets"},
        {path, std::string(100000, '\n'), 0, ""},
        {path, std::string(100001, '\n'), 0, "\"" + path + "\" has more than 100,000 lines"},
        {path, std::string(1 << 20, ' '), 0, ""},
        {path, std::string((1 << 20) + 1, ' '), 0,
         "\"" + path + "\" is too large (1,048,577 bytes; at most 1,048,576 bytes)"},
    };
    for (const auto& c : cases) {
        if (c.path == path) std::ofstream(path, std::ios::binary) << c.text;
        ScriptedPrompt prompt;
        if (!c.says.empty()) prompt.ExpectMessage(c.says);
        EXPECT_EQ(ReadGaugePresets(c.path, prompt).size(), c.presets) << c.says;
        EXPECT_TRUE(prompt.Unexpected().empty() && prompt.ScriptDone()) << c.says;
    }
}

// ---- Applying ----

class GaugePresets : public ::testing::Test {
  protected:
    void TearDown() override { EXPECT_TRUE(prompt.Unexpected().empty()); }
    std::vector<GaugePreset> presets = Parse(kTwoPresets);
    ScriptedPrompt prompt;
};

// The steps that set a cell of `grid`, in `row` and `column` when given.
std::vector<PresetStep> Cells(const std::vector<PresetStep>& steps, PresetGrid grid, int row = -1,
                              int column = -1) {
    std::vector<PresetStep> out;
    for (const auto& s : steps)
        if (s.kind == PresetStepKind::SetCell && s.grid == grid && (row < 0 || s.row == row) &&
            (column < 0 || s.column == column))
            out.push_back(s);
    return out;
}

TEST_F(GaugePresets, ApplyAnalogPresetPlanInOrder) {
    const auto steps = ApplyPreset(presets, 1, false, prompt);
    using K = PresetStepKind;
    const std::vector<PresetStep> head{
        {K::SetName, "Fuel"},    {K::SetFunction, {}, 2},
        {K::SetPeriod, "100"},   {K::SuppressEvents, {}},
        {K::SetOnOption, {}, 1}, {K::SetOffOption, {}, 2},
        {K::ResumeEvents, {}},   {K::SetCell, {}, 0, PresetGrid::Analog, 1, 0, 7.99}};
    ASSERT_EQ(steps.size(), 7u + 118u);  // 6 battery + 16 breakpoints + 96 duty cells
    EXPECT_EQ(std::vector<PresetStep>(steps.begin(), steps.begin() + 8), head);
    EXPECT_EQ(Cells(steps, PresetGrid::Analog).size(), 118u);
    EXPECT_EQ(Cells(steps, PresetGrid::Analog, 0, 3).at(0).value, 200);
    EXPECT_EQ(Cells(steps, PresetGrid::Analog, 1, 3).at(0).value, 30);
    EXPECT_EQ(Cells(steps, PresetGrid::Analog, 3, 1).at(0).value, 5.5);
    EXPECT_TRUE(Cells(steps, PresetGrid::Analog, 0, 0).empty());  // never the corner
    EXPECT_TRUE(prompt.Calls().empty());
}

TEST_F(GaugePresets, ApplySpeedoTachFillsTheFrequencyTableAndBatteryColumnOnly) {
    const auto steps = ApplyPreset(presets, 2, true, prompt);  // the second entry
    EXPECT_EQ(steps.front().kind, PresetStepKind::LiftFormatCan);
    EXPECT_EQ(steps.back().kind, PresetStepKind::RestoreFormatCan);
    EXPECT_EQ(steps[1].text, "Speedo");
    EXPECT_EQ(Cells(steps, PresetGrid::Frequency, 0).size(), 16u);
    EXPECT_EQ(Cells(steps, PresetGrid::Frequency, 1).size(), 16u);
    EXPECT_EQ(Cells(steps, PresetGrid::Analog).size(), 6u);
    for (int r = 1; r <= 6; ++r) EXPECT_EQ(Cells(steps, PresetGrid::Analog, r, 0).size(), 1u);
    EXPECT_EQ(Cells(steps, PresetGrid::Frequency, 0, 1).at(0).value, 1000);
    EXPECT_EQ(Cells(steps, PresetGrid::Frequency, 1, 1).at(0).value, 100.5);
}

TEST_F(GaugePresets, ApplyCustomChangesNothingAndUnusablePresetSaysWhy) {
    presets.push_back(
        Parse("<GaugePreset>\n<GaugeName>Bad</GaugeName>\n"
              "<OutputOn>7</OutputOn>\n")[0]);
    for (int entry : {0, -1, 9}) EXPECT_TRUE(ApplyPreset(presets, entry, true, prompt).empty());
    EXPECT_TRUE(prompt.Calls().empty());
    prompt.ExpectMessage("OutputOn 7");
    EXPECT_TRUE(ApplyPreset(presets, 3, true, prompt).empty());
    ASSERT_EQ(prompt.Calls().size(), 1u);
    EXPECT_NE(prompt.Calls()[0].text.find("Bad - "), std::string::npos);
}

// ---- Matching ----

// An output that a plan is carried out on, by the operation the output tab calls; what the
// tab then shows is read back from the image as the tab reads it, and a test may change it.
struct Output {
    CalImage image;
    OutputDisplay display;
    int output = 1;

    void Apply(const std::vector<PresetStep>& steps) {
        bool changed = false;
        OfflineSink sink;
        EditTarget edit{image, changed, sink};
        const FormatContext ctx;
        CarryOutPreset(OutputEdit{edit, ctx, output}, steps);
        const OutputView shown = GetCalValues(OutputScope{image, ctx, output});
        display = {shown.period, static_cast<int>(shown.function), static_cast<int>(shown.drive.on),
                   static_cast<int>(shown.drive.off)};
    }
    bool ShowsFormatted() const {
        return image.Byte(CalAddresses().ShowFormatted.at(static_cast<std::size_t>(output))) != 0;
    }
    int Match(const std::vector<GaugePreset>& presets) const {
        return SelectMatchingPreset(presets, image, output, display);
    }
};

TEST_F(GaugePresets, MatchEveryCellAndDisplayedSettingTakesPartAndTheFirstMatchWins) {
    Output o;
    EXPECT_EQ(o.Match(presets), 0);
    o.Apply(ApplyPreset(presets, 1, false, prompt));
    ASSERT_EQ(o.Match(presets), 1);
    auto differs = [&](auto change) {
        Output c = o;
        change(c);
        return c.Match(presets) == 0;
    };
    const auto& out = CalAddresses().OutputCal[o.output];
    EXPECT_TRUE(differs([&](Output& c) { c.image.StoreWord(out.TableBlock + 32 * 5 + 30, 1000); }));
    EXPECT_TRUE(differs([&](Output& c) { c.image.StoreWord(out.PrimaryBlock + 2 * 15, 1); }));
    EXPECT_TRUE(differs([](Output& c) { c.display.function = 3; }));
    EXPECT_TRUE(differs([](Output& c) { c.display.on = 0; }));
    EXPECT_TRUE(differs([](Output& c) { c.display.off = 1; }));
    EXPECT_TRUE(differs([](Output& c) { c.display.periodText = "100.01"; }));
    EXPECT_TRUE(differs([](Output& c) {
        c.image.StoreText(CalAddresses().OutputName[c.output], width::OutputName, "fuel");
    }));
    EXPECT_TRUE(differs([&](Output& c) { c.image.StoreWord(out.SecondaryBlock + 10, 1342); }));
    // Another output's settings do not count.
    EXPECT_TRUE(differs([](Output& c) { c.output = 2; }));
    // The first match wins; an unusable preset never matches.
    auto broken = presets[0];
    broken.Problem = "OutputOn 7 is not an option";
    EXPECT_EQ(o.Match({broken, presets[1], presets[0], presets[0]}), 3);
}

TEST_F(GaugePresets, MatchSpeedoTachComparesItsFrequencyRowOnly) {
    Output o;
    // Old analog values beyond the frequency row stay in the table block.
    const auto& out = CalAddresses().OutputCal[o.output];
    o.image.StoreWord(out.TableBlock + 32 * 2, 4000);
    o.image.SetByte(CalAddresses().ShowFormatted[o.output], 0);
    o.Apply(ApplyPreset(presets, 2, true, prompt));
    EXPECT_EQ(o.Match(presets), 2);
    EXPECT_TRUE(o.ShowsFormatted());              // lifted for the raw breakpoints, then set again
    o.image.StoreWord(out.TableBlock + 2, 1004);  // 100.4 Hz where 100.5 was applied
    EXPECT_EQ(o.Match(presets), 0);
}

TEST(GaugePresetMatch, TheShippedSamplesLoadCleanlyAndMatchOnceApplied) {
    ScriptedPrompt prompt;
    const fs::path sample = fs::path(VX42_SOURCE_DIR) / "data" / "GaugePresets.CFG";
    const auto presets = ReadGaugePresets(sample.string(), prompt);
    ASSERT_GE(presets.size(), 3u);
    bool speedo = false;
    for (const auto& p : presets) {
        EXPECT_TRUE(p.Usable()) << p.GaugeName << ": " << p.Problem;
        speedo = speedo || p.Function == kSpeedoTachFunction;
    }
    EXPECT_TRUE(speedo);
    for (int entry = 1; entry <= static_cast<int>(presets.size()); ++entry) {
        Output o;
        o.Apply(ApplyPreset(presets, entry, true, prompt));
        EXPECT_EQ(o.Match(presets), entry);
    }
    EXPECT_TRUE(prompt.Calls().empty());
}

}  // namespace
}  // namespace vx42
