#pragma once
// What the simulated camera sees of the stage when it is turned to the screen
// (the latency test): how bright the stage was at a given moment.

#include <cstdint>
#include <functional>

struct ScreenLook {
  enum class State : uint8_t {
    kNoScreen,  // nothing to see: the picture shows the room only
    kPending,   // the frames presented up to then are not all known yet: `brightness`
                // is the screen as far as they are
    kShown,     // the screen showed `brightness` then
  };
  State state = State::kNoScreen;
  float brightness = 0;  // 0 black .. 1 white
};

// Installs the hook the simulator calls ON ITS OWN THREAD with a CLOCK_MONOTONIC
// time (ns); the installer makes it safe to call from there. Pass an empty
// function to remove it.
void SetSimScreenProbe(std::function<ScreenLook(int64_t at_ns)> probe);

// The simulator's side: the installed probe's answer, kNoScreen when none is.
ScreenLook ReadSimScreenProbe(int64_t at_ns);
