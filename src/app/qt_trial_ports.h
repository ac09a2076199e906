#pragma once
// The trial engine's ports onto the real program: the stage's cursor control and
// message pump, a 1 ms sleep and the score box.

#include "trial/trial_ports.h"

class QtCursorPort final : public CursorPort {
 public:
  void Hide() override;
  void Show() override;
  void SetPos(int32_t x, int32_t y) override;
  ScreenPoint GetPos() const override;
};

class QtHostPort final : public HostPort {
 public:
  // After a stop signal (signal_stop.h) the stage's key latch holds Esc.
  void PumpMessages() override;
  void FlushInput() override;
  void Sleep(int32_t duration_ms) override;
  // A modal box in front of the stage window; returns when it is closed.
  // Not shown after a stop signal.
  void ShowScore(const std::string& text, const std::string& caption) override;
};

// The frames behind the program's body update: its report and the open sensor.
class ProgramFrameInfo final : public FrameInfoPort {
 public:
  int64_t PictureCaptured_ns() const override;
  uint64_t PicturesCaptured() const override;
  uint64_t PicturesShown() const override;
  uint64_t BodyFramesTaken() const override;
};
