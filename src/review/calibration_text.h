#pragma once
// A calibration as a person reads it: the words and units of the output tabs, for
// "calibration describe" and for naming the settings "calibration diff" reports.

#include <string>

#include "calibration/cal_image.h"
#include "calibration/units.h"
#include "calibration/value_format.h"

namespace vx42 {

// The formatting of an output's data sources by the message definitions stored with the
// calibration (no message library is needed): a data source counts as having a
// message when its slot number is 1 to 8 and the slot names a library and a message.
FormatContext StoredFormatContext(const CalImage& image, int output, const UnitFlags& units);

// A stored text as printed on one line: zero bytes (a fresh image's fields) show as nothing,
// other control characters as "?".
std::string DisplayText(std::string text);

// A CAN data value with its unit; none for raw data or a message without a unit.
std::string WithDataUnit(const std::string& value, const std::string& unit);

std::string OutputTitle(int output);         // "Output 1"
const char* DataSourceTitle(int dataIndex);  // "primary CAN data", "secondary CAN data"
std::string MessageSlotTitle(int slot);      // "Message slot 3 (output 2 primary)"

// "Relay Control (Off: Ground, On: Voltage)", "Analog Gauge", ...
std::string FunctionText(std::uint8_t functionFlags, std::uint8_t outputOptions);
// How the secondary data is used: "not used", "used", "And", "Or" or the stored number.
std::string SecondaryModeText(std::uint8_t secondaryMode, std::uint8_t functionFlags);
// A message slot's identifier as CAN Message Setup shows it: "18FEF100".
std::string SlotCanIdText(const CalImage& image, int slot);
// The same with the module's register value: "18FEF100 (register C7FDE200)".
std::string SlotIdentifierText(const CalImage& image, int slot);
// A data source's place in the CAN data, bytes counted from 1 as message descriptions
// count them: "bytes 2-3, start bit 0, 16 bits (bytes counted from 1, bits from 0)".
std::string SignalPlaceText(const CalImage& image, int output, int dataIndex);
// A message slot's scaling with the message's own unit: "raw x 0.4 + 0 %".
std::string ScalingText(const CalImage& image, int slot);

// The whole calibration as text, output by output.
std::string DescribeCalibration(const CalImage& image, const UnitFlags& units);

}  // namespace vx42
