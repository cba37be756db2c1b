// A stored raw CAN signal value turned into the value the user sees, and back.
#include "calibration/value_format.h"

#include <cmath>

#include "calibration/number_format.h"

namespace vx42 {

bool FormattingApplies(const CalImage& image, int output, int dataIndex, const FormatContext& ctx) {
    return image.Byte(CalAddresses().ShowFormatted.at(output)) != 0 &&
           ctx.data.at(dataIndex).selected;
}

double GetFormatedValue(double raw, const CalImage& image, int output, int dataIndex,
                        const FormatContext& ctx) {
    if (!FormattingApplies(image, output, dataIndex, ctx)) return raw;
    const auto& d = ctx.data[dataIndex];
    return ToDisplayUnits(raw * d.Multiplier + d.Offset, d.Unit, ctx.units);
}

std::string GetFormatedCalVal(double raw, const CalImage& image, int output, int dataIndex,
                              const FormatContext& ctx) {
    if (!FormattingApplies(image, output, dataIndex, ctx)) return ShortestText(raw);
    return FormatNumber(GetFormatedValue(raw, image, output, dataIndex, ctx), Pattern::Whole);
}

double SetFormatedValueToWrite(double typed, const CalImage& image, int output, int dataIndex,
                               const FormatContext& ctx) {
    double raw = typed;
    if (FormattingApplies(image, output, dataIndex, ctx)) {
        const auto& d = ctx.data[dataIndex];
        raw = (FromDisplayUnits(typed, d.Unit, ctx.units) - d.Offset) / d.Multiplier;
    }
    // A message with multiplier 0 cannot be inverted: 0 / 0 stores the lowest value.
    if (std::isnan(raw)) return 0;
    return Clamp(raw, 0, 65535);
}

DataRange GetDataRange(const CalImage& image, int output, int dataIndex, const FormatContext& ctx) {
    return {GetFormatedValue(0, image, output, dataIndex, ctx),
            GetFormatedValue(65535, image, output, dataIndex, ctx)};
}

}  // namespace vx42
