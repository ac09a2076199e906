#pragma once
// Skeleton of a simulated child: the 25 joint positions (camera space, metres)
// of a 3-6-year-old standing upright and facing the camera, with either arm
// stretched towards a goal. The child's right side is towards larger picture x
// (the sensor's picture is a mirror view).

#include <array>
#include <optional>

#include "body/sensor/sensor_types.h"

struct ChildBuild {
  float height_m = 1.1f;  // standing height, about 1.0 to 1.15
};

struct ChildPose {
  float root_x_m = 0.0f;    // between the feet, camera space X
  float floor_y_m = -0.8f;  // camera space Y of the floor
  float root_z_m = 2.0f;    // distance of the body plane from the camera
  float sway_m = 0.0f;      // sideways lean of the upper body at the shoulders
  // Where each hand is pulled to, and how far along it is (0 at rest, 1 there).
  std::optional<CameraSpacePoint> hand_goal[2];  // [0] left, [1] right
  float reach[2] = {0.0f, 0.0f};
  float arm_swing = 0.0f;  // -1 .. 1, small idle movement of the hanging arms
  float stride = 0.0f;     // -1 .. 1, leg phase while walking
};

using ChildJoints = std::array<CameraSpacePoint, JointType_Count>;

ChildJoints PoseChild(const ChildBuild& build, const ChildPose& pose);

// Length from shoulder to hand joint of a fully stretched arm.
float ArmLength(const ChildBuild& build);
// Sideways distance from the body's centre line to a shoulder.
float ShoulderOffset(const ChildBuild& build);
