#pragma once
// The stage window's record of the last touch contacts, mouse presses and the
// pressed key. Qt-free: the window turns Qt events into the calls below, so the
// latch rules are tested without a window.

#include <cstdint>
#include <vector>

struct LatchPoint {
  int32_t x = 0, y = 0;
};

// One raw touch record, as the window got it from a touch event.
struct TouchRecord {
  int32_t x = 0, y = 0;  // hundredths of a screen pixel
  uint32_t id = 0;
  uint32_t flags = 0;  // kTouchFlagUp and friends
};
inline constexpr uint32_t kTouchFlagMove = 0x1;
inline constexpr uint32_t kTouchFlagDown = 0x2;
inline constexpr uint32_t kTouchFlagUp = 0x4;

struct InputLatch {
  int32_t down = 0;      // 1 while a touch contact or a mouse press is tracked
  int32_t touching = 0;  // 1 when the last touch message left a contact
  uint32_t buttons = 0;  // bit 0 left, bit 1 right
  int32_t key = 0;       // virtual-key code of the last key-down; 0 after any key-up
  int32_t point_count = 0;
  std::vector<LatchPoint> points;
  int32_t input_count = 0;
  std::vector<TouchRecord> inputs;
};

// Virtual-key codes the program acts on (Qt keys are mapped onto these).
inline constexpr int32_t VK_ESCAPE = 27;
inline constexpr int32_t VK_SPACE = 32;
inline constexpr int32_t VK_M = 77;
