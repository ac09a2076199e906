#pragma once
// Turns the six output heads of MoveNet MultiPose into people. The network
// predicts on a grid of stride 4: a heatmap of person centres, per centre a
// regression to its 17 keypoints and a box, and per keypoint type a heatmap
// with sub-cell offsets. Decoding (as the model's own post-processing does):
//  1. the six highest local maxima (5 x 5) of the centre heatmap;
//  2. per centre, the keypoints it regresses to and its box;
//  3. per keypoint, the heatmap cell inside the person's box that is strongest
//     after weighting by a Gaussian around the regressed point, plus its
//     offset; its score is the strongest weighted value any person gives there;
//  4. the person's score: centre score times the mean of its keypoint scores
//     above 0.127.

#include <vector>

#include "body/backends/camera/inference/pose_types.h"

// The heads of one frame, NHWC with N = 1, all of grid height h and width w.
struct MoveNetHeads {
  int h = 0, w = 0;
  const float* center = nullptr;       // h * w * 1, 0..1
  const float* kpt_heatmap = nullptr;  // h * w * 17, 0..1
  const float* kpt_regress = nullptr;  // h * w * 34, (dy, dx) per keypoint, cells
  const float* kpt_offset = nullptr;   // h * w * 34, (dy, dx) per keypoint, cells
  const float* box_scale = nullptr;    // h * w * 2, (height, width), cells
  const float* box_offset = nullptr;   // h * w * 2, (dy, dx) of the box centre, cells
};

inline constexpr int kMoveNetMaxPeople = 6;
inline constexpr int kMoveNetStride = 4;

// All six candidates, strongest centre first. Points and boxes are pixels of
// the network input (grid cells times the stride); scores as described above.
std::vector<PersonPose> DecodeMoveNet(const MoveNetHeads& heads);
