#include "trial/response_rules.h"

#include <cstdint>

const ResponseSite kResponseSites[kResponseSiteCount] = {
    {"Hand_L", &TrackedBody::hand_lx, &TrackedBody::hand_ly, nullptr},
    {"Hand_R", &TrackedBody::hand_rx, &TrackedBody::hand_ry, nullptr},
    {"Head", &TrackedBody::head_x, &TrackedBody::head_y, &ExperimentSettings::flag_head},
    {"Elbow_L", &TrackedBody::elbow_lx, &TrackedBody::elbow_ly, &ExperimentSettings::flag_elbow},
    {"Elbow_R", &TrackedBody::elbow_rx, &TrackedBody::elbow_ry, &ExperimentSettings::flag_elbow},
    {"Should_L", &TrackedBody::shoulder_lx, &TrackedBody::shoulder_ly,
     &ExperimentSettings::flag_shoulder},
    {"Should_R", &TrackedBody::shoulder_rx, &TrackedBody::shoulder_ry,
     &ExperimentSettings::flag_shoulder},
    {"Hip_L", &TrackedBody::hip_lx, &TrackedBody::hip_ly, &ExperimentSettings::flag_hip},
    {"Hip_R", &TrackedBody::hip_rx, &TrackedBody::hip_ry, &ExperimentSettings::flag_hip},
    {"Knee_L", &TrackedBody::knee_lx, &TrackedBody::knee_ly, &ExperimentSettings::flag_knee},
    {"Knee_R", &TrackedBody::knee_rx, &TrackedBody::knee_ry, &ExperimentSettings::flag_knee},
    {"Foot_L", &TrackedBody::foot_lx, &TrackedBody::foot_ly, &ExperimentSettings::flag_foot},
    {"Foot_R", &TrackedBody::foot_rx, &TrackedBody::foot_ry, &ExperimentSettings::flag_foot},
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
  static constexpr int32_t TrackedBody::*kLimbX[] = {
      &TrackedBody::hand_lx,  &TrackedBody::hand_rx,     &TrackedBody::elbow_lx,
      &TrackedBody::elbow_rx, &TrackedBody::shoulder_lx, &TrackedBody::shoulder_rx,
      &TrackedBody::hip_lx,   &TrackedBody::hip_rx,      &TrackedBody::knee_lx,
      &TrackedBody::knee_rx,  &TrackedBody::foot_lx,     &TrackedBody::foot_rx,
  };
  // In 64 bits: a wild sensor value must not overflow; it saturates instead.
  for (auto x : kLimbX) {
    const int64_t mirrored = 960 - static_cast<int64_t>(slot.*x);
    slot.*x = static_cast<int32_t>(mirrored > INT32_MAX ? INT32_MAX : mirrored);
  }
}

const char* HitTest(const TrackedBody& slot, const Target& target,
                    const ExperimentSettings& settings) {
  const HitRect& rect = target.hit_rect;
  if (settings.janken == 0) {
    for (const ResponseSite& site : kResponseSites) {
      const bool enabled = site.enabled_by == nullptr || settings.*site.enabled_by != 0;
      if (rect.Contains(slot.*site.x, slot.*site.y) && enabled) return site.name;
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
