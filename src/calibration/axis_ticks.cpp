#include "calibration/axis_ticks.h"

#include <algorithm>
#include <cmath>

#include "base/numbers.h"

namespace vx42 {

namespace {

// The smallest 1-2-5 step of which `intervals` cover `span`.
double RoundStep(double span, int intervals) {
    const double raw = span / intervals;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0, 10.0})
        if (factor * power >= raw * (1 - 1e-9)) return factor * power;
    return 10 * power;
}

}  // namespace

AxisTicks RoundTicks(double lowest, double highest, int maxIntervals) {
    AxisTicks t;
    if (!std::isfinite(lowest) || !std::isfinite(highest)) lowest = highest = 0;
    if (lowest > highest) std::swap(lowest, highest);
    maxIntervals = std::max(1, maxIntervals);
    double span = highest - lowest;
    if (span <= 0) {
        // One value: a round step around it (1 when it is 0).
        const double magnitude = std::abs(lowest);
        span = magnitude > 0 ? std::pow(10.0, std::floor(std::log10(magnitude))) : 1;
        maxIntervals = 1;
    }
    for (;;) {
        t.step = RoundStep(span, maxIntervals);
        const double first = std::floor(lowest / t.step + 1e-9);
        const double last = std::ceil(highest / t.step - 1e-9);
        if (last - first <= maxIntervals || maxIntervals == 1) {
            t.low = first * t.step;
            t.high = std::max(last, first + 1) * t.step;
            break;
        }
        // Rounding the ends out took one step more than allowed: ask for a larger step.
        span = t.step * maxIntervals * 1.0001;
    }
    t.decimals = std::max(0, static_cast<int>(-std::floor(std::log10(t.step) + 1e-9)));
    const double scale = std::pow(10.0, t.decimals);
    const int count = static_cast<int>(std::lround((t.high - t.low) / t.step));
    for (int k = 0; k <= count; ++k)
        t.values.push_back(std::round((t.low + k * t.step) * scale) / scale);
    t.low = t.values.front();
    t.high = t.values.back();
    return t;
}

std::string TickText(const AxisTicks& ticks, double value) {
    const double scale = std::pow(10.0, ticks.decimals);
    const double rounded = std::round(value * scale) / scale;
    return ShortestText(rounded == 0 ? 0.0 : rounded);
}

}  // namespace vx42
