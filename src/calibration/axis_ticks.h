#pragma once
// Round numbers along a plot's axis: steps of 1, 2 or 5 times a power of ten, so that an
// axis reads 0, 50, 100, 150 rather than 46.95, 98.4, 149.85.

#include <string>
#include <vector>

namespace vx42 {

struct AxisTicks {
    double low = 0;   // the axis starts here: a multiple of `step` at or below the lowest value
    double high = 1;  // and ends here: a multiple of `step` at or above the highest value
    double step = 1;
    std::vector<double> values;  // low, low + step, ..., high
    int decimals = 0;            // the places after the point that a tick's text needs
};

// Ticks covering `lowest` to `highest` with at most `maxIntervals` steps between them (at
// least 1). An empty or reversed range is widened to one step around its value.
AxisTicks RoundTicks(double lowest, double highest, int maxIntervals);

// A tick's text: the value with the ticks' decimals, nothing more ("150", "0.25").
std::string TickText(const AxisTicks& ticks, double value);

}  // namespace vx42
