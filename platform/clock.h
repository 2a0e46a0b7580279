// The monotonic millisecond clock and the sleep the frame loop paces itself with
// (CLOCK_MONOTONIC and nanosleep on POSIX).
#pragma once

namespace vantrel::platform {

// Milliseconds on a monotonic clock with sub-millisecond resolution; the origin is arbitrary.
double monotonicMs();
// Sleeps for at least the given number of milliseconds (nothing for 0 or less).
void sleepMs(int milliseconds);

}  // namespace vantrel::platform
