#pragma once
// Progress of a long transfer, passed on to a display at a pace it can follow: a transfer
// reports every block, a window repaints about 30 times a second.

#include <chrono>
#include <functional>
#include <string>

#include "device/module_link.h"

namespace vx42 {

// How often a display is told about a running transfer: about 30 times a second.
inline constexpr std::chrono::milliseconds kProgressInterval{33};

// Passes reports on no more often than `interval`: the first report and a full bar
// (done >= total) at once, any other once the interval has passed since the last one passed
// on. The newest report held back is passed on by Flush, so a display always ends on the
// transfer's own last values.
class ProgressThrottle {
  public:
    using Clock = std::chrono::steady_clock;
    explicit ProgressThrottle(Progress to, Clock::duration interval = kProgressInterval,
                              std::function<Clock::time_point()> now = &Clock::now);

    void Report(int done, int total, const std::string& text);
    void Flush();
    // A callback that reports here; valid while the throttle lives.
    Progress Callback();

  private:
    void Pass(int done, int total, const std::string& text);

    Progress to_;
    Clock::duration interval_;
    std::function<Clock::time_point()> now_;
    bool started_ = false;
    Clock::time_point lastPassed_{};
    bool held_ = false;
    int heldDone_ = 0, heldTotal_ = 0;
    std::string heldText_;
};

}  // namespace vx42

namespace vx42 {

// Runs transfer(progress) with its reports passed on to `to` through a throttle, whose last
// report held back is passed on when the transfer returns.
template <typename Transfer>
auto WithThrottledProgress(Progress to, Transfer transfer) {
    ProgressThrottle throttle(std::move(to));
    auto result = transfer(throttle.Callback());
    throttle.Flush();
    return result;
}

}  // namespace vx42
