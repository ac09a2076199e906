#include "latency/flash_plan.h"

#include <algorithm>
#include <random>

std::vector<PlannedFlash> PlanFlashes(int32_t count, uint32_t seed) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int32_t> wait(kMinWait_ms, kMaxWait_ms);
  std::uniform_real_distribution<double> within(0.0, 1.0);
  const size_t n = static_cast<size_t>(std::max(count, 0));
  // One phase from each slice of the period, in random order.
  std::vector<double> phases(n);
  for (size_t i = 0; i < n; ++i)
    phases[i] = (static_cast<double>(i) + within(random)) / static_cast<double>(n);
  std::shuffle(phases.begin(), phases.end(), random);
  std::vector<PlannedFlash> plan(n);
  for (size_t i = 0; i < n; ++i) plan[i] = {i == 0 ? kLeadIn_ms : wait(random), phases[i]};
  return plan;
}

int64_t FlipMoment(int64_t earliest_ns, int64_t last_capture_ns, int64_t period_ns, double phase) {
  if (period_ns <= 0 || last_capture_ns <= 0) return earliest_ns;
  const int64_t offset = static_cast<int64_t>(phase * static_cast<double>(period_ns));
  int64_t at = last_capture_ns + offset;
  if (at < earliest_ns) at += (earliest_ns - at + period_ns - 1) / period_ns * period_ns;
  return at;
}
