#include "body/backends/camera/inference/hand_regions.h"

#include <algorithm>
#include <cmath>

namespace {
// Region side over each body measure: a hand is about half a shoulder width
// long and as long as the eyes are apart times three; the region is about
// twice the hand.
constexpr float kSidePerShoulderWidth = 1.1f;
constexpr float kSidePerEyeDistance = 6.0f;
constexpr float kSidePerForearm = 1.6f;
constexpr float kReachPastWrist = 0.25f;  // region centre past the wrist, of its side

float Length(cv::Point2f v) {
  return std::hypot(v.x, v.y);
}
cv::Point2f At(const ScoredPoint& p) {
  return {p.x, p.y};
}
}  // namespace

std::vector<HandRegion> HandRegionsFromPose(const PersonPose& pose, int side, float min_score) {
  std::vector<HandRegion> regions;
  const ScoredPoint& wrist = pose.keypoints[kWristOf[side]];
  if (!(wrist.score >= min_score)) return regions;
  const auto seen = [&](int k) { return pose.keypoints[k].score >= min_score; };

  // The body's own scale, from what is seen of it.
  float body_side = 0;
  if (seen(kLeftShoulder) && seen(kRightShoulder))
    body_side = kSidePerShoulderWidth *
                Length(At(pose.keypoints[kLeftShoulder]) - At(pose.keypoints[kRightShoulder]));
  if (seen(kLeftEye) && seen(kRightEye))
    body_side = std::max(body_side, kSidePerEyeDistance * Length(At(pose.keypoints[kLeftEye]) -
                                                                 At(pose.keypoints[kRightEye])));
  if (body_side <= 0) body_side = 0.2f * std::max(pose.box.width(), pose.box.height());

  cv::Point2f up(0, -1);
  float arm_side = 0;
  const int from = seen(kElbowOf[side])      ? kElbowOf[side]
                   : seen(kShoulderOf[side]) ? kShoulderOf[side]
                                             : -1;
  if (from >= 0) {
    const cv::Point2f d = At(wrist) - At(pose.keypoints[from]);
    const float len = Length(d);
    if (len > 1.0f) {
      up = d / len;
      if (from == kElbowOf[side]) arm_side = kSidePerForearm * len;
    }
  }
  HandRegion r;
  r.side = std::max({arm_side, body_side, 16.0f});
  r.up = up;
  r.center = At(wrist) + up * (kReachPastWrist * r.side);
  regions.push_back(r);
  // Fingers up, unless the arm's line already says so.
  if (up.y > -0.9f) {
    r.side = body_side > 0 ? std::max(body_side, 16.0f) : r.side;
    r.up = {0, -1};
    r.center = At(wrist) + r.up * (kReachPastWrist * r.side);
    regions.push_back(r);
  }
  return regions;
}

bool HandBelongsTo(const PersonPose& pose, int side, cv::Point2f hand_wrist, float region_side,
                   float min_score) {
  const ScoredPoint& wrist = pose.keypoints[kWristOf[side]];
  if (wrist.score >= min_score) return Length(hand_wrist - At(wrist)) <= region_side;
  const float gx = 0.2f * pose.box.width(), gy = 0.2f * pose.box.height();
  return hand_wrist.x >= pose.box.x0 - gx && hand_wrist.x <= pose.box.x1 + gx &&
         hand_wrist.y >= pose.box.y0 - gy && hand_wrist.y <= pose.box.y1 + gy;
}
