#pragma once
// What really happened in front of the simulated camera, for checking the
// program's timing against it: for each balloon the participant saw, the
// capture time of the first frame that showed it and of the first frame in
// which one of its hands was inside the balloon's hit square (as the stage
// shows the balloon, mirror setting included), and the moment between two
// frames at which the hand went in.

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "body/backends/sim/balloon_probe.h"
#include "body/backends/sim/sim_scene.h"
#include "body/sensor/pinhole_camera.h"

struct ParticipantTrial {
  int64_t shown_ns = 0;    // CLOCK_MONOTONIC capture time of the first frame with the balloon
  int64_t hand_in_ns = 0;  // ... of the first frame with a hand inside it; 0: never
  // When the hand went in, to 0.1 ms, between the frame before and that one;
  // 0 unknown (the balloon was not up in the frame before).
  int64_t crossing_ns = 0;
};

// The participant as it was at a moment between the last frame and this one
// (CLOCK_MONOTONIC ns).
using LookAt = std::function<SimChildLook(int64_t ns)>;

class ParticipantTruthLog {
 public:
  // One frame captured at `captured_ns` with the participant as `look` and the
  // balloon as the probe showed it (the simulator's thread).
  // `look_at` (may be empty) shows it between the last frame and this one.
  void Observe(int64_t captured_ns, const std::optional<BalloonProbe>& probe,
               const SimChildLook& look, const PinholeCamera& camera,
               const LookAt& look_at = {});
  std::vector<ParticipantTrial> Trials() const;  // any thread

 private:
  mutable std::mutex mutex_;
  std::vector<ParticipantTrial> trials_;
  bool balloon_up_ = false;
  int64_t last_captured_ns_ = 0;
};
