#include "body/backends/sim/child_pose.h"

#include <algorithm>
#include <cmath>

namespace {

// Heights above the floor as fractions of the standing height; young
// children have large heads and short legs.
constexpr float kHeadY = 0.89f, kNeckY = 0.80f, kSpineShoulderY = 0.77f, kShoulderY = 0.755f;
constexpr float kSpineMidY = 0.62f, kSpineBaseY = 0.48f, kHipY = 0.47f, kKneeY = 0.26f;
constexpr float kAnkleY = 0.04f, kFootY = 0.015f;
constexpr float kShoulderX = 0.11f, kHipX = 0.06f;
constexpr float kUpperArm = 0.17f, kForearm = 0.16f, kHand = 0.05f;

struct V {
  float x, y, z;
};
V operator+(V a, V b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
V operator-(V a, V b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V operator*(V a, float s) {
  return {a.x * s, a.y * s, a.z * s};
}
float Dot(V a, V b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
float Length(V a) {
  return std::sqrt(Dot(a, a));
}
V Normalized(V a) {
  const float l = Length(a);
  return l > 1e-6f ? a * (1.0f / l) : V{0, -1, 0};
}
V FromPoint(const CameraSpacePoint& p) {
  return {p.X, p.Y, p.Z};
}
CameraSpacePoint ToPoint(V v) {
  return {v.x, v.y, v.z};
}

// Elbow of a two-bone arm from shoulder s to hand h, bending towards `hint`;
// an arm too short for the goal is drawn straight (the child stretches).
V Elbow(V s, V h, float upper, float fore, V hint) {
  const V axis = h - s;
  const float d = Length(axis);
  const V u = Normalized(axis);
  if (d < 1e-4f) return s + V{0, -upper, 0};
  if (d >= upper + fore) return s + u * (d * upper / (upper + fore));
  const float along = (upper * upper - fore * fore + d * d) / (2.0f * d);
  const float across = std::sqrt(std::max(0.0f, upper * upper - along * along));
  const V n = Normalized(hint - u * Dot(hint, u));
  return s + u * along + n * across;
}

}  // namespace

float ArmLength(const ChildBuild& build) {
  return (kUpperArm + kForearm) * build.height_m;
}
float ShoulderOffset(const ChildBuild& build) {
  return kShoulderX * build.height_m;
}

ChildJoints PoseChild(const ChildBuild& b, const ChildPose& p) {
  const float h = b.height_m;
  const float f = p.floor_y_m;
  const float x = p.root_x_m;
  const float z = p.root_z_m;
  ChildJoints j{};
  auto at = [&](float dx, float y_frac, float dz, float lean) {
    return CameraSpacePoint{x + dx + lean * p.sway_m, f + y_frac * h, z + dz};
  };
  // Lean grows with height above the hips.
  j[JointType_SpineBase] = at(0, kSpineBaseY, 0, 0.0f);
  j[JointType_SpineMid] = at(0, kSpineMidY, 0, 0.5f);
  j[JointType_SpineShoulder] = at(0, kSpineShoulderY, 0, 1.0f);
  j[JointType_Neck] = at(0, kNeckY, 0, 1.05f);
  j[JointType_Head] = at(0, kHeadY, -0.01f, 1.15f);
  j[JointType_HipLeft] = at(-kHipX * h, kHipY, 0, 0.0f);
  j[JointType_HipRight] = at(kHipX * h, kHipY, 0, 0.0f);
  const float step = 0.05f * p.stride;
  j[JointType_KneeLeft] =
      at(-kHipX * h, kKneeY + 0.02f * std::max(0.0f, step * 10), -0.03f - step, 0);
  j[JointType_KneeRight] =
      at(kHipX * h, kKneeY + 0.02f * std::max(0.0f, -step * 10), -0.03f + step, 0);
  j[JointType_AnkleLeft] = at(-kHipX * h, kAnkleY + std::max(0.0f, step), -step, 0);
  j[JointType_AnkleRight] = at(kHipX * h, kAnkleY + std::max(0.0f, -step), step, 0);
  j[JointType_FootLeft] = at(-(kHipX + 0.01f) * h, kFootY + std::max(0.0f, step), -0.08f - step, 0);
  j[JointType_FootRight] =
      at((kHipX + 0.01f) * h, kFootY + std::max(0.0f, -step), -0.08f + step, 0);

  const JointType shoulders[2] = {JointType_ShoulderLeft, JointType_ShoulderRight};
  const JointType elbows[2] = {JointType_ElbowLeft, JointType_ElbowRight};
  const JointType wrists[2] = {JointType_WristLeft, JointType_WristRight};
  const JointType hands[2] = {JointType_HandLeft, JointType_HandRight};
  const JointType tips[2] = {JointType_HandTipLeft, JointType_HandTipRight};
  const JointType thumbs[2] = {JointType_ThumbLeft, JointType_ThumbRight};
  const float upper = kUpperArm * h, fore = kForearm * h;
  for (int side = 0; side < 2; ++side) {
    const float s = side == 0 ? -1.0f : 1.0f;
    const V shoulder = FromPoint(at(s * kShoulderX * h, kShoulderY, 0, 1.0f));
    const float swing = 0.04f * p.arm_swing * s;
    const V rest = shoulder + V{s * 0.07f * h, -(upper + fore) * 0.95f, -0.04f + swing};
    V hand = rest;
    if (p.hand_goal[side]) {
      const float t = std::clamp(p.reach[side], 0.0f, 1.0f);
      hand = rest + (FromPoint(*p.hand_goal[side]) - rest) * t;
    }
    const V elbow = Elbow(shoulder, hand, upper, fore, V{s, -1.0f, 0.3f});
    const V dir = Normalized(hand - elbow);
    j[shoulders[side]] = ToPoint(shoulder);
    j[elbows[side]] = ToPoint(elbow);
    j[wrists[side]] = ToPoint(hand - dir * (0.3f * kHand * h));
    j[hands[side]] = ToPoint(hand);
    j[tips[side]] = ToPoint(hand + dir * (kHand * h));
    j[thumbs[side]] = ToPoint(hand + dir * (0.4f * kHand * h) + V{-s * 0.02f, 0, -0.02f});
  }
  return j;
}
