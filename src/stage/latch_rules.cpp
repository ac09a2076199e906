#include "stage/latch_rules.h"

namespace {

void SetSinglePoint(InputLatch& latch, int32_t x, int32_t y) {
  latch.points.assign(1, LatchPoint{x, y});
  latch.point_count = 1;
}

void DropPoints(InputLatch& latch) {
  latch.points.clear();
  latch.point_count = 0;
}

uint32_t ButtonBit(MouseButton button) {
  return button == MouseButton::kLeft ? 1u : 2u;
}

}  // namespace

void LatchClear(InputLatch& latch) {
  latch.down = 0;
  latch.touching = 0;
  latch.buttons = 0;
  latch.key = 0;
  latch.inputs.clear();
  latch.input_count = 0;
  DropPoints(latch);
}

void LatchKeyDown(InputLatch& latch, int32_t virtual_key) {
  latch.key = virtual_key;
}

void LatchKeyUp(InputLatch& latch) {
  latch.key = 0;
}

void LatchButtonDown(InputLatch& latch, MouseButton button, int32_t x, int32_t y) {
  if (latch.down != 0) return;  // a press or a touch is already tracked
  latch.buttons |= ButtonBit(button);
  latch.down = 1;
  SetSinglePoint(latch, x, y);
}

void LatchButtonUp(InputLatch& latch, MouseButton button) {
  if (latch.down != 1) return;
  // Keeps only the other button's bit.
  latch.buttons &= button == MouseButton::kLeft ? 2u : 1u;
  latch.down = 0;
  DropPoints(latch);
}

void LatchMouseMove(InputLatch& latch, int32_t x, int32_t y) {
  if (latch.buttons == 0) return;
  latch.buttons |= 1u;
  latch.down = 1;
  SetSinglePoint(latch, x, y);
}

int LatchTouch(InputLatch& latch, const std::vector<TouchRecord>& records) {
  latch.input_count = static_cast<int32_t>(records.size());
  latch.down = 1;
  latch.inputs = records;
  if (records.empty()) return -1;

  latch.points.clear();
  latch.points.reserve(records.size());
  for (const TouchRecord& record : records) {
    if ((record.flags & kTouchFlagUp) != 0) continue;
    // Hundredths of a pixel to pixels; integer division truncates toward zero.
    latch.points.push_back(LatchPoint{record.x / 100, record.y / 100});
  }
  latch.point_count = static_cast<int32_t>(latch.points.size());
  if (latch.point_count == 0) {
    latch.down = 0;
    latch.touching = 0;
  } else {
    latch.touching = 1;
  }
  return 0;
}

void LatchWindowDestroyed(InputLatch& latch) {
  latch.down = 0;
  latch.inputs.clear();
  latch.input_count = 0;
  DropPoints(latch);
}

int32_t TouchRegistrationAfterActivation(bool active, int32_t touch_ready,
                                         int32_t touch_registered) {
  if (touch_ready != 1) return touch_registered;
  return active ? 1 : 0;
}
