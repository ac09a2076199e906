#include "body/backends/camera/inference/movenet_decoder.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

constexpr int kPeakWindow = 5;
constexpr float kPeakTolerance = 1.0132789611816406e-06f;
constexpr float kGaussianScale = 0.300048828125f;  // of the grid's smaller side
constexpr float kKeypointScoreFloor = 0.126953125f;

struct Candidate {
  int cell = 0;
  float score = 0;
};

// Centre scores that are the maximum of their 5 x 5 window; others are 0.
std::vector<float> CentrePeaks(const MoveNetHeads& m) {
  std::vector<float> peaks(static_cast<size_t>(m.h) * m.w, 0.0f);
  const int r = kPeakWindow / 2;
  for (int y = 0; y < m.h; ++y) {
    for (int x = 0; x < m.w; ++x) {
      float best = -1.0f;
      for (int yy = std::max(0, y - r); yy <= std::min(m.h - 1, y + r); ++yy)
        for (int xx = std::max(0, x - r); xx <= std::min(m.w - 1, x + r); ++xx)
          best = std::max(best, m.center[yy * m.w + xx]);
      const float c = m.center[y * m.w + x];
      if (std::fabs(c - best) < kPeakTolerance) peaks[y * m.w + x] = c;
    }
  }
  return peaks;
}

struct Instance {
  int cy = 0, cx = 0;
  float centre_score = 0;
  float box[4] = {0, 0, 0, 0};  // ymin, xmin, ymax, xmax in cells, clipped to the grid
  float ky[kKeypointCount] = {}, kx[kKeypointCount] = {};  // regressed keypoints, cells
};

bool InBox(const Instance& in, int y, int x) {
  return y >= in.box[0] && y < in.box[2] && x >= in.box[1] && x < in.box[3];
}

}  // namespace

float BoxIou(const PersonBox& a, const PersonBox& b) {
  const float ix = std::min(a.x1, b.x1) - std::max(a.x0, b.x0);
  const float iy = std::min(a.y1, b.y1) - std::max(a.y0, b.y0);
  if (ix <= 0 || iy <= 0) return 0;
  const float inter = ix * iy;
  const float uni = a.area() + b.area() - inter;
  return uni > 0 ? inter / uni : 0;
}

std::vector<PersonPose> DecodeMoveNet(const MoveNetHeads& m) {
  std::vector<PersonPose> people;
  if (m.h <= 0 || m.w <= 0) return people;
  const int cells = m.h * m.w;

  // 1. The strongest centre peaks; ties go to the lower cell index.
  const std::vector<float> peaks = CentrePeaks(m);
  std::vector<int> order(cells);
  std::iota(order.begin(), order.end(), 0);
  const int count = std::min(kMoveNetMaxPeople, cells);
  std::partial_sort(order.begin(), order.begin() + count, order.end(), [&](int a, int b) {
    return peaks[a] > peaks[b] || (peaks[a] == peaks[b] && a < b);
  });

  // 2. Regressed keypoints and boxes.
  std::vector<Instance> inst(count);
  for (int i = 0; i < count; ++i) {
    Instance& in = inst[i];
    const int cell = order[i];
    in.cy = cell / m.w;
    in.cx = cell % m.w;
    in.centre_score = peaks[cell];
    const float* reg = m.kpt_regress + static_cast<size_t>(cell) * 2 * kKeypointCount;
    for (int k = 0; k < kKeypointCount; ++k) {
      in.ky[k] = in.cy + reg[2 * k];
      in.kx[k] = in.cx + reg[2 * k + 1];
    }
    const float sh = std::max(m.box_scale[cell * 2], 0.0f);
    const float sw = std::max(m.box_scale[cell * 2 + 1], 0.0f);
    const float by = in.cy + m.box_offset[cell * 2];
    const float bx = in.cx + m.box_offset[cell * 2 + 1];
    auto clip = [](float v, float hi) { return std::max(std::min(v, hi), 0.0f); };
    in.box[0] = clip(by - sh * 0.5f, static_cast<float>(m.h));
    in.box[1] = clip(bx - sw * 0.5f, static_cast<float>(m.w));
    in.box[2] = clip(by + sh * 0.5f, static_cast<float>(m.h));
    in.box[3] = clip(bx + sw * 0.5f, static_cast<float>(m.w));
  }

  // 3. Heatmap refinement within each box.
  const float sigma_div = static_cast<float>(std::min(m.h, m.w)) * kGaussianScale;
  auto weighted = [&](const Instance& in, int y, int x, int k) {
    if (!InBox(in, y, x)) return 0.0f;
    const float dy = y - in.ky[k], dx = x - in.kx[k];
    return m.kpt_heatmap[(static_cast<size_t>(y) * m.w + x) * kKeypointCount + k] *
           std::exp(-(dy * dy + dx * dx) / sigma_div);
  };
  for (int i = 0; i < count; ++i) {
    const Instance& in = inst[i];
    PersonPose pose;
    float score_sum = 0;
    int score_count = 0;
    for (int k = 0; k < kKeypointCount; ++k) {
      int best_cell = 0;
      float best = -1.0f;
      // Cells outside the box weigh 0, so only the box needs searching unless it
      // is empty; the first cell wins ties, as in a full-grid argmax.
      const int y0 = static_cast<int>(std::ceil(in.box[0])),
                y1 = static_cast<int>(std::ceil(in.box[2]));
      const int x0 = static_cast<int>(std::ceil(in.box[1])),
                x1 = static_cast<int>(std::ceil(in.box[3]));
      for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) {
          const float v = weighted(in, y, x, k);
          if (v > best) best = v, best_cell = y * m.w + x;
        }
      // Nothing positive inside the box: a full-grid argmax of zeros is cell 0.
      if (best <= 0.0f) best_cell = 0;
      const int ay = best_cell / m.w, ax = best_cell % m.w;
      const float* off = m.kpt_offset + static_cast<size_t>(best_cell) * 2 * kKeypointCount;
      ScoredPoint& p = pose.keypoints[k];
      p.y = (ay + off[2 * k]) * kMoveNetStride;
      p.x = (ax + off[2 * k + 1]) * kMoveNetStride;
      float score = 0;
      for (int j = 0; j < count; ++j) score = std::max(score, weighted(inst[j], ay, ax, k));
      p.score = score;
      if (score > kKeypointScoreFloor) score_sum += score, ++score_count;
    }
    pose.box = {in.box[1] * kMoveNetStride, in.box[0] * kMoveNetStride, in.box[3] * kMoveNetStride,
                in.box[2] * kMoveNetStride};
    // 4. Person score.
    pose.score = in.centre_score * score_sum / std::max(score_count, 1);
    people.push_back(pose);
  }
  return people;
}
