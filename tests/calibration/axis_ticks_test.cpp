// Round ticks on a plot's axis: 1-2-5 steps covering the data, with texts that read cleanly.

#include "calibration/axis_ticks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vx42 {
namespace {

std::vector<std::string> Texts(const AxisTicks& t) {
    std::vector<std::string> out;
    for (double v : t.values) out.push_back(TickText(t, v));
    return out;
}

using Texts_ = std::vector<std::string>;

TEST(AxisTicks, RoundStepsCoverTheDataWithinTheAllowedCount) {
    struct Case {
        double low, high;
        int intervals;
        Texts_ expected;
    };
    const Case cases[] = {
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
    };
    for (const Case& c : cases) {
        const AxisTicks t = RoundTicks(c.low, c.high, c.intervals);
        EXPECT_EQ(Texts(t), c.expected) << c.low << " to " << c.high;
        EXPECT_LE(t.low, c.low);
        EXPECT_GE(t.high, c.high);
        EXPECT_LE(static_cast<int>(t.values.size()) - 1, c.intervals);
    }
}

TEST(AxisTicks, OneValueReversedOrEmptyRangesStillGiveAnAxis) {
    EXPECT_EQ(Texts(RoundTicks(0, 0, 4)), (Texts_{"0", "1"}));
    EXPECT_EQ(Texts(RoundTicks(50, 50, 4)), (Texts_{"50", "60"}));
    EXPECT_EQ(Texts(RoundTicks(100, 0, 4)), (Texts_{"0", "50", "100"}));
    EXPECT_EQ(Texts(RoundTicks(0, 10, 0)), (Texts_{"0", "10"}));
}

}  // namespace
}  // namespace vx42
