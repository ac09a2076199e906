#include "trial/ms_timer_clock.h"

#include "trial/ms_timer.h"

namespace {
void IdleHook(int32_t /*new_count*/) {}
}  // namespace

bool MsTimerClock::IsRunning() const {
  return MsTimer::timer_id != 0;
}
void MsTimerClock::Start() {
  MsTimer::Start();
}
void MsTimerClock::Stop() {
  MsTimer::Stop();
}
int32_t MsTimerClock::Read() const {
  return MsTimer::tick_count.load();
}
void MsTimerClock::Reset() {
  reset_at_ns_ = Now_ns();
  MsTimer::tick_count.store(0);
}
void MsTimerClock::InstallIdleHook() {
  MsTimer::tick_hook.store(&IdleHook);
}
void MsTimerClock::RemoveHook() {
  MsTimer::tick_hook.store(nullptr);
}
