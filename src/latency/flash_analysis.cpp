#include "latency/flash_analysis.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "report/quartiles.h"

namespace {}  // namespace

int64_t CameraPeriod_ns(std::span<const PictureSample> pictures) {
  std::vector<int64_t> intervals;
  for (size_t i = 1; i < pictures.size(); ++i)
    intervals.push_back(pictures[i].captured_ns - pictures[i - 1].captured_ns);
  if (intervals.empty()) return 0;
  const size_t at = intervals.size() / 10;
  std::nth_element(intervals.begin(), intervals.begin() + static_cast<std::ptrdiff_t>(at),
                   intervals.end());
  return intervals[at];
}

namespace {

// Pictures captured in [from, to).
std::span<const PictureSample> CapturedBetween(std::span<const PictureSample> pictures,
                                               int64_t from, int64_t to) {
  const auto by_time = [](const PictureSample& p, int64_t t) { return p.captured_ns < t; };
  const auto first = std::lower_bound(pictures.begin(), pictures.end(), from, by_time);
  const auto last = std::lower_bound(first, pictures.end(), to, by_time);
  return {first, last};
}

FlashResult FindFlash(int64_t flip_ns, std::span<const PictureSample> window, int64_t period_ns) {
  FlashResult result;
  result.flip_ns = flip_ns;
  std::vector<double> before;
  double bright = -1;
  for (const PictureSample& p : window) {
    if (p.captured_ns < flip_ns) {
      before.push_back(p.brightness);
    } else {
      bright = std::max(bright, p.brightness);
    }
  }
  if (before.empty() || bright < 0) return result;
  const double dark = *Quantile(before, 0.5);
  if (bright - dark < kMinContrast) return result;
  const double threshold = (dark + bright) / 2;
  for (size_t i = 1; i < window.size(); ++i) {
    if (window[i].brightness <= threshold) continue;
    // The first bright picture of the window: it counts only after a dark
    // one, and only when no picture between them went missing.
    if (window[i - 1].brightness > threshold) return result;
    const int64_t gap = window[i].captured_ns - window[i - 1].captured_ns;
    if (period_ns > 0 &&
        static_cast<double>(gap) > kMaxGapInPeriods * static_cast<double>(period_ns))
      return result;
    result.seen = true;
    result.first_bright_ns = window[i].captured_ns;
    result.last_dark_ns = window[i - 1].captured_ns;
    return result;
  }
  return result;
}

}  // namespace

std::vector<FlashResult> FindFlashesInPictures(std::span<const FlashTimes> flashes,
                                               std::span<const PictureSample> pictures,
                                               int64_t start_ns) {
  const int64_t period_ns = CameraPeriod_ns(pictures);
  std::vector<FlashResult> out;
  int64_t dark_before = start_ns;  // the screen went black then
  for (size_t i = 0; i < flashes.size(); ++i) {
    const FlashTimes& f = flashes[i];
    FlashResult result;
    result.flip_ns = f.flip_ns;
    if (f.flip_ns != 0 && f.dark_ns != 0) {
      const int64_t from = f.flip_ns - (f.flip_ns - dark_before) / 2;
      int64_t to = std::numeric_limits<int64_t>::max();
      if (i + 1 < flashes.size() && flashes[i + 1].flip_ns != 0)
        to = flashes[i + 1].flip_ns - (flashes[i + 1].flip_ns - f.dark_ns) / 2;
      result = FindFlash(f.flip_ns, CapturedBetween(pictures, from, to), period_ns);
    }
    out.push_back(result);
    if (f.dark_ns != 0) dark_before = f.dark_ns;
  }
  return out;
}

LatencySummary SummariseFlashes(std::span<const FlashResult> results) {
  LatencySummary s;
  s.flashes = static_cast<int32_t>(results.size());
  std::vector<double> delays;
  for (const FlashResult& r : results)
    if (r.seen) delays.push_back(r.DelayMs());
  s.seen = static_cast<int32_t>(delays.size());
  if (delays.empty()) return s;
  const double n = static_cast<double>(delays.size());
  s.mean_ms = std::accumulate(delays.begin(), delays.end(), 0.0) / n;
  double squares = 0;
  for (const double d : delays) squares += (d - s.mean_ms) * (d - s.mean_ms);
  s.sd_ms = delays.size() > 1 ? std::sqrt(squares / (n - 1)) : 0.0;
  s.min_ms = *std::min_element(delays.begin(), delays.end());
  s.median_ms = *Quantile(delays, 0.5);
  return s;
}
