#pragma once
// The clock a picture's capture time is on: CLOCK_MONOTONIC, which camera
// drivers stamp their buffers with, in the sensor layer's 100 ns units.

#include "body/sensor/sensor_types.h"

// Which clock a picture's capture time was read from.
enum class CaptureClock {
  kDriver,    // the camera driver's buffer timestamp (CLOCK_MONOTONIC)
  kReadTime,  // the moment our capture thread got the buffer (the driver's was unusable)
  kFile,      // the file's presentation time, on the replay clock
};

// CLOCK_MONOTONIC now, in the sensor layer's 100 ns frame-time units.
TIMESPAN MonotonicNow100ns();
