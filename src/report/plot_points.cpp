#include "report/plot_points.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

std::vector<RtPoint> ThinRtPoints(const std::vector<RtPoint>& points, size_t columns) {
  if (columns == 0 || points.size() <= 2 * columns) return points;
  const auto [first, last] =
      std::minmax_element(points.begin(), points.end(),
                          [](const RtPoint& a, const RtPoint& b) { return a.trial < b.trial; });
  const double span = static_cast<double>(last->trial) - first->trial + 1;
  std::vector<const RtPoint*> fastest(columns, nullptr), slowest(columns, nullptr);
  for (const RtPoint& p : points) {
    const auto c =
        std::min(columns - 1, static_cast<size_t>((static_cast<double>(p.trial) - first->trial) /
                                                  span * static_cast<double>(columns)));
    if (fastest[c] == nullptr || p.rt_ms < fastest[c]->rt_ms) fastest[c] = &p;
    if (slowest[c] == nullptr || p.rt_ms > slowest[c]->rt_ms) slowest[c] = &p;
  }
  std::vector<RtPoint> out;
  for (size_t c = 0; c < columns; ++c) {
    if (fastest[c] == nullptr) continue;
    const bool fast_first = fastest[c]->trial <= slowest[c]->trial;
    out.push_back(fast_first ? *fastest[c] : *slowest[c]);
    if (fastest[c] != slowest[c]) out.push_back(fast_first ? *slowest[c] : *fastest[c]);
  }
  return out;
}

std::vector<PicturePoint> OnePointPerCell(const std::vector<PicturePoint>& points, int cell) {
  if (cell <= 1) return points;
  std::unordered_set<int64_t> taken;
  std::vector<PicturePoint> out;
  for (const PicturePoint& p : points) {
    const int64_t cx = p.x >= 0 ? p.x / cell : (p.x + 1) / cell - 1;
    const int64_t cy = p.y >= 0 ? p.y / cell : (p.y + 1) / cell - 1;
    if (taken.insert((cx << 32) ^ (cy & 0xFFFFFFFF)).second) out.push_back(p);
  }
  return out;
}
