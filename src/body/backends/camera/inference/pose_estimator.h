#pragma once
// Finds people in a picture with MoveNet MultiPose.

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "body/backends/camera/inference/onnx_model.h"
#include "body/backends/camera/inference/pose_types.h"

class PoseEstimator {
 public:
  // input_width: the network's input width in pixels, a multiple of 32 (192
  // to 512). The height follows from the picture's aspect ratio, rounded up to
  // a multiple of 32 (the picture is placed top left, the rest is black).
  // Larger inputs find smaller (farther) people at a higher cost.
  bool Load(const std::string& model_path, int threads, int input_width, std::string* error);

  // People in a BGR picture (8-bit, 3 channels), points and boxes in the
  // picture's pixels, strongest centre first; all six candidates, filter by
  // PersonPose::score. Empty on an inference failure (message in *error).
  std::vector<PersonPose> Estimate(const cv::Mat& bgr, std::string* error = nullptr);

  // The network input size chosen for a picture of this size.
  cv::Size InputSizeFor(cv::Size picture) const;

 private:
  OnnxModel model_;
  int input_width_ = 256;
  cv::Mat resized_;
  cv::Mat input_;  // float RGB, network size
  std::vector<Tensor> outputs_;
  int head_index_[6] = {-1, -1, -1, -1, -1, -1};
};
