// The input filters every entry box of an output tab shares, as functions on text.
#include "calibration/outputs/entry_filters.h"

#include <cmath>

#include "calibration/converters.h"
#include "calibration/number_format.h"

namespace vx42 {

bool TextInRange(std::string_view text, double minimum, double maximum) {
    const double value = TypedNumber(text);
    return value >= minimum && value <= maximum;
}

TextColour ColourTextBox(std::string_view text, double minimum, double maximum) {
    return TextInRange(text, minimum, maximum) ? TextColour::Black : TextColour::Red;
}

double DropFraction(double value) {
    const double nearest = std::nearbyint(value);
    if (std::fabs(value - nearest) < 1e-7 * std::fmax(1.0, std::fabs(value))) return nearest;
    return std::trunc(value);
}

double OnTimeCounts(double percent, double period) {
    return Clamp(DropFraction(percent * period / 100), 0, 65535);
}

double TenthsCounts(double hertz) {
    return Clamp(DropFraction(hertz * 10), 0, 65535);
}

}  // namespace vx42
