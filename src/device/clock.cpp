// The link's clock: monotonic seconds, and delays that sleep.
#include "device/clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace vx42 {
namespace {

using Clock = std::chrono::steady_clock;

double SleepFor(double seconds) {
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration_cast<Clock::duration>(
                                 std::chrono::duration<double>(std::max(seconds, 0.0)));
    // A sleep may wake a little early by this clock (Windows sleeps in its own ticks): sleep
    // again until the time has passed.
    while (Clock::now() < end) std::this_thread::sleep_until(end);
    return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

double SecondsNow() {
    return SteadyClock().Seconds();
}

double MillisecondsNow() {
    return SecondsNow() * 1000.0;
}

double Delay(double milliseconds) {
    return SleepFor(milliseconds / 1000.0) * 1000.0;
}

double DelaySeconds(double seconds) {
    return SleepFor(seconds);
}

void PreciseTimersOnThisThread() {
#ifdef __linux__
    // 1 ns: the smallest slack the system takes (0 would mean "the default").
    static thread_local const bool precise = ::prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
    (void)precise;
#endif
}

}  // namespace vx42
