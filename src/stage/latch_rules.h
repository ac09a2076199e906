#pragma once
// How window input changes the InputLatch. The stage window translates its Qt
// events into these calls; keeping the rules here lets them be tested without a
// window or a display.

#include <cstdint>
#include <vector>

#include "stage/input_latch.h"

enum class MouseButton { kLeft, kRight };

// Back to the idle state: no press, no touch, no key, no points, no records.
void LatchClear(InputLatch& latch);

// Every key-down (auto-repeat included) sets the key; any key-up clears it.
void LatchKeyDown(InputLatch& latch, int32_t virtual_key);
void LatchKeyUp(InputLatch& latch);

// Mouse positions are the window coordinates the event carries.
void LatchButtonDown(InputLatch& latch, MouseButton button, int32_t x, int32_t y);
void LatchButtonUp(InputLatch& latch, MouseButton button);
void LatchMouseMove(InputLatch& latch, int32_t x, int32_t y);

// One touch message with all its records. Returns 0 when handled, -1 when the
// message carried no records (down is still set; nothing else changes).
int LatchTouch(InputLatch& latch, const std::vector<TouchRecord>& records);

// The window went away: no pointer is tracked any more. touching, buttons and
// key stay until the next LatchClear.
void LatchWindowDestroyed(InputLatch& latch);

// Touch registration follows activation: registered while the window is active
// and a touch screen is present. Returns the new registration state.
int32_t TouchRegistrationAfterActivation(bool active, int32_t touch_ready,
                                         int32_t touch_registered);
