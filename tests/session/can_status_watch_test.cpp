#include "session/can_status_watch.h"

#include <gtest/gtest.h>

namespace vx42 {
namespace {

constexpr CanWatchConditions kShownOnline{true, true, Transfer::None};

TEST(CanStatusWatch, RoundsOnlyWhileShownOnlineAndNothingRuns) {
    // The conditions after the watch was turned on; whether it stays on, and whether a round is
    // due (not while its own round still runs).
    const std::tuple<CanWatchConditions, bool, bool> cases[] = {
        {kShownOnline, true, true},
        {{true, true, Transfer::CanStatus}, true, false},
        {{true, true, Transfer::Retrieve}, false, false},
        {{true, true, Transfer::Write}, false, false},
        {{true, true, Transfer::Upgrade}, false, false},
        {{true, true, Transfer::Disconnect}, false, false},
        {{false, true, Transfer::None}, false, false},
        {{true, false, Transfer::None}, false, false},
    };
    for (const auto& [now, staysOn, roundDue] : cases) {
        CanStatusWatch watch;
        ASSERT_TRUE(watch.Toggle(kShownOnline));
        EXPECT_EQ(watch.RoundDue(now), roundDue);
        EXPECT_EQ(watch.On(), staysOn);
        // Once off it stays off, even when the conditions come back.
        EXPECT_EQ(watch.RoundDue(kShownOnline), staysOn);
    }
}

TEST(CanStatusWatch, ToggleAndFollow) {
    CanStatusWatch watch;
    EXPECT_FALSE(watch.Toggle({false, true, Transfer::None}));  // offline: stays off
    EXPECT_FALSE(watch.Toggle({true, true, Transfer::Retrieve}));
    EXPECT_TRUE(watch.Toggle(kShownOnline));
    EXPECT_FALSE(watch.Follow(kShownOnline));
    EXPECT_TRUE(watch.Follow({true, false, Transfer::None}));   // the tab was left
    EXPECT_FALSE(watch.Follow({true, false, Transfer::None}));  // already off
    EXPECT_TRUE(watch.Toggle(kShownOnline));
    EXPECT_FALSE(watch.Toggle(kShownOnline));  // the toggle again: off
}

}  // namespace
}  // namespace vx42
