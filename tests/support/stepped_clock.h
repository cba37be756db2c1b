#pragma once
// A link clock for tests: it stands still until it is told to move.

#include <atomic>
#include <chrono>

#include "device/clock.h"

namespace vx42 {

// A clock that stands still until it is told to move: `Advance` moves it, and so does every
// sleep or wait, which moves it at once to the time waited for (never back). Nothing is ever
// slept, so a test of timed behaviour runs in no time, to the exact step, however busy the
// machine. It starts an hour after the clock's epoch.
class SteppedClock final : public LinkClock {
  public:
    TimePoint Now() const override { return TimePoint(Duration(ticks_.load())); }
    void Advance(Duration time) { MoveTo(Now() + time); }
    void SleepUntil(TimePoint until) override { MoveTo(until); }
    void WaitUntil(std::unique_lock<std::mutex>&, std::condition_variable&,
                   TimePoint until) override {
        MoveTo(until);
    }

  private:
    void MoveTo(TimePoint at) {
        const Duration::rep target = at.time_since_epoch().count();
        Duration::rep now = ticks_.load();
        while (now < target && !ticks_.compare_exchange_weak(now, target)) {
        }
    }
    std::atomic<Duration::rep> ticks_{
        std::chrono::duration_cast<Duration>(std::chrono::hours(1)).count()};
};

}  // namespace vx42
