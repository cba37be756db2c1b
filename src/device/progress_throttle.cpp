// Progress of a long transfer, passed on to a display at a pace it can follow.
#include "device/progress_throttle.h"

namespace vx42 {

ProgressThrottle::ProgressThrottle(Progress to, Clock::duration interval,
                                   std::function<Clock::time_point()> now)
    : to_(std::move(to)), interval_(interval), now_(std::move(now)) {}

void ProgressThrottle::Pass(int done, int total, const std::string& text) {
    held_ = false;
    started_ = true;
    lastPassed_ = now_();
    if (to_) to_(done, total, text);
}

void ProgressThrottle::Report(int done, int total, const std::string& text) {
    if (!started_ || done >= total || now_() - lastPassed_ >= interval_) {
        Pass(done, total, text);
        return;
    }
    held_ = true;
    heldDone_ = done;
    heldTotal_ = total;
    heldText_ = text;
}

void ProgressThrottle::Flush() {
    if (held_) Pass(heldDone_, heldTotal_, heldText_);
}

Progress ProgressThrottle::Callback() {
    return [this](int done, int total, const std::string& text) { Report(done, total, text); };
}

}  // namespace vx42
