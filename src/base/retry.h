#pragma once
// A command tried again after a failure, a set number of times with a pause between tries: the
// one retry loop of module writes and reads.

#include <functional>

namespace vx42 {

// Runs `attempt` until it succeeds, at most `tries` times; `pause` runs between two tries
// (never after the last). True on the first success, false when every try failed.
bool Retry(int tries, const std::function<bool()>& attempt, const std::function<void()>& pause);

}  // namespace vx42
