#include "body/backends/camera/inference/pose_refiner.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/inference/single_pose_decoder.h"
#include "state/message_box.h"

namespace {

const char* const kHeadNames[4] = {"center", "kpt_heatmap", "kpt_regress", "kpt_offset"};
constexpr int kHeadChannels[4] = {1, kKeypointCount, 2 * kKeypointCount, 2 * kKeypointCount};
constexpr int kStride = 4;
// The models' fixed input sides, by PoseRefineModel.
constexpr int kInputSide[3] = {0, 192, 256};

// MoveNet's own cropping: joints below this score do not size the square;
// the square reaches this far beyond the torso's and the body's joints (as
// multiples of their distance from the hips' middle).
constexpr float kCropMinScore = 0.2f;
constexpr float kTorsoReach = 1.9f;
constexpr float kBodyReach = 1.2f;

}  // namespace

SquareCrop RefineCropFor(const PersonPose& person, cv::Size picture) {
  const auto& k = person.keypoints;
  const PersonBox& box = person.box;
  // Never smaller than the person's box.
  float half = 0.5f * std::max(box.width(), box.height());
  float cx = 0.5f * (box.x0 + box.x1), cy = 0.5f * (box.y0 + box.y1);
  const auto seen = [&](int j) { return k[j].score > kCropMinScore; };
  if ((seen(kLeftHip) || seen(kRightHip)) && (seen(kLeftShoulder) || seen(kRightShoulder))) {
    cx = 0.5f * (k[kLeftHip].x + k[kRightHip].x);
    cy = 0.5f * (k[kLeftHip].y + k[kRightHip].y);
    float torso = 0, body = 0;
    for (int j : {kLeftShoulder, kRightShoulder, kLeftHip, kRightHip})
      torso = std::max({torso, std::fabs(k[j].x - cx), std::fabs(k[j].y - cy)});
    for (int j = 0; j < kKeypointCount; ++j)
      if (seen(j)) body = std::max({body, std::fabs(k[j].x - cx), std::fabs(k[j].y - cy)});
    half = std::max({half, kTorsoReach * torso, kBodyReach * body});
    // No larger than needed to reach the farthest picture edge.
    half = std::min(half, std::max({cx, picture.width - cx, cy, picture.height - cy}));
  }
  half = std::max(half, 1.0f);
  return {cx - half, cy - half, 2 * half};
}

void MergeRefinedKeypoints(const PersonPose& refined, PersonPose* person) {
  for (int k = 0; k < kKeypointCount; ++k)
    if (refined.keypoints[k].score > person->keypoints[k].score)
      person->keypoints[k] = refined.keypoints[k];
}

bool PoseRefiner::Load(const CameraSettings& settings, int threads, std::string* error) {
  size_ = 0;
  const std::string name = PoseRefineModelName(settings.pose_refine_model);
  if (name.empty()) return true;
  const std::string path = ModelPath(name);
  if (!model_.Load(path, threads, error)) return false;
  for (int i = 0; i < 4; ++i) {
    head_index_[i] = model_.OutputIndex(kHeadNames[i]);
    if (head_index_[i] < 0) {
      if (error)
        *error = MessageText(kNoModelOutput, {path, kHeadNames[i], CameraAssetsFix()});
      return false;
    }
  }
  size_ = kInputSide[static_cast<int>(settings.pose_refine_model)];
  return true;
}

bool PoseRefiner::Refine(const cv::Mat& bgr, std::vector<PersonPose>* people, std::string* error) {
  if (!enabled() || people->empty()) return true;
  if (bgr.empty() || bgr.type() != CV_8UC3) {
    if (error) *error = "pose refiner: the picture is not 8-bit BGR";
    return false;
  }
  const int grid = size_ / kStride;
  for (PersonPose& person : *people) {
    const SquareCrop c = RefineCropFor(person, bgr.size());
    // The part of the square inside the picture, scaled into the input; the
    // rest stays black.
    crop_.create(size_, size_, CV_8UC3);
    crop_.setTo(cv::Scalar::all(0));
    const double scale = size_ / c.side;
    const int px0 = std::clamp(static_cast<int>(std::floor(c.x0)), 0, bgr.cols);
    const int py0 = std::clamp(static_cast<int>(std::floor(c.y0)), 0, bgr.rows);
    const int px1 = std::clamp(static_cast<int>(std::ceil(c.x0 + c.side)), 0, bgr.cols);
    const int py1 = std::clamp(static_cast<int>(std::ceil(c.y0 + c.side)), 0, bgr.rows);
    const auto to_input = [&](int p, float origin) {
      return std::clamp(static_cast<int>(std::lround((p - origin) * scale)), 0, size_);
    };
    const int dx0 = to_input(px0, c.x0), dx1 = to_input(px1, c.x0);
    const int dy0 = to_input(py0, c.y0), dy1 = to_input(py1, c.y0);
    if (px1 > px0 && py1 > py0 && dx1 > dx0 && dy1 > dy0) {
      cv::Mat target = crop_(cv::Rect(dx0, dy0, dx1 - dx0, dy1 - dy0));
      cv::resize(bgr(cv::Rect(px0, py0, px1 - px0, py1 - py0)), target, target.size(), 0, 0,
                 cv::INTER_AREA);
    }
    cv::cvtColor(crop_, rgb_, cv::COLOR_BGR2RGB);
    rgb_.convertTo(input_, CV_32FC3);  // 0..255, as the model expects

    if (!model_.Run(input_.ptr<float>(), {1, size_, size_, 3}, &outputs_, error)) return false;
    SinglePoseHeads heads;
    heads.size = grid;
    const float** slots[4] = {&heads.center, &heads.kpt_heatmap, &heads.kpt_regress,
                              &heads.kpt_offset};
    for (int i = 0; i < 4; ++i) {
      const Tensor& t = outputs_[head_index_[i]];
      if (t.dim(1) != grid || t.dim(2) != grid || t.dim(3) != kHeadChannels[i]) {
        if (error) *error = std::string("pose refiner: unexpected shape of output ") + kHeadNames[i];
        return false;
      }
      *slots[i] = t.values.data();
    }
    PersonPose refined = DecodeSinglePose(heads);
    for (ScoredPoint& p : refined.keypoints) {
      p.x = c.x0 + p.x * c.side;
      p.y = c.y0 + p.y * c.side;
    }
    MergeRefinedKeypoints(refined, &person);
  }
  return true;
}
