// The display patterns of the tool's numbers.
#include "calibration/number_format.h"

#include <cmath>
#include <string_view>

namespace vx42 {
namespace {

int DecimalsOf(Pattern p) {
    switch (p) {
        case Pattern::OneDecimal:
            return 1;
        case Pattern::TwoDecimals:
            return 2;
        default:
            return 0;
    }
}

// Rounds |value| to `decimals` places, halves away from zero, as digits text.
std::string RoundedAbs(double magnitude, int decimals) {
    // Look well past the last kept digit to tell an exact half from a near one.
    const std::string wide = FixedPointText(magnitude, decimals + 40);
    const auto point = wide.find('.');
    const std::string_view tail = std::string_view(wide).substr(point + 1 + decimals);
    const bool exactHalf =
        tail[0] == '5' && tail.substr(1).find_first_not_of('0') == std::string_view::npos;
    if (!exactHalf) return FixedPointText(magnitude, decimals);
    const double step = std::pow(10.0, -decimals);
    // Nudge past the half so the correctly rounded conversion goes away from zero.
    return FixedPointText(std::nextafter(magnitude + step / 2, INFINITY), decimals);
}

std::string Group(const std::string& digits) {
    std::string out;
    const int n = static_cast<int>(digits.size());
    for (int i = 0; i < n; ++i) {
        if (i > 0 && (n - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

}  // namespace

std::string FormatNumber(double value, Pattern pattern) {
    if (!std::isfinite(value)) return value > 0 ? "Inf" : (value < 0 ? "-Inf" : "NaN");
    const int decimals = DecimalsOf(pattern);
    std::string text = RoundedAbs(std::fabs(value), decimals);
    const bool zero = text.find_first_not_of("0.") == std::string::npos;
    if (pattern == Pattern::Grouped) {
        if (zero) return {};
        text = Group(text);
    }
    if (value < 0 && !zero) text.insert(text.begin(), '-');
    return text;
}

}  // namespace vx42
