#pragma once
// Palms in a square part of the picture (MediaPipe's palm detector): where a
// hand is, which way its fingers point, and the square the hand landmark
// model wants for it - how a hand not seen before is found.

#include <array>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "body/backends/camera/inference/hand_landmarker.h"
#include "body/backends/camera/inference/onnx_model.h"

inline constexpr int kPalmKeypointCount = 7;
// The palm keypoints the hand's direction runs between.
inline constexpr int kPalmWrist = 0;
inline constexpr int kPalmMiddleFingerBase = 2;

struct Palm {
  float score = 0;  // 0..1
  cv::Rect2f box;   // picture pixels, axis-aligned
  // Picture pixels: wrist; index, middle, ring, pinky finger bases; thumb
  // base; thumb middle joint.
  std::array<cv::Point2f, kPalmKeypointCount> keypoints{};
  cv::Point2f up{0, -1};  // unit vector, wrist to middle finger base
  HandRegion hand;        // where the hand landmark model should look
};

// The hand around a palm as MediaPipe derives it: the palm box moved half its
// height along `up` (towards the fingers), made square on its longer side and
// scaled 2.6 times, turned to `up`.
HandRegion HandRegionFromPalm(const cv::Rect2f& box, cv::Point2f up);

struct PalmDetectorOptions {
  float min_score = 0.5f;
  float overlap = 0.3f;        // intersection over union above which detections are one palm
  bool weighted_merge = true;  // merge a palm's overlapping detections (score-weighted mean)
                               // instead of keeping only the best one
  int max_palms = 4;           // the best ones; 0: all
};

// One row of the model's output per anchor: (x, y) of the anchor's centre in
// 0..1 of the model's input; stride 8 (32 x 32 cells, 2 each), 16 (16 x 16,
// 2), 32 (8 x 8, 6).
const std::vector<cv::Point2f>& PalmAnchors();

// Palms from the model's raw output rows (`anchors` rows of 19 values), in
// 0..1 coordinates of the model's input, best first.
std::vector<Palm> DecodePalms(const float* rows, size_t anchors,
                              const PalmDetectorOptions& options);

class PalmDetector {
 public:
  bool Load(const std::string& model_path, int threads, std::string* error);
  void set_options(const PalmDetectorOptions& options) { options_ = options; }

  // Palms in the axis-aligned square of `side` pixels around `center` (parts
  // outside the picture count as black), best first, in picture pixels. False
  // when the inference fails; an empty list when the square misses the picture.
  bool Detect(const cv::Mat& bgr, cv::Point2f center, float side, std::vector<Palm>* palms,
              std::string* error = nullptr);

 private:
  OnnxModel model_;
  PalmDetectorOptions options_;
  cv::Mat scaled_, input_, rgb_;
  std::vector<Tensor> outputs_;
  int detections_ = -1;
};
