// The millisecond clock on CLOCK_MONOTONIC and the sleep on nanosleep.
#include "platform/clock.h"

#include <cerrno>
#include <ctime>

namespace vantrel::platform {

double monotonicMs() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
}

void sleepMs(int milliseconds) {
  if (milliseconds <= 0) return;
  timespec remaining{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
  // A signal cuts nanosleep short; carry on with what is left so the sleep is never shorter.
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace vantrel::platform
