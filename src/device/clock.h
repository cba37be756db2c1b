#pragma once
// The link's clock: seconds on the monotonic clock, and delays that sleep (they never spin a
// core; the link runs off the window's thread, so a delay has no events to process).

namespace vx42 {

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
