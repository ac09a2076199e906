#include "body/backends/camera/hand_shape.h"

#include <cmath>

namespace {
// Landmark numbers: 0 wrist; per finger MCP, PIP, DIP, TIP.
constexpr int kFingerMcp[4] = {5, 9, 13, 17};
constexpr int kFingerTip[4] = {8, 12, 16, 20};
constexpr float kStretched = 1.55f;  // at least this: the finger is out
constexpr float kCurled = 1.35f;     // at most this: the finger is in

float Distance(const cv::Point3f& a, const cv::Point3f& b) {
  const cv::Point3f d = a - b;
  return std::sqrt(d.dot(d));
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

HandState ClassifyHandShape(const HandLandmarks& hand, float presence_threshold) {
  if (!(hand.presence >= presence_threshold)) return HandState_Unknown;
  const std::array<float, 4> ext = FingerExtensions(hand);
  bool out[4], in[4];
  for (int f = 0; f < 4; ++f) out[f] = ext[f] >= kStretched, in[f] = ext[f] <= kCurled;
  if (out[0] && out[1] && out[2] && out[3]) return HandState_Open;
  if (in[0] && in[1] && in[2] && in[3]) return HandState_Closed;
  if (out[0] && out[1] && in[2] && in[3]) return HandState_Lasso;
  return HandState_Unknown;
}

HandState HandShapeFilter::Update(HandState reading) {
  if (reading == HandState_Unknown || reading == HandState_NotTracked) {
    candidate_count_ = 0;
    if (++unknown_count_ > hold_frames_) state_ = HandState_Unknown;
    return state_;
  }
  unknown_count_ = 0;
  if (reading == state_) {
    candidate_count_ = 0;
    return state_;
  }
  if (reading == candidate_) {
    ++candidate_count_;
  } else {
    candidate_ = reading;
    candidate_count_ = 1;
  }
  if (candidate_count_ >= confirm_frames_) {
    state_ = candidate_;
    candidate_count_ = 0;
  }
  return state_;
}
