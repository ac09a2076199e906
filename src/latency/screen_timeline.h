#pragma once
// What the stage showed when, as far as the latency test knows: each change of
// brightness from its presentation on. Told on the test's thread; read on any
// (the simulated camera turned to the screen asks it what it would see).

#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

#include "body/backends/sim/screen_probe.h"

class ScreenTimeline {
 public:
  // From `presented_ns` on the screen showed `brightness` (0 black .. 1 white).
  // Told in the order of presentation.
  void Shown(int64_t presented_ns, float brightness);
  // Every presentation before `ns` has been told.
  void KnownUntil(int64_t ns);

  // The screen at `at_ns`: black before the first change told. Pending from
  // the moment up to which presentations are known, with what is known so far.
  ScreenLook Look(int64_t at_ns) const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::pair<int64_t, float>> changes_;
  int64_t known_until_ = 0;
};
