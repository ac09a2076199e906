#pragma once
// Pictures from a V4L2 camera or a video file, through OpenCV's video I/O.
// A camera is asked for MJPEG at the settings' size and rate; a file plays at
// its own rate (or as fast as it decodes, for tests and benchmarks).

#include <memory>
#include <opencv2/core.hpp>
#include <string>

#include "body/backends/camera/camera_settings.h"
#include "body/sensor/sensor_types.h"

namespace cv {
class VideoCapture;
}

// CLOCK_MONOTONIC now, in the sensor layer's 100 ns frame-time units.
TIMESPAN MonotonicNow100ns();

class VideoSource {
 public:
  enum class Read { kFrame, kEnded, kLost };

  VideoSource();
  ~VideoSource();

  // `device_or_file`: empty for the first camera that opens (/dev/video0,
  // /dev/video1, ...), a /dev/video* path or camera number, or a video file.
  bool Open(const std::string& device_or_file, const CameraSettings& settings, std::string* error);
  void Close();

  // The next picture (BGR) and when it was taken. Blocks until it arrives (a
  // file played in real time waits for its moment). kEnded: a file is over;
  // kLost: the camera stopped delivering (unplugged).
  Read Next(cv::Mat* bgr, TIMESPAN* capture_time);

  cv::Size size() const { return size_; }
  double fps() const { return fps_; }
  bool is_file() const { return is_file_; }
  const std::string& name() const { return name_; }

 private:
  std::unique_ptr<cv::VideoCapture> capture_;
  cv::Size size_;
  double fps_ = 30;
  bool is_file_ = false;
  bool realtime_ = true;
  std::string name_;
  int64_t frames_ = 0;
  TIMESPAN start_ = 0;
};
