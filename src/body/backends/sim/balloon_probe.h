#pragma once
// The simulated participant's view of the balloon on the stage (read only).

#include <cstdint>
#include <functional>
#include <optional>

struct BalloonProbe {
  int32_t shown;              // 1 while a balloon is up
  int32_t target_x;           // balloon centre, picture space (960 x 540), displayed side:
  int32_t target_y;           //   with mirror 0 the sensor-side x is 960 - target_x
  int32_t tgthand;            // HandShape sign on the balloon, 0 outside janken
  int32_t janken;             // 0 none, 1 normal, other values late
  int32_t mirror;             // the mirror setting now in force
  int32_t hit_half_size = 0;  // the hit square reaches this far from the centre; 0 unknown
};

// Installs the hook the simulator polls once per frame ON ITS OWN THREAD: the
// installer makes sure the function is safe to call from there. An empty
// optional (or no probe) means no run is in progress: the children only idle.
// Pass an empty function to remove it.
void SetSimBalloonProbe(std::function<std::optional<BalloonProbe>()> probe);
