#include <gtest/gtest.h>
#include <stdlib.h>

#include <thread>

#include "state/thread_slice.h"

namespace {

// Each case on its own thread: a slice, once asked for, stays with the thread.
template <class Body>
void OnFreshThread(Body body) {
  std::thread(body).join();
}

TEST(ThreadSlice, AskedSliceIsTheThreadsOrNothingChanges) {
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

TEST(ThreadSlice, ComparisonSwitchKeepsTheDefault) {
  setenv(kKeepDefaultSliceEnv, "1", 1);
  OnFreshThread([] {
    const uint64_t before = CurrentTimeSlice();
    EXPECT_FALSE(RequestShortTimeSlice());
    EXPECT_EQ(CurrentTimeSlice(), before);
  });
  unsetenv(kKeepDefaultSliceEnv);
}

}  // namespace
