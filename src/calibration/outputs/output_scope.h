#pragma once
// The output an output tab works on: the image it reads, the messages its data sources
// have selected, and for edits the target every confirmed change goes through.

#include <cstdint>
#include <optional>

#include "calibration/cal_image.h"
#include "calibration/edit_target.h"
#include "calibration/value_format.h"

namespace vx42 {

// The stored period of an output; 0 counts as 1 wherever it scales a value.
double PeriodOf(const CalImage& image, int output);

// Reading one output's settings.
struct OutputScope {
    const CalImage& image;
    const FormatContext& ctx;
    int output;  // 0 to 3

    const OutputCalAddresses& Cal() const { return CalAddresses().OutputCal.at(output); }
    const DataSourceAddresses& Source(int dataIndex) const {
        return Cal().DataSource.at(dataIndex);
    }
    std::uint8_t FunctionFlags() const { return image.Byte(Cal().FunctionFlags); }
    std::uint8_t OutputOptions() const {
        return image.Byte(CalAddresses().OutputOptions.at(output));
    }
    bool ShowFormatted() const { return image.Byte(CalAddresses().ShowFormatted.at(output)) != 0; }
    double Period() const { return PeriodOf(image, output); }
    // The message slot (0 to 7) a data source points to; nothing when it has no message
    // (a stored slot number outside 1 to 8 counts as none).
    std::optional<int> MessageSlot(int dataIndex) const;
    // The range a formatted value of the data source can take, lowest first (a message
    // with a negative multiplier maps raw 0 to the top of its range).
    DataRange Range(int dataIndex) const;
};

// Editing one output: every store goes through the edit target (store, then write).
struct OutputEdit {
    EditTarget& edit;
    const FormatContext& ctx;
    int output;

    OutputScope Scope() const { return {edit.image, ctx, output}; }
};

}  // namespace vx42
