#pragma once
// The words every floor uses for a tracked body, said once: the picture space
// its points are in, its joints (members, side, whether the stage marks them,
// the bone to the joint each hangs from) and the hand shapes' words and
// marker colours.

#include <array>
#include <cstdint>
#include <string_view>

#include "state/tracked_body.h"

// Picture space: the camera picture at half size, as the stage's body texture
// shows it. Every joint and balloon position is in these pixels.
inline constexpr int32_t kPictureWidth = 960;
inline constexpr int32_t kPictureHeight = 540;

enum class JointSide : uint8_t { kMiddle, kLeft, kRight };

// The joints, in the body file's column order (also the order the stage
// paints their markers in).
enum JointId : uint8_t {
  kJointSpineBase,
  kJointSpineMid,
  kJointSpineShoulder,
  kJointHead,
  kJointHandLeft,
  kJointHandRight,
  kJointElbowLeft,
  kJointElbowRight,
  kJointShoulderLeft,
  kJointShoulderRight,
  kJointHipLeft,
  kJointHipRight,
  kJointKneeLeft,
  kJointKneeRight,
  kJointFootLeft,
  kJointFootRight,
  kJointCount,
};

struct BodyJoint {
  std::string_view name;  // also its tracked point in exported motion data
  int32_t TrackedBody::*x;
  int32_t TrackedBody::*y;
  JointSide side;
  bool marker;     // painted as a disc on the stage (the spine is not)
  JointId parent;  // the other end of its bone; the spine base is its own
};

inline constexpr std::array<BodyJoint, kJointCount> kBodyJoints = {{
    {"spine_base", &TrackedBody::spine_base_x, &TrackedBody::spine_base_y, JointSide::kMiddle,
     false, kJointSpineBase},
    {"spine_mid", &TrackedBody::spine_mid_x, &TrackedBody::spine_mid_y, JointSide::kMiddle,
     false, kJointSpineBase},
    {"spine_shoulder", &TrackedBody::spine_shoulder_x, &TrackedBody::spine_shoulder_y,
     JointSide::kMiddle, false, kJointSpineMid},
    {"head", &TrackedBody::head_x, &TrackedBody::head_y, JointSide::kMiddle, true,
     kJointSpineShoulder},
    {"hand_left", &TrackedBody::hand_lx, &TrackedBody::hand_ly, JointSide::kLeft, true,
     kJointElbowLeft},
    {"hand_right", &TrackedBody::hand_rx, &TrackedBody::hand_ry, JointSide::kRight, true,
     kJointElbowRight},
    {"elbow_left", &TrackedBody::elbow_lx, &TrackedBody::elbow_ly, JointSide::kLeft, true,
     kJointShoulderLeft},
    {"elbow_right", &TrackedBody::elbow_rx, &TrackedBody::elbow_ry, JointSide::kRight, true,
     kJointShoulderRight},
    {"shoulder_left", &TrackedBody::shoulder_lx, &TrackedBody::shoulder_ly, JointSide::kLeft,
     true, kJointSpineShoulder},
    {"shoulder_right", &TrackedBody::shoulder_rx, &TrackedBody::shoulder_ry, JointSide::kRight,
     true, kJointSpineShoulder},
    {"hip_left", &TrackedBody::hip_lx, &TrackedBody::hip_ly, JointSide::kLeft, true,
     kJointSpineBase},
    {"hip_right", &TrackedBody::hip_rx, &TrackedBody::hip_ry, JointSide::kRight, true,
     kJointSpineBase},
    {"knee_left", &TrackedBody::knee_lx, &TrackedBody::knee_ly, JointSide::kLeft, true,
     kJointHipLeft},
    {"knee_right", &TrackedBody::knee_rx, &TrackedBody::knee_ry, JointSide::kRight, true,
     kJointHipRight},
    {"foot_left", &TrackedBody::foot_lx, &TrackedBody::foot_ly, JointSide::kLeft, true,
     kJointKneeLeft},
    {"foot_right", &TrackedBody::foot_rx, &TrackedBody::foot_ry, JointSide::kRight, true,
     kJointKneeRight},
}};

// The word for a HandShape code ("none" for no shape read or any other code).
constexpr std::string_view HandShapeWord(int32_t shape) {
  switch (shape) {
    case kHandRock:
      return "rock";
    case kHandScissors:
      return "scissors";
    case kHandPaper:
      return "paper";
    default:
      return "none";
  }
}

// The colour of a joint marker, 0xAARRGGBB: a hand's by its shape, every
// other joint (and a hand without a shape) blue.
inline constexpr uint32_t kJointMarkerColour = 0xFF0040FF;
constexpr uint32_t HandShapeColour(int32_t shape) {
  switch (shape) {
    case kHandRock:
      return 0xFFFF0000;
    case kHandScissors:
      return 0xFF00FF00;
    case kHandPaper:
      return 0xFFFFFF00;
    default:
      return kJointMarkerColour;
  }
}
