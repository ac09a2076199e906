#pragma once
// The real stage window (CTouchWnd) with what tests and benchmarks look at:
// frames read back from the framebuffer, the render thread's hand-over, a
// simulated context loss and the font the text is lettered in. Built only
// into tests and benchmarks (target t2_stage_testing in tests/stage).

#include <QImage>
#include <cstdint>
#include <string>

#include "stage/touch_wnd.h"

class TestStage : public CTouchWnd {
 public:
  // Frames go to the render thread (false: drawn inside EndFrame). Known
  // after InitDevice.
  bool IsThreaded() const;
  // Frames drawn and presented, and frames replaced by a newer one before
  // they were drawn, since InitDevice.
  uint64_t FramesPresented() const;
  uint64_t FramesReplaced() const;

  // The frame being drawn (call between BeginFrame and EndFrame), as
  // m_windowWidth x m_windowHeight RGB32; null outside a frame. Waits for the
  // render thread.
  QImage GrabFrame();
  // Throws the context away as a GPU reset would.
  void SimulateContextLoss();
  // While held the render thread takes no frame.
  void HoldRenderThread(bool hold);
  // Keep a copy of every presented frame; LastPresentedFrame waits for the
  // frames handed over and returns the last one drawn.
  void KeepPresentedFrames(bool keep) { keep_presented_ = keep; }
  QImage LastPresentedFrame();
  // Frames drawn whole (every sprite over a full clear) or without the work
  // that cannot show (the default).
  void DrawWholeSprites(bool whole);
  // The family the text of the current settings is lettered in.
  std::string TextFontFamily();
};
