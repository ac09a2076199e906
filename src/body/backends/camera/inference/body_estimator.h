#pragma once
// One camera picture in, one body frame out: people (MoveNet MultiPose),
// stable IDs and slots (BodyTracker), hand shapes (hand landmarks of a crop
// around each wrist, filtered), joints in camera space consistent with the
// colour picture's pinhole model. Synchronous; the camera device runs it on
// its inference thread, tests and benchmarks call it directly.

#include <array>
#include <opencv2/core.hpp>
#include <string>

#include "body/backends/camera/inference/body_tracker.h"
#include "body/backends/camera/video/camera_settings.h"
#include "body/backends/camera/video/color_frame_geometry.h"
#include "body/backends/camera/inference/hand_reader.h"
#include "body/backends/camera/inference/hand_shape.h"
#include "body/backends/camera/inference/pose_estimator.h"
#include "body/backends/camera/inference/pose_refiner.h"
#include "body/sensor/frame_data.h"
#include "body/sensor/pinhole_camera.h"

// Where the time of one frame went, milliseconds.
struct BodyEstimateTiming {
  double pose_ms = 0;
  double hands_ms = 0;
  int hand_crops = 0;       // hand model runs (a hand found anew takes two)
  int palm_searches = 0;    // palm detector runs
  uint32_t hands_read = 0;  // bit 2 * slot + side (0 left, 1 right) of each hand read
  int people = 0;
};

using HandReadings =
    std::array<std::array<HandReading, 2>, kTrackSlots>;  // [slot][0 left, 1 right]

class BodyEstimator {
 public:
  explicit BodyEstimator(const CameraSettings& settings);

  // Loads the models. False with a message naming what is missing.
  bool Load(std::string* error);

  // Sets the camera picture's size (before the first Process, and again if it
  // changes): fixes the colour mapping and the pinhole model.
  void SetCameraSize(cv::Size camera);
  const ColorFrameGeometry& geometry() const { return geometry_; }
  const PinholeCamera& camera_model() const { return camera_; }

  // Finds the bodies of one BGR picture; *out gets the six slots (tracking
  // IDs, joints, hand states) with relative_time = capture_time.
  bool Process(const cv::Mat& bgr, TIMESPAN capture_time, BodyFrameData* out,
               BodyEstimateTiming* timing = nullptr, std::string* error = nullptr);

  // The people of the last Process, picture pixels (diagnostics and tests).
  const std::array<TrackSlot, kTrackSlots>& slots() const { return tracker_.slots(); }
  const HandReadings& hand_readings() const { return readings_; }
  // Each reported person's keypoints as its joints give them (wrists placed
  // and vouched for by hands and arms), picture pixels.
  const std::array<PersonPose, kTrackSlots>& reported_poses() const { return reported_; }

  // Forgets every person and hand (a new scene); the models stay loaded.
  void Reset();

 private:
  struct SlotState {
    uint64_t id = 0;
    HandShapeFilter left, right;
    std::array<HandRegion, 2> hand_track{};  // where each hand was last seen (side 0: none)
    float depth_m = 0;
  };
  bool HandReadable(const PersonPose& pose, const SlotState& state, int side) const;
  HandReading ReadHand(const cv::Mat& bgr, const PersonPose& pose, SlotState* state, int side);
  void UpdateHands(const cv::Mat& bgr, BodyEstimateTiming* timing);
  void Spend();           // charges the hand reader's work since the last call
  bool CanSpend() const;  // budget left for another step

  CameraSettings settings_;
  PoseEstimator pose_;
  PoseRefiner refiner_;
  HandReader hands_;
  BodyTracker tracker_;
  ColorFrameGeometry geometry_;
  PinholeCamera camera_;
  std::array<SlotState, kTrackSlots> slot_state_{};
  std::array<PersonPose, kTrackSlots> reported_{};
  std::vector<PersonPose> people_;
  HandReadings readings_{};
  std::array<std::array<bool, 2>, kTrackSlots> read_now_{};  // read in this picture
  size_t next_hand_ = 0;      // where the next frame's hand crops start
  float hand_credit_ms_ = 0;  // hand model time still to spend (estimated)
  int model_runs_ = 0;        // hand model runs this frame
  int palm_searches_ = 0;     // palm detector runs this frame
};
