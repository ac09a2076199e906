#pragma once
// The sensor as the camera check sees it: opened for the check and closed
// after it, the newest picture (halved to 960 x 540) and the six body slots
// filled by the program's own body update, but into buffers of the check's
// own, so nothing of a run's state changes. Qt-free; UI thread only.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/camera_check_meter.h"
#include "body/sensor/sensor_handles.h"
#include "state/tracked_body.h"

class MemorySurface;

class CameraCheckSensor {
 public:
  // Opens the sensor (OpenSensor). Only while no run is in progress.
  CameraCheckSensor();
  // Closes the sensor (CloseSensor).
  ~CameraCheckSensor();
  CameraCheckSensor(const CameraCheckSensor&) = delete;
  CameraCheckSensor& operator=(const CameraCheckSensor&) = delete;

  bool open() const { return open_; }
  // Why the sensor does not deliver, for the experimenter; "" when it does or
  // nothing was noted.
  std::string Problem() const;

  // Takes the frames that arrived since the last call; true when the picture
  // or the bodies changed.
  bool Poll(int64_t now_ns);

  // The newest picture, 960 x 540 words of 0xFFRRGGBB, rows top down; false
  // before the first.
  bool has_picture() const { return has_picture_; }
  const uint32_t* picture() const;
  const std::array<TrackedBody, 6>& bodies() const { return bodies_; }
  // How sure the sensor is of a body's hand shapes (0..1; left, right), by
  // the body's id as in bodies(); 0 for a body it has not reported.
  std::array<float, 2> HandConfidence(int32_t id) const;
  CameraCheckFigures Figures(int64_t now_ns);

  static int64_t Now_ns();

 private:
  std::unique_ptr<MemorySurface> surface_;
  int texture_ = -1;
  std::unique_ptr<uint8_t[]> colour_buffer_;
  std::array<TrackedBody, 6> bodies_{};
  struct HandConfidences {
    int32_t id = 0;
    std::array<float, 2> confidence{};
  };
  std::array<HandConfidences, 6> hand_confidence_{};  // from the newest body frame
  // Readers of the check's own, for counting every frame and its capture time.
  std::unique_ptr<IColorFrameReader> picture_counter_;
  std::unique_ptr<IBodyFrameReader> body_counter_;
  CameraCheckMeter meter_;
  bool open_ = false;
  bool has_picture_ = false;
};
