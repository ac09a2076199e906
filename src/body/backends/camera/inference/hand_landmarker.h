#pragma once
// The 21 landmarks of one hand (MediaPipe's hand landmark model) from a crop of
// the full-resolution picture. The crop is a square around the hand, turned so
// that the fingers point up, as the model was trained.

#include <array>
#include <opencv2/core.hpp>
#include <string>

#include "body/backends/camera/inference/onnx_model.h"

inline constexpr int kHandLandmarkCount = 21;

// Where to look for a hand: a square of `side` pixels around `center`, with
// `up` (a unit vector, picture pixels) pointing from the wrist to the fingers.
struct HandRegion {
  cv::Point2f center;
  cv::Point2f up{0, -1};
  float side = 0;
};

struct HandLandmarks;

// The square the hand model wants for a hand it has already seen: turned so
// that the wrist-to-fingers line points up, around the extent of the palm and
// the fingers' first joints (rotated to that frame), twice its larger side
// (at least 1.8 times that of all landmarks), moved a little towards the
// fingers. Used to read the hand again in the next picture, or to read it
// again in this one when the first crop was only a guess.
HandRegion HandRegionFromLandmarks(const HandLandmarks& hand);

struct HandLandmarks {
  std::array<cv::Point3f, kHandLandmarkCount> image{};  // picture pixels (z: relative depth)
  std::array<cv::Point3f, kHandLandmarkCount> world{};  // metres around the hand's centre
  float presence = 0;                                   // 0..1: is there a hand in the crop at all
  float handedness = 0;                                 // 0..1 (the model's right-hand score)
};

class HandLandmarker {
 public:
  bool Load(const std::string& model_path, int threads, std::string* error);
  // False when the region is degenerate or the inference fails.
  bool Estimate(const cv::Mat& bgr, const HandRegion& region, HandLandmarks* out,
                std::string* error = nullptr);

 private:
  OnnxModel model_;
  cv::Mat crop_, rgb_, input_;
  std::vector<Tensor> outputs_;
  int landmarks_ = -1, world_ = -1, presence_ = -1, handedness_ = -1;
};
