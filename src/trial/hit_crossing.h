#pragma once
// When a body site crossed into the balloon, finer than a camera frame: for
// each body slot and response site, the last picture that showed the site
// outside the balloon and the first that showed it inside; between the two
// the site is taken to move in a straight line at an even speed.

#include <array>
#include <cstdint>

#include "state/tracked_body.h"
#include "trial/response_rules.h"
#include "trial/target.h"

class HitCrossingTracker {
 public:
  // A new balloon (or run): pictures seen before it say nothing about it.
  void Reset();
  // One tested picture of `slot`, captured at `captured_ns` (CLOCK_MONOTONIC;
  // 0 unknown), its points on the displayed side.
  void Observe(int slot, const TrackedBody& body, const HitRect& rect, int64_t captured_ns);
  // When the site named `site` of `slot` crossed into the balloon, on
  // CLOCK_MONOTONIC; 0 when no picture since the balloon appeared showed it
  // outside, or a capture time is unknown.
  int64_t Crossing_ns(int slot, const char* site) const;

 private:
  struct Sample {
    double x = 0, y = 0;
    int64_t captured_ns = 0;  // 0: none
  };
  struct Site {
    Sample last_outside, first_inside;
    HitRect rect;  // the balloon when the site was first seen inside
  };
  struct Slot {
    int32_t id = 0;
    std::array<Site, kResponseSiteCount> sites{};
  };
  std::array<Slot, kBodySlotCount> slots_{};
};

// The share (0..1) of the way from outside point (x0, y0) to inside point
// (x1, y1) at which a straight line enters `rect`.
double EntryFraction(double x0, double y0, double x1, double y1, const HitRect& rect);
