#pragma once
// How the body sensor stopped during a run, if it did: the cause, when it was
// noticed and the backend's own words. The experiment driver fills it while the
// run goes on; whatever reports on the run afterwards reads it (the message
// after the score box, a run record).

#include <cstdint>
#include <string>

enum class SensorStopCause : int32_t {
  kNone = 0,
  kDeviceGone = 1,  // the backend reported its device gone (file ended, camera unplugged)
  kNoFrames = 2,    // no new camera picture for kSensorSilenceLimit_ms
};

// Longest gap between two camera pictures that still counts as a working sensor.
inline constexpr int64_t kSensorSilenceLimit_ms = 2000;

struct SensorStopRecord {
  SensorStopCause cause = SensorStopCause::kNone;
  int32_t clock_ms = 0;        // the run clock when noticed (the body file's Clock column)
  int64_t run_elapsed_ms = 0;  // since the run's trial loop began, monotonic
  std::string detail;          // the backend's words, e.g. "the video file a.mp4 ended"

  bool stopped() const { return cause != SensorStopCause::kNone; }
};

// "device gone", "no frames", or "" for kNone.
const char* SensorStopCauseName(SensorStopCause cause);
