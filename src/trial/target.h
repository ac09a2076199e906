#pragma once
// The balloon of the current trial, in picture space on the displayed side.

#include <cstdint>

struct HitRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;  // inside: left <= x < right, top <= y < bottom
  bool Contains(int32_t x, int32_t y) const {
    return left <= x && x < right && top <= y && y < bottom;
  }
};

struct Target {
  int32_t target_x = 0;
  int32_t target_y = 0;
  HitRect hit_rect;
  int32_t tgthand = 0;  // HandShape sign on the balloon, 0 outside the janken modes
  int32_t shown = 0;    // 1 while the balloon is on the stage
  int32_t onset = 0;    // clock value at which it was placed, milliseconds
};
