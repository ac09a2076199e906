// The millisecond clock: its counting rule driven by a fake time source (no
// drift, catch-up, resets), the real timer thread's start/stop behaviour, and the
// capability check's messages.

#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cmath>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "state/message_box.h"
#include "trial/ms_timer.h"

namespace {

int64_t Ms(double ms) {
  return std::llround(ms * kNsPerMs);
}

int32_t Wrapped(int64_t v) {
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// What the hook saw, plus an optional store of 0 made from inside the hook when
// it sees a given count: the UI thread's reset landing in the middle of a catch-up.
std::vector<int32_t> hook_log;
std::atomic<int32_t>* reset_target = nullptr;
int32_t reset_when = 0;

void RecordTick(int32_t new_count) {
  hook_log.push_back(new_count);
  if (reset_target && new_count == reset_when) reset_target->store(0);
}

std::vector<int32_t> Sequence(int64_t first, int64_t last) {
  std::vector<int32_t> out;
  for (int64_t v = first; v <= last; ++v) out.push_back(Wrapped(v));
  return out;
}

class MsTickCounterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hook_log.clear();
    reset_target = nullptr;
  }
  std::atomic<int32_t> count{0};
  std::atomic<TickHook> hook{&RecordTick};
  MsTickCounter counter{count};
};

