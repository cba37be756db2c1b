// Round ticks on a plot's axis: 1-2-5 steps covering the data, with texts that read cleanly.

#include "calibration/axis_ticks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace vx42 {
namespace {

TEST(AxisTicks, RoundStepsCoverTheDataWithinTheAllowedCount) {
    // The lowest and highest values, the intervals allowed and the ticks.
    const std::tuple<double, double, int, std::vector<std::string>> cases[] = {
        // A duty-cycle table between 46.95 and 248.55: no tick on either odd value.
        {46.95, 248.55, 4, {"0", "100", "200", "300"}},
        {0, 100, 4, {"0", "50", "100"}},
        {0, 100, 5, {"0", "20", "40", "60", "80", "100"}},
        // Negative breakpoints (a temperature from -40).
        {-40, 215, 4, {"-100", "0", "100", "200", "300"}},
        // Small steps are written with their own places, without binary noise.
        {0, 0.3, 3, {"0", "0.1", "0.2", "0.3"}},
        {0.05, 0.72, 4, {"0", "0.2", "0.4", "0.6", "0.8"}},
        {7.99, 18.01, 4, {"5", "10", "15", "20"}},
        {0, 65535, 4, {"0", "20000", "40000", "60000", "80000"}},
        // One value, a reversed range or no intervals allowed still give an axis.
        {0, 0, 4, {"0", "1"}},
        {50, 50, 4, {"50", "60"}},
        {100, 0, 4, {"0", "50", "100"}},
        {0, 10, 0, {"0", "10"}},
    };
    for (const auto& [low, high, intervals, expected] : cases) {
        const AxisTicks t = RoundTicks(low, high, intervals);
        std::vector<std::string> texts;
        for (double v : t.values) texts.push_back(TickText(t, v));
        EXPECT_EQ(texts, expected) << low << " to " << high;
        EXPECT_TRUE(t.low <= std::min(low, high) && t.high >= std::max(low, high));
        EXPECT_LE(static_cast<int>(t.values.size()) - 1, std::max(intervals, 1));
    }
}

}  // namespace
}  // namespace vx42
