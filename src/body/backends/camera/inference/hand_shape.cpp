#include "body/backends/camera/inference/hand_shape.h"

#include <algorithm>
#include <cmath>

namespace {
// Landmark numbers: 0 wrist; per finger MCP, PIP, DIP, TIP.
constexpr int kFingerMcp[4] = {5, 9, 13, 17};
constexpr int kFingerTip[4] = {8, 12, 16, 20};
// A finger is out when it bends at most kStraightBend degrees and reaches at
// least kStraightReach; in when it bends at least kCurledBend degrees or
// reaches at most kCurledReach. In between it is unsure, and so is the hand.
// Chosen on labelled photos of fists, V signs and open hands (both hand
// models): straight fingers bend under 100 degrees in 98 % of hands, curled
// ones over 120; the reach keeps a half-bent ring finger of a V sign from
// counting as out.
constexpr float kStraightBend = 100.0f;
constexpr float kCurledBend = 120.0f;
constexpr float kStraightReach = 1.5f;
constexpr float kCurledReach = 1.3f;
constexpr float kClearMargin = 40.0f;  // degrees from the unsure band to full confidence

float Distance(const cv::Point3f& a, const cv::Point3f& b) {
  const cv::Point3f d = a - b;
  return std::sqrt(d.dot(d));
}

float TurnDegrees(const cv::Point3f& from, const cv::Point3f& to) {
  const float n = std::sqrt(from.dot(from) * to.dot(to));
  if (!(n > 1e-12f)) return 0;
  return std::acos(std::clamp(from.dot(to) / n, -1.0f, 1.0f)) * 57.29578f;
}
}  // namespace

std::array<float, 4> FingerExtensions(const HandLandmarks& hand) {
  std::array<float, 4> ext{};
  const cv::Point3f& wrist = hand.world[0];
  for (int f = 0; f < 4; ++f) {
    const float knuckle = Distance(wrist, hand.world[kFingerMcp[f]]);
    ext[f] = knuckle > 1e-6f ? Distance(wrist, hand.world[kFingerTip[f]]) / knuckle : 0.0f;
  }
  return ext;
}

std::array<float, 4> FingerBends(const HandLandmarks& hand) {
  std::array<float, 4> bend{};
  for (int f = 0; f < 4; ++f) {
    cv::Point3f previous = hand.world[kFingerMcp[f]] - hand.world[0];
    for (int j = kFingerMcp[f]; j < kFingerTip[f]; ++j) {
      const cv::Point3f bone = hand.world[j + 1] - hand.world[j];
      bend[f] += TurnDegrees(previous, bone);
      previous = bone;
    }
  }
  return bend;
}

HandState ClassifyHandShape(const HandLandmarks& hand, float presence_threshold,
                            float* confidence) {
  if (confidence) *confidence = 0;
  if (!(hand.presence >= presence_threshold)) return HandState_Unknown;
  const std::array<float, 4> reach = FingerExtensions(hand);
  const std::array<float, 4> bend = FingerBends(hand);
  bool out[4], in[4];
  float clearest = 1.0f;  // of the least clear finger
  for (int f = 0; f < 4; ++f) {
    out[f] = bend[f] <= kStraightBend && reach[f] >= kStraightReach;
    in[f] = !out[f] && (bend[f] >= kCurledBend || reach[f] <= kCurledReach);
    const float margin = out[f] ? kCurledBend - bend[f] : in[f] ? bend[f] - kStraightBend : 0;
    clearest = std::min(clearest, std::clamp(margin / kClearMargin, 0.0f, 1.0f));
  }
  HandState shape = HandState_Unknown;
  if (out[0] && out[1] && out[2] && out[3])
    shape = HandState_Open;
  else if (in[0] && in[1] && in[2] && in[3])
    shape = HandState_Closed;
  else if (out[0] && out[1] && in[2] && in[3])
    shape = HandState_Lasso;
  if (confidence && shape != HandState_Unknown) *confidence = hand.presence * clearest;
  return shape;
}

HandState HandShapeFilter::Update(HandState reading, float confidence) {
  if (reading == HandState_Unknown || reading == HandState_NotTracked) {
    candidate_count_ = 0;
    if (++unknown_count_ > hold_frames_) state_ = HandState_Unknown;
    return state_;
  }
  unknown_count_ = 0;
  if (reading == state_) {
    candidate_count_ = 0;
    confidence_ = confidence;
    return state_;
  }
  if (reading == candidate_) {
    ++candidate_count_;
  } else {
    candidate_ = reading;
    candidate_count_ = 1;
  }
  candidate_confidence_ = confidence;
  if (candidate_count_ >= confirm_frames_) {
    state_ = candidate_;
    confidence_ = candidate_confidence_;
    candidate_count_ = 0;
  }
  return state_;
}
