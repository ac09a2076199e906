#pragma once
// The program's millisecond clock for reaction times. A thread of ours advances
// `tick_count` once per millisecond of CLOCK_MONOTONIC while a run's clock is
// running; the trial loop reads the count, resets it by storing 0 and sets the
// hook. There is one clock per program, so its state is class-wide.
//
// The count follows real time, not the number of wake-ups: the thread sleeps
// until absolute deadlines 1 ms apart, and a wake-up that comes late counts every
// millisecond it missed (calling the hook once per increment), so the count
// never falls behind the monotonic clock.

#include <atomic>
#include <cstdint>
#include <ctime>

// Called on the timer thread after every increment with the new count; must be short.
using TickHook = void (*)(int32_t new_count);

inline constexpr int64_t kNsPerMs = 1'000'000;

// The counting rule of the clock, apart from the thread and the real clock, so
// that it can be driven by any time source.
//
// Between resets, after a wake-up at `now_ns` the count is the number of whole
// milliseconds since the grid's base. A reset is a plain store of 0 by the UI
// thread: no lock and no timestamp on its side. The counter notices it as a
// value other than the one it last wrote (every increment is a compare-exchange
// from that value, so a store that lands in the middle of a catch-up is not lost
// either). The store happened some time between the previous wake-up and this
// one; the counter takes the middle of that span as the moment of the reset and
// re-bases its grid there, which keeps the count within half a millisecond (plus
// the wake-up latency) of the time since the store. A store that lands during a
// catch-up is taken as happening now. A store of 0 while the count already is 0
// cannot be seen and changes nothing.
class MsTickCounter {
 public:
  explicit MsTickCounter(std::atomic<int32_t>& count) : count_(count) {}

  // The clock starts at `now_ns`; the count goes on from its present value.
  void Begin(int64_t now_ns);
  // A wake-up at `now_ns`: brings the count up to date, calling `hook` after each
  // increment.
  void Advance(int64_t now_ns, const std::atomic<TickHook>& hook);
  // When the next increment is due.
  int64_t next_deadline_ns() const { return next_deadline_ns_; }

 private:
  // The count was set to `value` from outside at `reset_ns`.
  void Rebase(int64_t reset_ns, int32_t value);

  std::atomic<int32_t>& count_;
  int32_t last_written_ = 0;
  int64_t next_deadline_ns_ = 0;
  int64_t last_wake_ns_ = 0;
};

class MsTimer {
 public:
  // 1 when CLOCK_MONOTONIC resolves 1 ms or finer; otherwise shows why not and
  // returns 0. Resets the count and the hook when the clock is stopped.
  static int CheckCapability();
  // The same with another source for the clock's resolution (0 on success, as
  // clock_getres).
  static int CheckCapabilityWith(int (*get_resolution)(timespec* resolution));
  // Starts the timer thread unless it runs; a failure leaves the count standing.
  static void Start();
  // Stops the timer thread if it runs and waits until it has ended.
  static void Stop();
  // One wake-up of the timer thread: brings `tick_count` up to date. Called only
  // on the timer thread.
  static void OnTick();

  static std::atomic<int32_t> tick_count;  // ms since the last reset
  static std::atomic<TickHook> tick_hook;  // null for none
  static uint32_t timer_id;                // nonzero while the thread runs
};