// Wake-ups come on time, a little late, or very late; the count is always the
// whole milliseconds since the start, and the hook sees every value once.
TEST_F(MsTickCounterTest, LateWakeUpsCatchUpWithoutDrift) {
  const double gaps_ms[] = {1.0, 1.0, 1.05, 0.97, 0.5, 2.5, 7.9, 0.2, 1.0, 40.0, 1.001, 333.3};
  for (int32_t start : {0, 59'999, INT32_MAX}) {
    SCOPED_TRACE(start);
    hook_log.clear();
    count = start;
    const int64_t t0 = Ms(1000.3);
    counter.Begin(t0);
    int64_t now = t0;
    for (double gap : gaps_ms) {
      now += Ms(gap);
      counter.Advance(now, hook);
      const int64_t elapsed_ms = (now - t0) / kNsPerMs;
      ASSERT_EQ(count.load(), Wrapped(start + elapsed_ms)) << "at " << now - t0 << " ns";
      ASSERT_EQ(counter.next_deadline_ns(), t0 + (elapsed_ms + 1) * kNsPerMs);
    }
    EXPECT_EQ(hook_log, Sequence(int64_t{start} + 1, int64_t{start} + (now - t0) / kNsPerMs));
  }
}

// The UI thread stores 0 at an unknown moment between two wake-ups; the counter
// takes the middle of that span as the moment of the reset.
TEST_F(MsTickCounterTest, ResetRebasesOnTheMiddleOfTheSpanItHappenedIn) {
  struct Case {
    const char* name;
    double wake_before_ms, store_ms, wake_after_ms, later_ms;
    int32_t count_after, count_later;
  };
  const Case cases[] = {
      {"store mid-span", 2.0, 2.4, 3.0, 10.0, 0, 7},
      {"store just after a wake-up", 2.0, 2.01, 3.0, 10.0, 0, 7},
      {"store just before a wake-up", 2.0, 2.99, 3.0, 10.0, 0, 7},
      {"store during a stall", 2.0, 5.0, 12.0, 20.0, 5, 13},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    count = 0;
    counter.Begin(0);
    counter.Advance(Ms(c.wake_before_ms), hook);
    ASSERT_EQ(count.load(), static_cast<int32_t>(c.wake_before_ms));
    count.store(0);  // the UI thread, at store_ms
    counter.Advance(Ms(c.wake_after_ms), hook);
    EXPECT_EQ(count.load(), c.count_after);
    counter.Advance(Ms(c.later_ms), hook);
    EXPECT_EQ(count.load(), c.count_later);
    // Never more than 1 ms away from the whole milliseconds since the store,
    // as long as the thread wakes every millisecond.
    if (c.wake_after_ms - c.wake_before_ms <= 1.0) {
      EXPECT_NEAR(count.load(), std::floor(c.later_ms - c.store_ms), 1.0);
    }
  }
}

TEST_F(MsTickCounterTest, ResetDuringACatchUpIsNotLost) {
  reset_target = &count;
  reset_when = 3;
  counter.Begin(0);
  counter.Advance(Ms(10.0), hook);  // a late wake-up: 10 increments due, reset at 3
  EXPECT_EQ(count.load(), 0);
  EXPECT_EQ(counter.next_deadline_ns(), Ms(11.0));
  reset_target = nullptr;
  counter.Advance(Ms(15.2), hook);
  EXPECT_EQ(count.load(), 5);
  EXPECT_EQ(hook_log, (std::vector<int32_t>{1, 2, 3, 1, 2, 3, 4, 5}));
}

TEST_F(MsTickCounterTest, NoHookJustCounts) {
  hook = nullptr;
  counter.Begin(0);
  counter.Advance(Ms(4.5), hook);
  EXPECT_EQ(count.load(), 4);
  EXPECT_TRUE(hook_log.empty());
}

size_t ThreadCount() {
  size_t n = 0;
  for ([[maybe_unused]] const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    ++n;
  }
  return n;
}

void WaitForCount(int32_t at_least) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (MsTimer::tick_count.load() < at_least && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ASSERT_GE(MsTimer::tick_count.load(), at_least);
}

class MsTimerTest : public ::testing::Test {
 protected:
  void SetUp() override { hook_log.clear(); }
  void TearDown() override {
    MsTimer::Stop();
    MsTimer::tick_hook = nullptr;
  }
};

TEST_F(MsTimerTest, StartAndStopAreIdempotentAndStopHaltsTheCount) {
  MsTimer::Stop();  // nothing runs: nothing happens
  EXPECT_EQ(MsTimer::timer_id, 0u);
  MsTimer::tick_count = 0;
  MsTimer::tick_hook = &RecordTick;

  MsTimer::Start();
  const uint32_t id = MsTimer::timer_id;
  EXPECT_NE(id, 0u);
  const size_t threads_running = ThreadCount();
  MsTimer::Start();
  EXPECT_EQ(MsTimer::timer_id, id);
  EXPECT_EQ(ThreadCount(), threads_running);  // no second timer thread
  WaitForCount(20);

  MsTimer::Stop();
  EXPECT_EQ(MsTimer::timer_id, 0u);
  EXPECT_EQ(ThreadCount(), threads_running - 1);  // joined
  MsTimer::Stop();
  const int32_t stopped_at = MsTimer::tick_count.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_EQ(MsTimer::tick_count.load(), stopped_at);
  EXPECT_EQ(hook_log, Sequence(1, stopped_at));

  // A new run: the count goes on from where it stood, under a new timer id.
  MsTimer::Start();
  EXPECT_NE(MsTimer::timer_id, 0u);
  EXPECT_NE(MsTimer::timer_id, id);
  WaitForCount(stopped_at + 3);
}

TEST_F(MsTimerTest, ResetFromAnotherThreadRestartsTheCount) {
  MsTimer::tick_count = 0;
  MsTimer::tick_hook = &RecordTick;
  MsTimer::Start();
  WaitForCount(10);
  MsTimer::tick_count.store(0);  // as the trial loop resets it
  WaitForCount(5);
  MsTimer::Stop();
  // 1, 2, ..., k before the reset, then 1, 2, ... again up to the final count.
  const int32_t final_count = MsTimer::tick_count.load();
  ASSERT_GE(hook_log.size(), static_cast<size_t>(final_count));
  const size_t restart = hook_log.size() - final_count;
  EXPECT_EQ(std::vector<int32_t>(hook_log.begin(), hook_log.begin() + restart),
            Sequence(1, restart));
  EXPECT_EQ(std::vector<int32_t>(hook_log.begin() + restart, hook_log.end()),
            Sequence(1, final_count));
}

TEST(MsTimerCapability, ResolutionDecidesAndFailuresAreShown) {
  struct Shown {
    std::string text, caption;
    uint32_t style = 0;
  };
  std::vector<Shown> shown;
  MessageBoxHandler previous = SetMessageBoxHandler(
      [&](const std::string& text, const std::string& caption, uint32_t style) {
        shown.push_back({text, caption, style});
      });
  const std::string kNotPermitted = "System does not permit MsTimer.";
  const std::string kTooCoarse = "System does not have enough resolution for MsTimer.";
  struct Case {
    const char* name;
    int (*get_resolution)(timespec*);
    int result;
    std::string message;
  };
  const Case cases[] = {
      {"query fails", [](timespec*) { return -1; }, 0, kNotPermitted},
      {"4 ms",
       [](timespec* r) {
         return *r = {0, 4'000'000}, 0;
       },
       0, kTooCoarse},
      {"just over 1 ms",
       [](timespec* r) {
         return *r = {0, 1'000'001}, 0;
       },
       0, kTooCoarse},
      {"1 s",
       [](timespec* r) {
         return *r = {1, 0}, 0;
       },
       0, kTooCoarse},
      {"1 ms",
       [](timespec* r) {
         return *r = {0, 1'000'000}, 0;
       },
       1, ""},
      {"1 ns",
       [](timespec* r) {
         return *r = {0, 1}, 0;
       },
       1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    shown.clear();
    MsTimer::tick_count = 77;
    MsTimer::tick_hook = &RecordTick;
    EXPECT_EQ(MsTimer::CheckCapabilityWith(c.get_resolution), c.result);
    if (c.message.empty()) {
      EXPECT_TRUE(shown.empty());
      EXPECT_EQ(MsTimer::tick_count.load(), 0);
      EXPECT_EQ(MsTimer::tick_hook.load(), nullptr);
    } else {
      ASSERT_EQ(shown.size(), 1u);
      EXPECT_EQ(shown[0].text, c.message);
      EXPECT_EQ(shown[0].caption, kApplicationName);
      EXPECT_EQ(shown[0].style, MB_ICONHAND);
    }
  }
  MsTimer::tick_hook = nullptr;
  SetMessageBoxHandler(previous);
}

}  // namespace
