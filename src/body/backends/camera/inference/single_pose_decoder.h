#pragma once
// Turns the four output heads of MoveNet SinglePose (Lightning, Thunder) into
// one person, as the model's own post-processing does: the centre nearest
// the crop's middle (centre score divided by the distance from the middle
// plus 1.8 cells), its regressed keypoints, and per keypoint the heatmap cell
// nearest the regressed point in the same way, refined by its offset.

#include "body/backends/camera/inference/pose_types.h"

// The heads of one crop, NHWC with N = 1, on a square grid of `size` cells.
struct SinglePoseHeads {
  int size = 0;
  const float* center = nullptr;       // size * size * 1, 0..1
  const float* kpt_heatmap = nullptr;  // size * size * 17, 0..1
  const float* kpt_regress = nullptr;  // size * size * 34, (dy, dx) per keypoint, cells
  const float* kpt_offset = nullptr;   // size * size * 34, (dy, dx) per keypoint, cells
};

// The person's keypoints as (x, y) in 0..1 of the crop, each scored by its
// heatmap; the box and the person's score are left empty.
PersonPose DecodeSinglePose(const SinglePoseHeads& heads);
