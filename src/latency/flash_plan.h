#pragma once
// When the latency test flashes. Each flash comes after a black wait of random
// length and stays white kFlashHold_ms. Its flip is put at a chosen phase of
// the camera's frame period after a picture's capture: the phases of all
// flashes spread evenly over the period, in random order, so that the delays
// sample every phase of the camera and the shortest one is close to the
// screen-to-camera latency itself.

#include <cstdint>
#include <vector>

inline constexpr int32_t kDefaultFlashes = 50;
inline constexpr int32_t kMinFlashes = 1, kMaxFlashes = 1000;
inline constexpr int32_t kLeadIn_ms = 1500;  // black before the first flash
inline constexpr int32_t kFlashHold_ms = 300;
inline constexpr int32_t kMinWait_ms = 600, kMaxWait_ms = 900;
inline constexpr int32_t kLeadOut_ms = 800;  // black after the last flash

struct PlannedFlash {
  int32_t wait_ms = 0;  // black before it (after the previous flash; the lead-in for the first)
  double phase = 0;     // 0 .. 1 of the camera period after a capture
};

std::vector<PlannedFlash> PlanFlashes(int32_t count, uint32_t seed);

// The first moment at or after `earliest_ns` that lies `phase` of a period
// after a capture (last_capture_ns + k periods); `earliest_ns` itself when the
// period or a capture is not known yet.
int64_t FlipMoment(int64_t earliest_ns, int64_t last_capture_ns, int64_t period_ns, double phase);
