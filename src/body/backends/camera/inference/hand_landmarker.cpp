#include "body/backends/camera/inference/hand_landmarker.h"

#include <algorithm>
#include <cmath>
#include <opencv2/imgproc.hpp>

#include "body/backends/camera/inference/camera_assets.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {
constexpr int kInput = 224;
}  // namespace

HandRegion HandRegionFromLandmarks(const HandLandmarks& hand) {
  constexpr float kScale = 2.0f;       // square side over the landmarks' extent
  constexpr float kShift = 0.1f;       // towards the fingers, of the extent's height
  constexpr float kWholeScale = 1.8f;  // square side over all landmarks' extent, at least
  const auto at = [&](int i) { return cv::Point2f(hand.image[i].x, hand.image[i].y); };
  // The direction of the fingers: wrist to the middle of the index, middle
  // and ring fingers' middle joints; it holds for fists as for open hands.
  const cv::Point2f fingers = ((at(6) + at(14)) * 0.5f + at(10)) * 0.5f;
  cv::Point2f up = fingers - at(0);
  const float len = std::hypot(up.x, up.y);
  HandRegion r;
  if (!(len > 1e-3f)) return r;
  up /= len;
  const cv::Point2f right(-up.y, up.x);
  // The extent of the palm and the fingers' first two joints, not the tips:
  // the square then has the same size for a fist as for an open hand.
  constexpr int kExtent[] = {0, 1, 2, 3, 5, 6, 9, 10, 13, 14, 17, 18};
  float u0 = 1e9f, u1 = -1e9f, r0 = 1e9f, r1 = -1e9f;
  for (int i : kExtent) {
    const cv::Point2f p = at(i);
    const float u = p.dot(up), v = p.dot(right);
    u0 = std::min(u0, u), u1 = std::max(u1, u), r0 = std::min(r0, v), r1 = std::max(r1, v);
  }
  r.up = up;
  r.center = up * ((u0 + u1) / 2 + kShift * (u1 - u0)) + right * ((r0 + r1) / 2);
  // ...but never so tight that curled fingers or the tips fall near its edge.
  float a0 = 1e9f, a1 = -1e9f, b0 = 1e9f, b1 = -1e9f;
  for (int i = 0; i < kHandLandmarkCount; ++i) {
    const float u = at(i).dot(up), v = at(i).dot(right);
    a0 = std::min(a0, u), a1 = std::max(a1, u), b0 = std::min(b0, v), b1 = std::max(b1, v);
  }
  r.side = std::max(kScale * std::max(u1 - u0, r1 - r0), kWholeScale * std::max(a1 - a0, b1 - b0));
  return r;
}

bool HandLandmarker::Load(const std::string& model_path, int threads, std::string* error) {
  if (!model_.Load(model_path, threads, error)) return false;
  landmarks_ = model_.OutputIndex("landmarks");
  world_ = model_.OutputIndex("world_landmarks");
  presence_ = model_.OutputIndex("presence");
  handedness_ = model_.OutputIndex("handedness");
  if (landmarks_ < 0 || world_ < 0 || presence_ < 0 || handedness_ < 0) {
    if (error)
      *error = MessageText(QT_TRANSLATE_NOOP("Message", "%1 に手の出力がありません。%2"),
                           {model_path, CameraAssetsFix()});
    return false;
  }
  return true;
}

bool HandLandmarker::Estimate(const cv::Mat& bgr, const HandRegion& region, HandLandmarks* out,
                              std::string* error) {
  if (!(region.side >= 8.0f) || bgr.empty()) return false;
  // Crop axes in picture pixels: y runs from the fingers to the wrist (-up),
  // x is y turned a quarter to the left, so the crop is not mirrored.
  const float k = region.side / kInput;
  const cv::Point2f ex(-region.up.y * k, region.up.x * k);
  const cv::Point2f ey(-region.up.x * k, -region.up.y * k);
  const cv::Point2f origin = region.center - (ex + ey) * (kInput / 2.0f);
  cv::Matx23f crop_to_picture(ex.x, ey.x, origin.x, ex.y, ey.y, origin.y);
  cv::warpAffine(bgr, crop_, crop_to_picture, cv::Size(kInput, kInput),
                 cv::INTER_LINEAR | cv::WARP_INVERSE_MAP, cv::BORDER_CONSTANT);
  cv::cvtColor(crop_, rgb_, cv::COLOR_BGR2RGB);
  rgb_.convertTo(input_, CV_32FC3, 1.0 / 255.0);
  if (!model_.Run(input_.ptr<float>(), {1, kInput, kInput, 3}, &outputs_, error)) return false;
  const Tensor& lm = outputs_[landmarks_];
  const Tensor& world = outputs_[world_];
  if (lm.values.size() < 3 * kHandLandmarkCount || world.values.size() < 3 * kHandLandmarkCount)
    return false;
  for (int i = 0; i < kHandLandmarkCount; ++i) {
    const float u = lm.values[3 * i], v = lm.values[3 * i + 1];
    const cv::Point2f p = origin + ex * u + ey * v;
    out->image[i] = {p.x, p.y, lm.values[3 * i + 2] * k};
    out->world[i] = {world.values[3 * i], world.values[3 * i + 1], world.values[3 * i + 2]};
  }
  out->presence = outputs_[presence_].values.empty() ? 0 : outputs_[presence_].values[0];
  out->handedness = outputs_[handedness_].values.empty() ? 0 : outputs_[handedness_].values[0];
  return true;
}
