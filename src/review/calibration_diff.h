#pragma once
// The settings in which two calibrations differ, each named as a person names it on the
// output tabs (output, setting, data source, table cell) with both values as shown there,
// and the copy of chosen settings from one calibration into another.
//
// There is one comparison: every setting of the image with its address range, its output
// and its group. `CompareCalibrations` gives the differences grouped for the compare
// window, `DiffCalibrations` the same differences in address order of appearance for
// "calibration diff" and the restore points.

#include <optional>
#include <string>
#include <vector>

#include "calibration/cal_image.h"
#include "calibration/edit_target.h"
#include "calibration/outputs/output_tables.h"
#include "calibration/units.h"

namespace vx42 {

struct SettingDifference {
    int address;          // module address of the setting's first byte
    std::string setting;  // "Output 2, primary CAN data, switch point On A"
    std::string first;    // the value in the first calibration
    std::string second;   // the value in the second
    bool operator==(const SettingDifference&) const = default;
};

// The groups of an output's settings, and the module-wide settings.
enum class SettingGroup {
    Function,     // function and drive, period, secondary data, formatted data
    Names,        // the output's name
    Messages,     // the data sources' messages and the message definitions they use
    SwitchRules,  // switch points and switch functions
    Timeouts,     // the messages' timeouts and data on timeout
    Filters,      // filter sizes and sample periods
    Table,        // the analog or frequency table
    Other,        // block words no setting of the output's function uses
    ModuleWide,   // CAN speed and every byte outside the outputs
};
// "Function and drive", "Names", ..., "Module-wide settings".
const char* SettingGroupTitle(SettingGroup group);

// One setting that differs.
struct ComparedSetting {
    int output = -1;  // 0 to 3; -1 for a module-wide setting
    SettingGroup group = SettingGroup::ModuleWide;
    int address = 0;           // module address of the first byte
    int count = 0;             // bytes
    std::uint8_t mask = 0xFF;  // the bits of each byte that are the setting's
    std::string name;          // as DiffCalibrations names it
    std::string label;         // the name within its output ("switch point On A")
    std::string first, second;
    // A table cell's place (row and column -1 for any other setting).
    TableGrid grid = TableGrid::Analog;
    int row = -1, col = -1;
};

// A table as two grids of cell texts, row by row; the corner and cells outside the grid
// are empty.
struct TableComparison {
    TableGrid grid = TableGrid::Analog;
    int rows = 0, cols = 0;
    std::vector<std::string> first, second;
    std::vector<bool> differs;
    int Index(int row, int col) const { return row * cols + col; }
};

struct GroupDifferences {
    int output = -1;
    SettingGroup group = SettingGroup::ModuleWide;
    std::string title;  // "Output 2: Switch rules", "Module-wide settings"
    std::vector<ComparedSetting> settings;
    std::optional<TableComparison> table;  // for a table group
};

// Every byte of the image belongs to exactly one named setting, so no difference goes
// unreported. The tables and switch blocks are named by the function of the output in the
// first calibration (by the second's when the first's output is off); their bytes that the
// function does not use are named by block and word. When two values read the same as
// shown (a rounding, an unused bit) both are followed by their stored bytes in hexadecimal.
std::vector<SettingDifference> DiffCalibrations(const CalImage& first, const CalImage& second,
                                                const UnitFlags& units);

// The same differences by output (in the order of `SettingGroup`), then module-wide; groups
// without a difference are left out.
std::vector<GroupDifferences> CompareCalibrations(const CalImage& first, const CalImage& second,
                                                  const UnitFlags& units);

// How every difference reads, the value before and after: "Voltage → Ground".
inline constexpr const char* kChangeArrow = " \u2192 ";

// "setting: first → second".
std::string DifferenceLine(const SettingDifference& difference);

// Takes the chosen settings' bytes (their own bits of them) from `other` into the target's image
// (marking it changed) and, online, to the module as staged changes. Only settings whose bytes
// differ are stored; a table goes as its changed cells. Returns the runs changed, for undo.
std::vector<ByteChange> CopySettings(EditTarget& target, const CalImage& other,
                                     const std::vector<ComparedSetting>& chosen);

// The undo step of a copy: the setting's own name when one was copied, their count otherwise.
std::string CopyStepName(const std::vector<ComparedSetting>& copied);
// What a copy from `otherName` did: how many settings, then one a line (at most `listed`,
// then "... and N more.").
std::string CopyReport(const std::vector<ComparedSetting>& copied, const std::string& otherName,
                       std::size_t listed = 12);

}  // namespace vx42
