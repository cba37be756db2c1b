#pragma once
// A calibration image as JSON, field by field, and back: the form scripts read and write.
// Words are the stored 16-bit big-endian values, texts are UTF-8 and trimmed (written back
// padded with blanks), identifiers and time-out data are upper-case hexadecimal.

#include <nlohmann/json.hpp>

#include "calibration/cal_image.h"

namespace vx42 {

nlohmann::ordered_json CalibrationToJson(const CalImage& image);

// The reverse. Throws std::invalid_argument naming the field when the JSON lacks a field,
// has the wrong type or a value out of range.
CalImage CalibrationFromJson(const nlohmann::json& json);

}  // namespace vx42
