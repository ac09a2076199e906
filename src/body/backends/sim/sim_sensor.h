#pragma once
// The simulated sensor: a 30 fps camera that sees one to six small children
// standing about two metres away. Colour frames are 1920 x 1080 YUY2 (BGRA on
// request) with the children drawn where their joints are; body, depth and
// body-index frames come in step. Child 0 is the participant: it reaches for
// the balloon it reads through the balloon probe (balloon_probe.h). Everything
// the scene does follows from the seed and the frame number, so two runs with
// the same seed and the same balloons give the same frames.

#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "body/backends/sim/participant_truth.h"
#include "body/sensor/backend_options.h"
#include "body/sensor/pinhole_camera.h"
#include "body/sensor/sensor_device.h"

struct SimSensorOptions {
  int32_t body_count = 2;  // 1 .. 6
  uint32_t seed = 1;
  ColorImageFormat color_format = ColorImageFormat_Yuy2;  // or ColorImageFormat_Bgra
  int32_t frame_interval_us = 33333;                      // 30 fps
  int32_t publish_latency_ms = 0;  // each frame set is published this long after its capture
  // -1: off. Otherwise the camera is turned to the stage: each picture shows
  // the screen as it was this long before the picture's capture (screen_probe.h).
  int32_t screen_delay_ms = -1;
};

// The command-line options of the sim backend, over SimSensorOptions
// (sim_driver.cpp).
const BackendOptionTable<SimSensorOptions>& SimSensorOptionTable();

class SimScene;

class SimSensor : public SensorDevice {
 public:
  explicit SimSensor(const SimSensorOptions& options);
  ~SimSensor() override;

  Status Open() override;
  Status Close() override;
  Status MapCameraPointToColorSpace(const CameraSpacePoint& point,
                                    ColorSpacePoint* color) const override;
  void Describe(SensorDescription* description) const override;

  // Frames produced since Open (for tests and diagnostics).
  uint64_t frames_produced() const { return frames_produced_.load(); }
  // The participant's own record of each balloon (for measuring the program's timing).
  std::vector<ParticipantTrial> ParticipantTrials() const { return truth_.Trials(); }

 private:
  void Run();

  SimSensorOptions options_;
  PinholeCamera camera_;
  std::unique_ptr<SimScene> scene_;  // touched only by the producer thread
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> frames_produced_{0};
  ParticipantTruthLog truth_;
};
