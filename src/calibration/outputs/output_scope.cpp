// The output an output tab works on: its image, its messages and its edit target.
#include "calibration/outputs/output_scope.h"

namespace vx42 {

double PeriodOf(const CalImage& image, int output) {
    const unsigned period = image.Word(CalAddresses().OutputCal.at(output).Period);
    return period == 0 ? 1.0 : static_cast<double>(period);
}

std::optional<int> OutputScope::MessageSlot(int dataIndex) const {
    const int slot = image.Byte(Source(dataIndex).MessageSlot);
    if (slot < 1 || slot > kMessageSlots) return std::nullopt;
    return slot - 1;
}

DataRange OutputScope::Range(int dataIndex) const {
    const DataRange r = GetDataRange(image, output, dataIndex, ctx);
    if (r.minimum <= r.maximum) return r;
    return {r.maximum, r.minimum};
}

}  // namespace vx42
