#include "body/backends/camera/inference/single_pose_decoder.h"

#include <cmath>

namespace {

// Added to a distance in cells before dividing by it, so that the nearest
// cell does not win whatever its score.
constexpr float kDistanceBias = 1.8f;

// The cell where `score(cell) / (distance to (y, x) + bias)` is largest; the
// first cell wins ties.
template <class Score>
int NearestStrong(int size, float y, float x, Score score) {
  int best_cell = 0;
  float best = -INFINITY;
  for (int cy = 0; cy < size; ++cy)
    for (int cx = 0; cx < size; ++cx) {
      const int cell = cy * size + cx;
      const float dy = cy - y, dx = cx - x;
      const float v = score(cell) / (std::sqrt(dy * dy + dx * dx) + kDistanceBias);
      if (v > best) best = v, best_cell = cell;
    }
  return best_cell;
}

}  // namespace

PersonPose DecodeSinglePose(const SinglePoseHeads& m) {
  PersonPose pose;
  if (m.size <= 0) return pose;
  const int g = m.size;
  const float middle = static_cast<float>(g / 2);
  const int centre = NearestStrong(g, middle, middle, [&](int c) { return m.center[c]; });
  const float* reg = m.kpt_regress + static_cast<size_t>(centre) * 2 * kKeypointCount;
  for (int k = 0; k < kKeypointCount; ++k) {
    const float gy = centre / g + reg[2 * k], gx = centre % g + reg[2 * k + 1];
    const int cell = NearestStrong(
        g, gy, gx, [&](int c) { return m.kpt_heatmap[static_cast<size_t>(c) * kKeypointCount + k]; });
    const float* off = m.kpt_offset + static_cast<size_t>(cell) * 2 * kKeypointCount;
    ScoredPoint& p = pose.keypoints[k];
    p.y = (cell / g + off[2 * k]) / g;
    p.x = (cell % g + off[2 * k + 1]) / g;
    p.score = m.kpt_heatmap[static_cast<size_t>(cell) * kKeypointCount + k];
  }
  return pose;
}
