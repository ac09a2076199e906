#include <gtest/gtest.h>
#include <sched.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

#include "platform/thread_scheduling.h"

namespace {

// Each case on its own thread: a slice, once asked for, stays with the thread.
template <class Body>
void OnFreshThread(Body body) {
  std::thread(body).join();
}

TEST(ThreadScheduling, AskedSliceIsTheThreadsOrNothingChanges) {
  OnFreshThread([] {
    const uint64_t before = CurrentTimeSlice();
    if (RequestShortTimeSlice(500'000)) {
      EXPECT_EQ(CurrentTimeSlice(), 500'000u);
    } else {
      // A kernel without slice requests: the thread runs as before.
      EXPECT_EQ(CurrentTimeSlice(), before);
    }
  });
}

TEST(ThreadScheduling, ComparisonSwitchKeepsTheDefault) {
  setenv(kKeepDefaultSliceEnv, "1", 1);
  OnFreshThread([] {
    const uint64_t before = CurrentTimeSlice();
    EXPECT_FALSE(RequestShortTimeSlice());
    EXPECT_EQ(CurrentTimeSlice(), before);
  });
  unsetenv(kKeepDefaultSliceEnv);
}

TEST(ThreadScheduling, BatchThreadKeepsItsNiceValue) {
  OnFreshThread([] {
    const int process_nice = getpriority(PRIO_PROCESS, static_cast<id_t>(getpid()));
    ASSERT_TRUE(LowerThreadPriority(3));
    EXPECT_EQ(getpriority(PRIO_PROCESS, static_cast<id_t>(getpid())), process_nice)
        << "only the thread is lowered";
    const int tid = static_cast<int>(syscall(SYS_gettid));
    ASSERT_TRUE(RunAsBatchThread(tid));
    EXPECT_EQ(sched_getscheduler(0), SCHED_BATCH);
    EXPECT_EQ(getpriority(PRIO_PROCESS, 0), 3);
    EXPECT_TRUE(RunAsBatchThread());  // already one
    // Another class is left alone (not asked: a thread may have been given it).
    const sched_param idle{};
    ASSERT_EQ(sched_setscheduler(0, SCHED_IDLE, &idle), 0);
    EXPECT_FALSE(RunAsBatchThread());
    EXPECT_EQ(sched_getscheduler(0), SCHED_IDLE);
  });
}

}  // namespace
