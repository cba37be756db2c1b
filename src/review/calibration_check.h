#pragma once
// The calibration check: rules over an image (and the message libraries in memory) that find
// what cannot work as meant (errors) or is probably unintended (warnings), each named by the
// output and the setting, with the values in display units.

#include <string>
#include <vector>

#include "calibration/cal_image.h"
#include "calibration/units.h"
#include "can/can_message.h"

namespace vx42 {

enum class Severity { Error, Warning };

// The rules, by identifier.
namespace check_rule {
constexpr const char* BreakpointOrder = "breakpoint-order";
constexpr const char* BatteryOrder = "battery-order";
constexpr const char* DutyAbovePeriod = "duty-above-period";
constexpr const char* VoltageDataOrder = "voltage-data-order";
constexpr const char* SwitchPointOrder = "switch-point-order";
constexpr const char* UnknownMessage = "unknown-message";
constexpr const char* SecondaryWithoutMessage = "secondary-without-message";
constexpr const char* TimeoutZero = "timeout-zero";
constexpr const char* TimeoutDataRange = "timeout-data-range";
constexpr const char* OffWithMessages = "off-with-messages";
}  // namespace check_rule

// The control of the output tab that holds the setting: its object name ("txtOnA_0",
// "mshAnalogTable"), and for a table its cell.
struct FindingPlace {
    std::string control;
    int row = -1;
    int col = -1;
    bool operator==(const FindingPlace&) const = default;
};

struct Finding {
    std::string rule;  // one of check_rule
    Severity severity = Severity::Error;
    int output = 0;       // 0 to 3
    std::string setting;  // "data breakpoint 5"
    std::string message;  // a whole sentence naming the output, the setting and the values
    FindingPlace place;
    bool operator==(const Finding&) const = default;
};

// Every finding, output by output. `libraries` may be null when no libraries are known: the
// rule on messages no library holds is then left out. Values are shown by the message
// definitions stored with the calibration, in the given units.
std::vector<Finding> CheckCalibration(const CalImage& image, const LibrarySet* libraries,
                                      const UnitFlags& units);

bool HasErrors(const std::vector<Finding>& findings);
// The errors among `after` that `before` does not have: no error of the same rule on the same
// output's setting.
std::vector<Finding> ErrorsAdded(const std::vector<Finding>& before,
                                 const std::vector<Finding>& after);
const char* SeverityText(Severity severity);  // "error", "warning"
// "Error: message" / "Warning: message".
std::string FindingLine(const Finding& finding);

}  // namespace vx42
