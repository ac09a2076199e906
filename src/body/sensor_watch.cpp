#include "body/sensor_watch.h"

#include <time.h>

#include <algorithm>

#include "body/sensor/sensor_problem.h"
#include "body/sensor_connection.h"

SensorHealth ReadSensorHealth() {
  SensorHealth health;
  if (!sensor_connection.sensor) return health;
  health.has_sensor = true;
  bool available = true;
  if (Succeeded(sensor_connection.sensor->get_IsAvailable(&available)))
    health.available = available;
  health.newest_colour_frame_ns = NewestColourFramePublishedAt_ns();
  return health;
}

int64_t MonotonicNow_ns() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void SensorWatch::Start(int64_t now_ns) {
  start_ns_ = now_ns;
  reported_ = false;
}

bool SensorWatch::Check(const SensorHealth& health, int64_t now_ns, int32_t clock_ms,
                        SensorStopRecord* record) {
  if (reported_ || !health.has_sensor) return false;
  SensorStopCause cause = SensorStopCause::kNone;
  if (!health.available) {
    cause = SensorStopCause::kDeviceGone;
  } else {
    const int64_t last_ns = std::max(start_ns_, health.newest_colour_frame_ns);
    if (now_ns - last_ns > kSensorSilenceLimit_ms * 1000000) cause = SensorStopCause::kNoFrames;
  }
  if (cause == SensorStopCause::kNone) return false;
  reported_ = true;
  record->cause = cause;
  record->clock_ms = clock_ms;
  record->run_elapsed_ms = (now_ns - start_ns_) / 1000000;
  record->detail = SensorProblem();
  return true;
}
