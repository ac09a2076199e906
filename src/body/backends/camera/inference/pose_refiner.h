#pragma once
// A second look at each person MultiPose found, with MoveNet SinglePose
// (Lightning or Thunder): the person is cut out as the single-pose model
// expects (a square around the hips that holds the torso and the limbs with
// room to spare, black past the picture's edges), the model finds the person
// nearest the square's middle, and each of its joints replaces MultiPose's
// where it scores higher. The single-pose models place wrists and ankles of
// small people more surely than MultiPose's shared, coarser grid.

#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "body/backends/camera/video/camera_settings.h"
#include "body/backends/camera/inference/onnx_model.h"
#include "body/backends/camera/inference/pose_types.h"

// A square of the picture, pixels; it may reach past the picture's edges.
struct SquareCrop {
  float x0 = 0, y0 = 0, side = 0;
};

// Where the single-pose model looks for this person in a picture of this size.
SquareCrop RefineCropFor(const PersonPose& person, cv::Size picture);

// Each single-pose keypoint (picture pixels) that scores higher replaces the
// person's own.
void MergeRefinedKeypoints(const PersonPose& refined, PersonPose* person);

class PoseRefiner {
 public:
  // Loads the single-pose model the settings name; true at once when off.
  bool Load(const CameraSettings& settings, int threads, std::string* error);
  bool enabled() const { return size_ > 0; }

  // Refines each person of a BGR picture in place (picture pixels). False
  // with a message on an inference failure; nothing happens when off.
  bool Refine(const cv::Mat& bgr, std::vector<PersonPose>* people, std::string* error = nullptr);

 private:
  OnnxModel model_;
  int size_ = 0;  // the model's square input, pixels (0: off)
  int head_index_[4] = {-1, -1, -1, -1};
  cv::Mat crop_, rgb_, input_;  // reused between people
  std::vector<Tensor> outputs_;
};
