#include "trial/response_rules.h"

#include <cstdint>

const ResponseSite kResponseSites[kResponseSiteCount] = {
    {"Hand_L", kJointHandLeft, nullptr},
    {"Hand_R", kJointHandRight, nullptr},
    {"Head", kJointHead, &ExperimentSettings::flag_head},
    {"Elbow_L", kJointElbowLeft, &ExperimentSettings::flag_elbow},
    {"Elbow_R", kJointElbowRight, &ExperimentSettings::flag_elbow},
    {"Should_L", kJointShoulderLeft, &ExperimentSettings::flag_shoulder},
    {"Should_R", kJointShoulderRight, &ExperimentSettings::flag_shoulder},
    {"Hip_L", kJointHipLeft, &ExperimentSettings::flag_hip},
    {"Hip_R", kJointHipRight, &ExperimentSettings::flag_hip},
    {"Knee_L", kJointKneeLeft, &ExperimentSettings::flag_knee},
    {"Knee_R", kJointKneeRight, &ExperimentSettings::flag_knee},
    {"Foot_L", kJointFootLeft, &ExperimentSettings::flag_foot},
    {"Foot_R", kJointFootRight, &ExperimentSettings::flag_foot},
};

int32_t JankenRule(int32_t janken, int32_t tgthand) {
  // Index by sign: rock 1, scissors 2, paper 3.
  static constexpr int32_t kBeats[4] = {0, kHandPaper, kHandRock, kHandScissors};
  static constexpr int32_t kLosesTo[4] = {0, kHandScissors, kHandPaper, kHandRock};
  if (tgthand < 1 || tgthand > 3) return kHandNone;
  return janken == 1 ? kBeats[tgthand] : kLosesTo[tgthand];
}

void SelectNearest(std::span<TrackedBody, kBodySlotCount> bodies) {
  for (TrackedBody& slot : bodies) slot.nearest = 0;
  int nearest = -1;
  double best_dist = 999.0;
  for (int i = 0; i < kBodySlotCount; ++i) {
    if (bodies[i].tracked != 0 && bodies[i].head_dist < best_dist) {
      best_dist = bodies[i].head_dist;
      nearest = i;
    }
  }
  if (nearest >= 0) bodies[nearest].nearest = 1;
}

bool IsProcessedSlot(const TrackedBody& slot, const ExperimentSettings& settings) {
  if (slot.tracked == 0) return false;
  return settings.flag_single != 1 || slot.nearest != 0;
}

void MirrorJoints(TrackedBody& slot) {
  // In 64 bits: a wild sensor value must not overflow; it saturates instead.
  for (const BodyJoint& joint : kBodyJoints) {
    if (joint.side == JointSide::kMiddle) continue;
    int32_t& x = slot.*joint.x;
    const int64_t mirrored = kPictureWidth - static_cast<int64_t>(x);
    x = static_cast<int32_t>(mirrored > INT32_MAX ? INT32_MAX : mirrored);
  }
}

const char* HitTest(const TrackedBody& slot, const Target& target,
                    const ExperimentSettings& settings) {
  const HitRect& rect = target.hit_rect;
  if (settings.janken == 0) {
    for (const ResponseSite& site : kResponseSites) {
      const bool enabled = site.enabled_by == nullptr || settings.*site.enabled_by != 0;
      if (rect.Contains(slot.*site.point().x, slot.*site.point().y) && enabled) return site.name;
    }
    return nullptr;
  }
  const int32_t wanted = JankenRule(settings.janken, target.tgthand);
  // A left hand inside the balloon decides alone, even with the wrong shape.
  if (rect.Contains(slot.hand_lx, slot.hand_ly)) {
    return slot.hand_l == wanted && wanted != kHandNone ? "Hand_L" : nullptr;
  }
  if (rect.Contains(slot.hand_rx, slot.hand_ry)) {
    return slot.hand_r == wanted && wanted != kHandNone ? "Hand_R" : nullptr;
  }
  return nullptr;
}
