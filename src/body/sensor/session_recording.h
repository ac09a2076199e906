#pragma once
// Recording what the sensor saw during a run (the camera's pictures as a
// video with a frame table). A backend that can record does so when the run
// asks it to and its own settings allow it; the others report "off".
//
// Video of children is personal data: recording is off unless a lab turns it
// on for its camera (camera.ini), and every run says whether it recorded.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "body/sensor/sensor_types.h"

struct SessionRecordingPlan {
  // File names of the video and its frame table (no folder).
  std::string video_name;
  std::string table_name;
  // Where they may go, in order: the working directory, then rescue folders
  // (used only when they are the user's own). Both files go into the first
  // folder that takes both.
  std::vector<std::string> directories;
  // The run clock (ms since its last reset) at a capture time (CLOCK_MONOTONIC,
  // 100 ns); nothing while the run clock is not running. Called on the
  // capture thread, so it must be short and never block. May be empty.
  std::function<std::optional<int64_t>(TIMESPAN capture_time)> run_clock_ms_at;
};

// What a run's record and summary say about its recording.
struct SessionRecordingReport {
  bool on = false;         // recording was asked for by the sensor's settings
  std::string video_path;  // "" when no video could be created
  std::string table_path;  // the frame table beside it
  uint64_t frames_written = 0;
  uint64_t frames_dropped = 0;  // captured but not in the video (slow or full disk)
  std::string problem;          // why recording could not start or stopped early ("" if none)
};
