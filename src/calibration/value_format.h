#pragma once
// Turning a stored raw CAN signal value into the value the user sees, and back.

#include <array>
#include <cstdint>
#include <string>

#include "calibration/cal_image.h"
#include "calibration/units.h"

namespace vx42 {

// The message selected in a data source's library and message lists.
struct DataFormat {
    bool selected = false;  // a library and a message are chosen (neither list shows "None")
    double Multiplier = 1;
    std::int32_t Offset = 0;
    std::string Unit;
};

struct FormatContext {
    std::array<DataFormat, 2> data;  // 0 = primary, 1 = secondary
    UnitFlags units;
};

// Formatting applies when the output shows formatted data and its data source has a message.
bool FormattingApplies(const CalImage& image, int output, int dataIndex, const FormatContext& ctx);

// raw * Multiplier + Offset in the display unit, or raw when formatting does not apply.
double GetFormatedValue(double raw, const CalImage& image, int output, int dataIndex,
                        const FormatContext& ctx);

// The same as text: "###0" when formatted, the plain decimal raw value otherwise.
std::string GetFormatedCalVal(double raw, const CalImage& image, int output, int dataIndex,
                              const FormatContext& ctx);

// A typed value back to a raw value, clamped to 0..65535 (not rounded).
double SetFormatedValueToWrite(double typed, const CalImage& image, int output, int dataIndex,
                               const FormatContext& ctx);

struct DataRange {
    double minimum;
    double maximum;
};
// The range a value of the data source can take: the formatted values of raw 0 and 65535.
DataRange GetDataRange(const CalImage& image, int output, int dataIndex, const FormatContext& ctx);

}  // namespace vx42
