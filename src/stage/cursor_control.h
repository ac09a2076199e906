#pragma once
// The mouse cursor during a run, in physical screen pixels of the primary
// screen (the stage covers it from its origin, so these are window pixels too).

#include <cstdint>

// Hides the cursor over the program's windows until ShowCursorAfterRun.
void HideCursorForRun();
// Shows it again; does nothing when HideCursorForRun was not called.
void ShowCursorAfterRun();
bool CursorHiddenForRun();

void SetCursorScreenPos(int32_t x, int32_t y);
// False (and x, y untouched) without a screen.
bool GetCursorScreenPos(int32_t& x, int32_t& y);
