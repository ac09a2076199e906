#pragma once
// The run clock over the program's millisecond clock (MsTimer).

#include "trial/trial_ports.h"

class MsTimerClock : public RunClock {
 public:
  bool IsRunning() const override;
  void Start() override;
  void Stop() override;
  int32_t Read() const override;
  void Reset() override;
  void InstallIdleHook() override;
  void RemoveHook() override;
  int64_t ResetAt_ns() const override { return reset_at_ns_; }

 private:
  int64_t reset_at_ns_ = 0;
};
