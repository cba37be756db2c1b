#include "session/can_status_watch.h"

#include <gtest/gtest.h>

namespace vx42 {
namespace {

constexpr CanWatchConditions kShownOnline{true, true, Transfer::None};

TEST(CanStatusWatch, RoundsOnlyWhileShownOnlineAndNothingRuns) {
    struct Case {
        CanWatchConditions now;
        bool staysOn;
        bool roundDue;
    };
    const Case cases[] = {
        {kShownOnline, true, true},
        {{true, true, Transfer::CanStatus}, true, false},  // its own round still runs
        {{true, true, Transfer::Retrieve}, false, false},
        {{true, true, Transfer::Write}, false, false},
        {{true, true, Transfer::Upgrade}, false, false},
        {{true, true, Transfer::Disconnect}, false, false},
        {{false, true, Transfer::None}, false, false},
        {{true, false, Transfer::None}, false, false},
    };
    for (const Case& c : cases) {
        CanStatusWatch watch;
        ASSERT_TRUE(watch.Toggle(kShownOnline));
        EXPECT_EQ(watch.RoundDue(c.now), c.roundDue);
        EXPECT_EQ(watch.On(), c.staysOn);
        // Once off it stays off, even when the conditions come back.
        EXPECT_EQ(watch.RoundDue(kShownOnline), c.staysOn);
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
