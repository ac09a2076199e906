#pragma once
// Notices a body sensor that stops in the middle of a run: its backend reports
// the device gone (a file that ended, an unplugged camera), or no new camera
// picture came for kSensorSilenceLimit_ms. The run goes on either way; the
// watch only records when and why, once.

#include <cstdint>

#include "state/sensor_stop.h"

// What the watch looks at, read from the open sensor (ReadSensorHealth) or
// given by a test.
struct SensorHealth {
  bool has_sensor = false;             // false: a run without a sensor, nothing to watch
  bool available = true;               // the backend's IsAvailable
  int64_t newest_colour_frame_ns = 0;  // CLOCK_MONOTONIC ns of the newest picture, 0: none yet
};

SensorHealth ReadSensorHealth();
// CLOCK_MONOTONIC now, in ns.
int64_t MonotonicNow_ns();

class SensorWatch {
 public:
  // Begins watching; a silence counts from here at the earliest.
  void Start(int64_t now_ns);
  // One look at the sensor. The first time it has stopped, fills *record
  // (cause, clock_ms, run_elapsed_ms, and the backend's note as detail) and
  // returns true; false otherwise, and ever after.
  bool Check(const SensorHealth& health, int64_t now_ns, int32_t clock_ms,
             SensorStopRecord* record);

 private:
  int64_t start_ns_ = 0;
  bool reported_ = false;
};
