#include "body/backends/camera/video/capture_clock.h"

#include <time.h>

TIMESPAN MonotonicNow100ns() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<TIMESPAN>(ts.tv_sec) * 10000000 + ts.tv_nsec / 100;
}
