// A command tried again after a failure.
#include "base/retry.h"

namespace vx42 {

bool Retry(int tries, const std::function<bool()>& attempt, const std::function<void()>& pause) {
    for (int t = 1; t <= tries; ++t) {
        if (attempt()) return true;
        if (t < tries) pause();
    }
    return false;
}

}  // namespace vx42
