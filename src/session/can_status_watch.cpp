// Watching the CAN status: when a round of reads may start, and when the watch stops itself.
#include "session/can_status_watch.h"

namespace vx42 {

bool CanStatusWatch::Usable(const CanWatchConditions& now) {
    return now.online && (now.transfer == Transfer::None || now.transfer == Transfer::CanStatus);
}

bool CanStatusWatch::MayRun(const CanWatchConditions& now) {
    return Usable(now) && now.tabShown;
}

bool CanStatusWatch::Toggle(const CanWatchConditions& now) {
    on_ = !on_ && MayRun(now);
    return on_;
}

bool CanStatusWatch::Follow(const CanWatchConditions& now) {
    if (!on_ || MayRun(now)) return false;
    on_ = false;
    return true;
}

bool CanStatusWatch::RoundDue(const CanWatchConditions& now) {
    Follow(now);
    return on_ && now.transfer == Transfer::None;
}

}  // namespace vx42
