// When the latency test flashes: waits in range, one flip phase from each
// slice of the camera period, and the moment a flip lands on its phase.

#include "latency/flash_plan.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TEST(FlashPlanTest, WaitsAndPhases) {
  for (const int32_t count : {1, 7, 50}) {
    SCOPED_TRACE(count);
    const std::vector<PlannedFlash> plan = PlanFlashes(count, 1234);
    ASSERT_EQ(plan.size(), static_cast<size_t>(count));
    EXPECT_EQ(plan[0].wait_ms, kLeadIn_ms);
    std::vector<int> per_slice(static_cast<size_t>(count), 0);
    for (size_t i = 0; i < plan.size(); ++i) {
      if (i > 0) {
        EXPECT_GE(plan[i].wait_ms, kMinWait_ms);
        EXPECT_LE(plan[i].wait_ms, kMaxWait_ms);
      }
      ASSERT_GE(plan[i].phase, 0.0);
      ASSERT_LT(plan[i].phase, 1.0);
      ++per_slice[static_cast<size_t>(plan[i].phase * count)];
    }
    EXPECT_TRUE(std::all_of(per_slice.begin(), per_slice.end(), [](int n) { return n == 1; }));
  }
  // Not in the order of the slices.
  const std::vector<PlannedFlash> plan = PlanFlashes(50, 99);
  EXPECT_FALSE(std::is_sorted(
      plan.begin(), plan.end(),
      [](const PlannedFlash& a, const PlannedFlash& b) { return a.phase < b.phase; }));
}

TEST(FlashPlanTest, FlipMomentLandsOnThePhase) {
  const struct {
    int64_t earliest, last_capture, period;
    double phase;
    int64_t expected;
  } cases[] = {
      {1000, 900, 100, 0.5, 1050},  // next period after the earliest moment
      {1000, 980, 100, 0.5, 1030},  // within the current period
      {1000, 300, 100, 0.0, 1000},  // exactly on a capture
      {1000, 300, 100, 0.25, 1025}, {1000, 0, 100, 0.5, 1000},  // no capture known yet
      {1000, 900, 0, 0.5, 1000},                                // no period known yet
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FlipMoment(c.earliest, c.last_capture, c.period, c.phase), c.expected)
        << c.earliest << " " << c.last_capture << " " << c.period << " " << c.phase;
  }
}

}  // namespace
