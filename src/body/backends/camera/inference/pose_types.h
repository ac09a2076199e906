#pragma once
// What the pose model finds: up to six people with the 17 COCO keypoints.

#include <array>
#include <cstdint>
#include <vector>

// COCO keypoint order, the pose model's output order.
enum Keypoint : int {
  kNose = 0,
  kLeftEye,
  kRightEye,
  kLeftEar,
  kRightEar,
  kLeftShoulder,
  kRightShoulder,
  kLeftElbow,
  kRightElbow,
  kLeftWrist,
  kRightWrist,
  kLeftHip,
  kRightHip,
  kLeftKnee,
  kRightKnee,
  kLeftAnkle,
  kRightAnkle,
  kKeypointCount
};

struct ScoredPoint {
  float x = 0, y = 0;  // pixels (of whatever picture the owner says)
  float score = 0;     // 0..1
};

struct PersonBox {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // pixels; x0 <= x1, y0 <= y1

  float width() const { return x1 - x0; }
  float height() const { return y1 - y0; }
  float area() const { return width() > 0 && height() > 0 ? width() * height() : 0; }
};

struct PersonPose {
  std::array<ScoredPoint, kKeypointCount> keypoints{};
  PersonBox box;
  float score = 0;  // the person's confidence
};

// Intersection over union of two boxes, 0 when either is empty.
float BoxIou(const PersonBox& a, const PersonBox& b);
