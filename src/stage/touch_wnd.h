#pragma once
// The stage window with input: keys, mouse presses and touch contacts go into
// the InputLatch (m_input) by the rules of stage/latch_rules.h. Events arrive
// only while the trial loop pumps messages, so the latch never changes in the
// middle of a pass.
//
// Touch: m_touchReady is 1 when a touch screen is among the input devices when
// the window is created. While the window is active and a touch screen is
// present the window is registered for touch (m_touchRegistered 1): touch
// events go to the latch. Unregistered, touch is left to Qt, which turns it
// into mouse events.

#include <cstdint>

#include "stage/dx_wnd.h"

class CTouchWnd : public CDXWnd {
 public:
  CTouchWnd();
  ~CTouchWnd() override;

  int32_t m_touchReady = 0;
  int32_t m_touchRegistered = 0;

 protected:
  void OnWindowCreated() override;
  void OnDestroy() override;
  void OnWindowActivated(bool active) override;
  void OnKeyEvent(QKeyEvent* event) override;
  void OnMouseEvent(QMouseEvent* event) override;
  void OnTouchEvent(QTouchEvent* event) override;
};
