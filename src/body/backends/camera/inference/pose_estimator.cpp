#include "body/backends/camera/inference/pose_estimator.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/inference/movenet_decoder.h"
#include "state/message_box.h"

namespace {
const char* const kHeadNames[6] = {"center",     "kpt_heatmap", "kpt_regress",
                                   "kpt_offset", "box_scale",   "box_offset"};
constexpr int kAlign = 32;

int RoundUp(int v, int m) {
  return (v + m - 1) / m * m;
}
}  // namespace

bool PoseEstimator::Load(const std::string& model_path, int threads, int input_width,
                         std::string* error) {
  input_width_ = std::clamp(RoundUp(input_width, kAlign), 192, 512);
  if (!model_.Load(model_path, threads, error)) return false;
  for (int i = 0; i < 6; ++i) {
    head_index_[i] = model_.OutputIndex(kHeadNames[i]);
    if (head_index_[i] < 0) {
      if (error)
        *error = MessageText(kNoModelOutput, {model_path, kHeadNames[i], CameraAssetsFix()});
      return false;
    }
  }
  return true;
}

cv::Size PoseEstimator::InputSizeFor(cv::Size picture) const {
  if (picture.width <= 0 || picture.height <= 0) return {input_width_, input_width_};
  // Landscape: the width is fixed; portrait: the height.
  if (picture.width >= picture.height) {
    const int h =
        static_cast<int>(std::ceil(double(picture.height) * input_width_ / picture.width));
    return {input_width_, RoundUp(std::max(h, 1), kAlign)};
  }
  const int w = static_cast<int>(std::ceil(double(picture.width) * input_width_ / picture.height));
  return {RoundUp(std::max(w, 1), kAlign), input_width_};
}

std::vector<PersonPose> PoseEstimator::Estimate(const cv::Mat& bgr, std::string* error) {
  std::vector<PersonPose> people;
  if (bgr.empty() || bgr.type() != CV_8UC3) {
    if (error) *error = "pose: the picture is not 8-bit BGR";
    return people;
  }
  const cv::Size net = InputSizeFor(bgr.size());
  const double scale = std::min(double(net.width) / bgr.cols, double(net.height) / bgr.rows);
  const cv::Size content(std::clamp(int(std::lround(bgr.cols * scale)), 1, net.width),
                         std::clamp(int(std::lround(bgr.rows * scale)), 1, net.height));
  cv::resize(bgr, resized_, content, 0, 0, cv::INTER_AREA);
  input_.create(net, CV_32FC3);
  input_.setTo(cv::Scalar::all(0));
  cv::Mat roi = input_(cv::Rect(0, 0, content.width, content.height));
  cv::Mat rgb;
  cv::cvtColor(resized_, rgb, cv::COLOR_BGR2RGB);
  rgb.convertTo(roi, CV_32FC3);  // 0..255, as the model expects

  if (!model_.Run(input_.ptr<float>(), {1, net.height, net.width, 3}, &outputs_, error))
    return people;
  MoveNetHeads heads;
  heads.h = static_cast<int>(outputs_[head_index_[0]].dim(1));
  heads.w = static_cast<int>(outputs_[head_index_[0]].dim(2));
  const float** slots[6] = {&heads.center,     &heads.kpt_heatmap, &heads.kpt_regress,
                            &heads.kpt_offset, &heads.box_scale,   &heads.box_offset};
  const int channels[6] = {1, kKeypointCount, 2 * kKeypointCount, 2 * kKeypointCount, 2, 2};
  for (int i = 0; i < 6; ++i) {
    const Tensor& t = outputs_[head_index_[i]];
    if (t.dim(1) != heads.h || t.dim(2) != heads.w || t.dim(3) != channels[i]) {
      if (error) *error = std::string("pose: unexpected shape of output ") + kHeadNames[i];
      return people;
    }
    *slots[i] = t.values.data();
  }
  people = DecodeMoveNet(heads);
  // Network pixels -> picture pixels: the picture was scaled by `sx, sy` and placed at (0, 0).
  const float sx = float(bgr.cols) / content.width, sy = float(bgr.rows) / content.height;
  for (PersonPose& p : people) {
    for (ScoredPoint& k : p.keypoints) k.x *= sx, k.y *= sy;
    p.box.x0 *= sx, p.box.x1 *= sx, p.box.y0 *= sy, p.box.y1 *= sy;
  }
  return people;
}
