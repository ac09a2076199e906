#pragma once
// The figures of the camera check, over the last few seconds: camera pictures
// and body frames per second, the delay from a picture's capture to its body
// frame, and the share of body frames with at least one tracked body; and
// whether they allow a session to start. Qt-free; times are CLOCK_MONOTONIC ns.

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "state/camera_requirements.h"

struct CameraCheckFigures {
  double seconds = 0;  // covered by the figures (up to the window)
  double pictures_per_second = 0;
  double body_frames_per_second = 0;
  std::optional<double> capture_to_body_ms;  // median
  std::optional<double> tracked_share;       // of body frames
  // Damaged pictures the camera sent and the sensor left out since the check
  // began (filled by CameraCheckSensor; the meter does not see them).
  uint64_t pictures_dropped = 0;
  // Plain sentences; empty when a session can start. While fewer than two
  // seconds were measured, a note saying so.
  std::vector<std::string> problems;
};

class CameraCheckMeter {
 public:
  explicit CameraCheckMeter(int64_t window_ns = 5'000'000'000) : window_ns_(window_ns) {}

  void Start(int64_t now_ns) { start_ns_ = now_ns; }
  void OnPicture(int64_t now_ns);
  // `capture_to_body_ns` < 0 when the frame carries no capture time.
  void OnBodyFrame(int64_t now_ns, int64_t capture_to_body_ns, int tracked_bodies);

  CameraCheckFigures Figures(int64_t now_ns);

 private:
  struct BodyFrame {
    int64_t at_ns;
    int64_t capture_to_body_ns;
    bool tracked;
  };
  void Forget(int64_t now_ns);

  int64_t window_ns_;
  std::optional<int64_t> start_ns_;
  std::deque<int64_t> pictures_;
  std::deque<BodyFrame> bodies_;
};
