#include "trial/ms_timer.h"

#include <sys/prctl.h>

#include <cerrno>
#include <system_error>
#include <thread>

#include "platform/thread_scheduling.h"
#include "state/message_box.h"

namespace {

int32_t Incremented(int32_t value) {
  // Wraps after 2^31 ms (24.8 days) instead of overflowing.
  return static_cast<int32_t>(static_cast<uint32_t>(value) + 1u);
}

int64_t MonotonicNs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t{ts.tv_sec} * 1'000'000'000 + ts.tv_nsec;
}

timespec ToTimespec(int64_t ns) {
  return timespec{static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

}  // namespace

void MsTickCounter::Begin(int64_t now_ns) {
  last_written_ = count_.load(std::memory_order_acquire);
  last_wake_ns_ = now_ns;
  next_deadline_ns_ = now_ns + kNsPerMs;
}

void MsTickCounter::Rebase(int64_t reset_ns, int32_t value) {
  last_written_ = value;
  next_deadline_ns_ = reset_ns + kNsPerMs;
}

void MsTickCounter::Advance(int64_t now_ns, const std::atomic<TickHook>& hook) {
  const int64_t previous_wake_ns = last_wake_ns_;
  last_wake_ns_ = now_ns;
  const int32_t seen = count_.load(std::memory_order_acquire);
  if (seen != last_written_) Rebase(previous_wake_ns + (now_ns - previous_wake_ns) / 2, seen);
  while (next_deadline_ns_ <= now_ns) {
    int32_t expected = last_written_;
    const int32_t next = Incremented(last_written_);
    if (!count_.compare_exchange_strong(expected, next, std::memory_order_acq_rel)) {
      Rebase(now_ns, expected);  // stored during this catch-up, so just now
      continue;
    }
    last_written_ = next;
    next_deadline_ns_ += kNsPerMs;
    if (TickHook h = hook.load(std::memory_order_acquire)) h(next);
  }
}

std::atomic<int32_t> MsTimer::tick_count{0};
std::atomic<TickHook> MsTimer::tick_hook{nullptr};
uint32_t MsTimer::timer_id = 0;

namespace {

MsTickCounter counter(MsTimer::tick_count);
std::atomic<bool> stop_requested{false};
uint32_t last_timer_id = 0;

void TimerThreadMain() {
  // Wake-ups as close to the deadline as the kernel allows (the default slack
  // of 50 us would be added to every one).
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  // Woken every millisecond: it must not wait for a busy thread's slice.
  RequestShortTimeSlice();
  counter.Begin(MonotonicNs());
  while (!stop_requested.load(std::memory_order_acquire)) {
    const timespec deadline = ToTimespec(counter.next_deadline_ns());
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
    if (stop_requested.load(std::memory_order_acquire)) break;
    MsTimer::OnTick();
  }
}

// Owns the timer thread; a thread still running at program end is stopped
// rather than left to terminate the process.
struct TimerThread {
  std::thread thread;
  ~TimerThread() { MsTimer::Stop(); }
} timer_thread;

}  // namespace

int MsTimer::CheckCapability() {
  return CheckCapabilityWith(
      [](timespec* resolution) { return clock_getres(CLOCK_MONOTONIC, resolution); });
}

int MsTimer::CheckCapabilityWith(int (*get_resolution)(timespec* resolution)) {
  timespec resolution{};
  if (get_resolution(&resolution) != 0) {
    AfxMessageBox("System does not permit MsTimer.", MB_ICONHAND);
    return 0;
  }
  if (resolution.tv_sec != 0 || resolution.tv_nsec > kNsPerMs) {
    AfxMessageBox("System does not have enough resolution for MsTimer.", MB_ICONHAND);
    return 0;
  }
  // A running clock keeps its count and hook: its thread owns them.
  if (timer_id == 0) {
    tick_count.store(0);
    tick_hook.store(nullptr);
  }
  return 1;
}

void MsTimer::Start() {
  if (timer_id != 0) return;
  stop_requested.store(false, std::memory_order_release);
  try {
    timer_thread.thread = std::thread(TimerThreadMain);
  } catch (const std::system_error&) {
    return;  // no thread: the count stands still, as the caller expects of a failed start
  }
  if (++last_timer_id == 0) ++last_timer_id;  // 0 means that no timer runs
  timer_id = last_timer_id;
}

void MsTimer::Stop() {
  if (timer_id == 0) return;
  stop_requested.store(true, std::memory_order_release);
  timer_thread.thread.join();
  timer_id = 0;
}

void MsTimer::OnTick() {
  counter.Advance(MonotonicNs(), tick_hook);
}
