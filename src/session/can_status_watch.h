#pragma once
// Watching the CAN status: the reads of "Check CAN Status" repeated about once a second, so
// that an installer sees a message arrive while wiring the harness. The watch runs only while
// the CAN Status tab is shown and the module is online, never while a transfer runs, and it
// switches itself off when the module goes offline, another transfer begins or the tab is
// left.

#include "session/calibration_session.h"

namespace vx42 {

inline constexpr int kCanWatchIntervalMs = 1000;

// What the watch depends on.
struct CanWatchConditions {
    bool online = false;
    bool tabShown = false;
    Transfer transfer = Transfer::None;
};

class CanStatusWatch {
  public:
    // The "Watch" toggle: switches off, or on when the watch may run now; whether it is on.
    bool Toggle(const CanWatchConditions& now);
    bool On() const { return on_; }
    // Follows a change of the conditions: off when the module is offline, the tab is left or
    // a transfer other than a status read runs. True when this switched the watch off.
    bool Follow(const CanWatchConditions& now);
    // The timer's tick: whether a round of status reads starts now (on, and nothing runs on
    // the link, not even the last round).
    bool RoundDue(const CanWatchConditions& now);
    // Whether the toggle may be used: online, and nothing but a status read runs (the watch's
    // own rounds leave it in use).
    static bool Usable(const CanWatchConditions& now);

  private:
    static bool MayRun(const CanWatchConditions& now);
    bool on_ = false;
};

}  // namespace vx42
