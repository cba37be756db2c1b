#pragma once
// The settings in which two calibrations differ, each named as a person names it on the
// output tabs (output, setting, data source, table cell) with both values as shown there.

#include <string>
#include <vector>

#include "calibration/cal_image.h"
#include "calibration/units.h"

namespace vx42 {

struct SettingDifference {
    int address;          // module address of the setting's first byte
    std::string setting;  // "Output 2, primary CAN data, switch point On A"
    std::string first;    // the value in the first calibration
    std::string second;   // the value in the second
    bool operator==(const SettingDifference&) const = default;
};

// Every byte of the image belongs to exactly one named setting, so no difference goes
// unreported. The tables and switch blocks are named by the function of the output in the
// first calibration (by the second's when the first's output is off); their bytes that the
// function does not use are named by block and word. When two values read the same as
// shown (a rounding, an unused bit) both are followed by their stored bytes in hexadecimal.
std::vector<SettingDifference> DiffCalibrations(const CalImage& first, const CalImage& second,
                                                const UnitFlags& units);

// "setting: first -> second".
std::string DifferenceLine(const SettingDifference& difference);

}  // namespace vx42
