#pragma once
// Reads one hand: the hand landmark model on a crop, and the shape the
// landmarks show. The pipeline and the accuracy tool share it, so the tool
// measures exactly what a run does.

#include <functional>
#include <opencv2/core.hpp>
#include <string>
#include <utility>

#include "body/backends/camera/video/camera_settings.h"
#include "body/backends/camera/inference/hand_landmarker.h"
#include "body/backends/camera/inference/palm_detector.h"
#include "body/sensor/sensor_types.h"

// One hand's reading in one picture.
struct HandReading {
  bool looked = false;                  // a crop was read this picture
  bool found = false;                   // the hand model saw a hand in it
  HandState shape = HandState_Unknown;  // this picture's shape, before any filter
  float confidence = 0;                 // of that shape, 0..1
  HandRegion region;                    // where the hand was read
  HandRegion next;                      // where to read it next (from its landmarks)
  cv::Point2f centre;                   // the hand's centre (landmarks), picture pixels
  HandLandmarks landmarks;              // valid when looked
};

class HandReader {
 public:
  explicit HandReader(const CameraSettings& settings) : settings_(settings) {}
  // Loads the hand model the settings name. False with a message.
  bool Load(std::string* error);

  // Reads the hand in `region` of a BGR picture. A region that is only a
  // guess (from the arm, say) is read twice: the hand's own landmarks then
  // place and turn the second crop. A region from the last picture's
  // landmarks (`guess` false) is read once.
  HandReading ReadAt(const cv::Mat& bgr, const HandRegion& region, bool guess = true);

  // Looks for palms in the square of `side` pixels around `center` and reads
  // the hand of each, best palm first, until `accept` takes one. The
  // reading's `found` is false when none was taken.
  HandReading Search(const cv::Mat& bgr, cv::Point2f center, float side,
                     const std::function<bool(const HandReading&)>& accept);

  // Hand model runs and palm searches since the last call (for the timing
  // figures and the budget).
  int TakeModelRuns() { return std::exchange(runs_, 0); }
  int TakePalmSearches() { return std::exchange(searches_, 0); }
  // What a model run and a palm search cost, milliseconds of one core of a
  // lab PC (measured with camera_bench: BM_HandLandmark, BM_PalmDetector).
  float RunCostMs() const { return settings_.hand_model_full ? 6.0f : 3.0f; }
  float SearchCostMs() const { return 13.0f; }

 private:
  CameraSettings settings_;
  bool Run(const cv::Mat& bgr, const HandRegion& region, HandReading* out);

  HandLandmarker landmarker_;
  PalmDetector palms_;
  std::vector<Palm> found_palms_;
  int runs_ = 0;
  int searches_ = 0;
};
