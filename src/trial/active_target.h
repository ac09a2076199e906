#pragma once
// A snapshot of the balloon on the stage, readable from any thread. The trial
// loop publishes it on the UI thread whenever the balloon changes; the simulated
// sensor's virtual participant reads it on its own thread to know where to reach.
// Publishing never waits; a reader retries while a publication is half done.

#include <cstdint>

struct ActiveTargetSnapshot {
  int32_t shown = 0;     // 1 while the balloon is on the stage
  int32_t target_x = 0;  // centre, picture space, displayed side
  int32_t target_y = 0;
  int32_t tgthand = 0;   // janken sign on the balloon, 0 outside the janken modes
  int32_t janken = 0;    // the run's janken mode
  int32_t mirror = 1;    // mirror display in force (0: picture and joints flipped)
  bool running = false;  // a trial loop is running
};

// Called by the trial loop only (one writer).
void PublishActiveTarget(const ActiveTargetSnapshot& snapshot);
// Callable from any thread.
ActiveTargetSnapshot ReadActiveTarget();
