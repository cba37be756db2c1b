#pragma once
// Gauge presets: ready-made setups for one output that drives a particular gauge, read once
// at start-up from "GaugePresets.CFG" in the program's folder.
//
// The file is a line-oriented tag file in the single-byte code page:
//   <GaugePreset>
//     <GaugeName>Fuel Level</GaugeName>
//     <DataBreakpoints>0,100,200</DataBreakpoints>
//   </GaugePreset>
// A line's tag lies strictly between its first "<" and its first ">"; its value strictly
// between that ">" and the first "</". Nothing is trimmed and tags are case-sensitive.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "calibration/cal_image.h"

namespace vx42 {

class Prompt;
struct OutputEdit;

constexpr const char* kGaugePresetsFileName = "GaugePresets.CFG";
constexpr const char* kCustomPresetEntry = "Custom";

constexpr int kPresetDataPoints = 16;
constexpr int kPresetBatteryPoints = 6;
constexpr int kPresetDataRows = 6;

// Option counts of the groups a preset selects in: function, on state, off state.
constexpr int kFunctionOptions = 5;  // "Off", "Voltage Out", "Analog Gauge", "Relay Control",
                                     // "Speedo/Tach Gauge"
constexpr int kDriveOptions = 3;     // "Voltage", "Ground", "Open"
constexpr int kSpeedoTachFunction = 4;

struct GaugePreset {
    std::string GaugeName;
    std::string GaugePartNum;
    std::string OutputName;
    std::int16_t Function = 0;
    std::string Frequency;
    std::int16_t OutputOn = 0;
    std::int16_t OutputOff = 0;
    std::array<double, kPresetDataPoints> DataBreakpoints{};
    std::array<double, kPresetBatteryPoints> BatteryBreakpoints{};
    // DataRows[r - 1] is the row tagged DataRow<r>.
    std::array<std::array<double, kPresetDataPoints>, kPresetDataRows> DataRows{};

    // Why the preset cannot be applied (a function or drive state that is not an option);
    // empty when it can. Such a preset is still listed.
    std::string Problem;
    bool Usable() const { return Problem.empty(); }
};

// The tag and value of one line by the rules above (a line whose first ">" stands before its
// first "<" has no tag).
std::string_view LineTag(std::string_view line);
std::string_view LineValue(std::string_view line);

// The lines of a text file's bytes, without their line ends (CR LF, LF or a lone CR). A final
// line end does not start another line. More than maxLines lines throw InputCapError naming
// `source`, before any line is stored.
std::vector<std::string> SplitTextLines(std::span<const std::uint8_t> bytes,
                                        std::size_t maxLines = SIZE_MAX,
                                        const std::string& source = "the text");

// Parses the presets of the file's text (already in UTF-8). Bad values never stop the
// parse: list items beyond a field's size are ignored, and a function or drive state that is
// not an option marks its preset unusable. More than limits::kPresets presets throw
// InputCapError naming `source`.
std::vector<GaugePreset> ParseGaugePresets(const std::vector<std::string>& lines,
                                           const std::string& source = "the presets file");

// Reads the presets file. A missing file is created empty (no presets, no message); a file
// that cannot be opened or created shows "Could not open file" and gives no presets. A file
// beyond the caps of limits (size, lines, presets) gives none either; its message says what
// is too large or too many and the cap.
std::vector<GaugePreset> ReadGaugePresets(const std::string& path, Prompt& prompt);

// The entries of the preset list: "Custom", then "GaugeName - GaugePartNum" per preset in
// list order (entry k + 1 stands for preset k).
std::vector<std::string> FillPresetList(const std::vector<GaugePreset>& presets);

// One setting change of applying a preset. `CarryOutPreset` carries the steps out in order,
// through the same operations as the user's own edits (store, write, and the option
// clicks' rules); the window then refreshes the tab from the image and updates the title.
enum class PresetStepKind {
    LiftFormatCan,     // uncheck "Show formatted CAN data" (breakpoints are raw CAN data)
    SetName,           // text: the output name, committed as on Enter
    SetFunction,       // option: the function option, as its click does
    SetPeriod,         // text: the period/frequency field's text, committed as on Enter
    SuppressEvents,    // the window's own control events are suppressed from here ...
    SetOnOption,       // option: select and apply this on-state option
    SetOffOption,      // option: select and apply this off-state option
    ResumeEvents,      // ... to here
    SetCell,           // grid, row, column, value: StoreTableCell
    RestoreFormatCan,  // check "Show formatted CAN data" again
};

enum class PresetGrid { Analog, Frequency };  // mshAnalogTable, mshFreqTable

struct PresetStep {
    PresetStepKind kind;
    std::string text;
    int option = 0;
    PresetGrid grid = PresetGrid::Analog;
    int row = 0;
    int column = 0;
    double value = 0;
    bool operator==(const PresetStep&) const = default;
};

// The ordered setting changes that apply the preset of list entry `listEntry` to the output
// of the current tab; formatCanChecked is the state of "Show formatted CAN data". Entry 0
// ("Custom") or none (-1) gives no steps. An unusable preset gives no steps and says why.
// The window shows the wait cursor and settles the link before carrying the steps out.
std::vector<PresetStep> ApplyPreset(const std::vector<GaugePreset>& presets, int listEntry,
                                    bool formatCanChecked, Prompt& prompt);

// Carries the steps out on the output, in order: the name, function, period and drive
// states as their controls store them, "Show formatted CAN data" lifted and restored, and
// the cells as one batch per table (only changed words, as few writes as the staging area
// allows).
void CarryOutPreset(const OutputEdit& out, const std::vector<PresetStep>& steps);

// What the output's tab shows at the moment: the period field's text and the selected
// options (-1 when none is selected).
struct OutputDisplay {
    std::string periodText;
    int function = -1;
    int on = -1;
    int off = -1;
};

// The list entry to show for the output: k + 1 for the first preset k that equals the
// output's settings in the image and on the tab, 0 ("Custom") when none does.
int SelectMatchingPreset(const std::vector<GaugePreset>& presets, const CalImage& image, int output,
                         const OutputDisplay& display);

}  // namespace vx42
