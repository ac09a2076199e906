#pragma once
// What a run's record says of its session video: whether the camera recorded
// the run, where the files went and how many pictures reached them. The
// experiment driver fills it when the recording is finished, before the
// result files are written.

#include <cstdint>
#include <string>

struct SessionVideoRecord {
  bool on = false;         // the sensor's settings asked for a recording
  std::string video_path;  // "" when no video could be created
  std::string table_path;  // the frame table beside it
  uint64_t frames_written = 0;
  uint64_t frames_dropped = 0;  // captured but not in the video (slow or full disk)
  std::string problem;          // why recording could not start or stopped early ("" if none)

  bool recorded() const { return on && !video_path.empty(); }
};
