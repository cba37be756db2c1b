#pragma once
// The link's clock: seconds on the monotonic clock, and delays that sleep (they never spin a
// core; the link runs off the window's thread, so a delay has no events to process). The link
// and the module simulator take their time from a `LinkClock`: the monotonic one in the
// program, a stepped one in tests (tests/support/stepped_clock.h), so timed behaviour is tested to
// the step without waiting.

#include <chrono>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace vx42 {

class LinkClock {
  public:
    using Duration = std::chrono::steady_clock::duration;
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~LinkClock() = default;
    virtual TimePoint Now() const = 0;
    // Returns at `until` or later.
    virtual void SleepUntil(TimePoint until) = 0;
    // Waits on `arrived` (its mutex held through `lock`) until it is notified or `until` has
    // come; may return early, so the caller checks what it waits for again.
    virtual void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& arrived,
                           TimePoint until) = 0;

    void SleepFor(Duration time) { SleepUntil(Now() + time); }
    void SleepSeconds(double seconds) {
        if (seconds > 0)
            SleepFor(std::chrono::duration_cast<Duration>(std::chrono::duration<double>(seconds)));
    }
    // Now in seconds, held to 4 decimal places as `SecondsNow`.
    double Seconds() const {
        const double raw = std::chrono::duration<double>(Now().time_since_epoch()).count();
        return std::round(raw * 10000.0) / 10000.0;
    }
};

// The monotonic clock; its waits sleep. (Whole in this header, as the simulator's shared
// stand-ins carry it without the device library.)
class MonotonicClock final : public LinkClock {
  public:
    TimePoint Now() const override { return std::chrono::steady_clock::now(); }
    // A sleep may wake a little early by this clock (Windows sleeps in its own ticks): it
    // sleeps again until the time has passed.
    void SleepUntil(TimePoint until) override {
        while (Now() < until) std::this_thread::sleep_until(until);
    }
    void WaitUntil(std::unique_lock<std::mutex>& lock, std::condition_variable& arrived,
                   TimePoint until) override {
        arrived.wait_until(lock, until);
    }
};
inline LinkClock& SteadyClock() {
    static MonotonicClock clock;
    return clock;
}

// Seconds on the monotonic clock, held to 4 decimal places.
double SecondsNow();
// SecondsNow() x 1000.
double MillisecondsNow();
// Sleeps for at least the given time; returns the time that passed (same unit).
double Delay(double milliseconds);
double DelaySeconds(double seconds);

// Asks the system to end this thread's timed waits when they are due. Linux otherwise lets a
// thread's sleeps and waits run up to 50 µs late so that it can batch wake-ups; the link
// waits for a reply once per exchange, so over thousands of exchanges that slack adds up.
// Cheap after the first call on a thread.
void PreciseTimersOnThisThread();

}  // namespace vx42
