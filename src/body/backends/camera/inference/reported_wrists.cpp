#include "body/backends/camera/inference/reported_wrists.h"

#include <algorithm>
#include <cmath>

#include "body/backends/camera/inference/hand_regions.h"

namespace {
// Seen from the front, a forearm is at most about as long as the upper arm
// (a child's: 0.8-0.9 of it) and at most about the shoulders' width; seen
// along the arm the upper arm shortens, so the larger of the two is the
// reference. The margin allows for where the model puts the joints.
constexpr float kForearmPerReference = 1.4f;

float Distance(const ScoredPoint& a, const ScoredPoint& b) {
  return std::hypot(a.x - b.x, a.y - b.y);
}
}  // namespace

bool ForearmHoldsTogether(const PersonPose& pose, int side, float keypoint_threshold) {
  const ScoredPoint& wrist = pose.keypoints[kWristOf[side]];
  const ScoredPoint& elbow = pose.keypoints[kElbowOf[side]];
  const ScoredPoint& shoulder = pose.keypoints[kShoulderOf[side]];
  const auto seen = [&](int k) { return pose.keypoints[k].score >= keypoint_threshold; };
  if (!seen(kElbowOf[side])) return false;
  float reference = 0;
  if (seen(kShoulderOf[side])) reference = Distance(elbow, shoulder);
  if (seen(kLeftShoulder) && seen(kRightShoulder))
    reference =
        std::max(reference, Distance(pose.keypoints[kLeftShoulder], pose.keypoints[kRightShoulder]));
  return reference > 0 && Distance(wrist, elbow) <= kForearmPerReference * reference;
}

void ApplyWristRules(PersonPose* pose, const std::array<HandAtWrist, 2>& hands,
                     const WristRules& rules) {
  for (int side = 0; side < 2; ++side) {
    ScoredPoint& w = pose->keypoints[kWristOf[side]];
    const HandAtWrist& hand = hands[side];
    const float lifted = std::max(w.score, rules.keypoint_threshold);
    if (hand.read_now) {
      w.x = hand.wrist.x, w.y = hand.wrist.y, w.score = lifted;
    } else if (hand.tracked && std::hypot(w.x - hand.wrist.x, w.y - hand.wrist.y) <= hand.side) {
      w.score = lifted;  // the hand is still there, the pose's wrist with it
    } else if (w.score >= rules.weak_wrist_threshold &&
               ForearmHoldsTogether(*pose, side, rules.keypoint_threshold)) {
      w.score = lifted;
    }
  }
}
