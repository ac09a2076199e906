// What the trial loop shows to other threads and to timing analysis: the
// balloon snapshot read by the simulated participant, and the pass trace.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "run_harness.h"
#include "trial/active_target.h"
#include "trial/pass_trace.h"
#include "trial/response_rules.h"

namespace {

namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// ------------------------------------------------------------ balloon snapshot

ActiveTargetSnapshot Publication(int32_t i) {
  return ActiveTargetSnapshot{i & 1, i, -i, i % 4, i % 7, i % 2, i % 3 == 0};
}

TEST(ActiveTarget, ReaderNeverSeesAHalfPublishedBalloon) {
  PublishActiveTarget(Publication(1));
  std::atomic<bool> done{false};
  std::atomic<int64_t> torn{0};
  std::atomic<int64_t> reads{0};
  std::thread reader([&] {
    while (!done.load()) {
      const ActiveTargetSnapshot s = ReadActiveTarget();
      // Every publication keeps these relations between its fields.
      if (s.target_y != -s.target_x || s.janken != s.target_x % 7 || s.shown != (s.target_x & 1) ||
          s.running != (s.target_x % 3 == 0)) {
        ++torn;
      }
      ++reads;
    }
  });
  // Publish for a while, so that reads overlap publications many times even on
  // a busy machine (a reader without the sequence check fails here).
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
  for (int32_t i = 2; std::chrono::steady_clock::now() < until || reads.load() < 1000; ++i) {
    PublishActiveTarget(Publication(i & 0xFFFFFF));
  }
  done = true;
  reader.join();
  EXPECT_EQ(torn.load(), 0);
  PublishActiveTarget(ActiveTargetSnapshot{});
}

TEST(ActiveTarget, FollowsTheBalloonOfARun) {
  RunHarness h(false);
  h.run.settings.janken = 1;
  std::vector<ActiveTargetSnapshot> seen;
  h.bodies = [&](int pass) {
    seen.push_back(ReadActiveTarget());
    if (pass == 5) {
      h.run.tracked_bodies[0] = AwayBody(1);
      h.run.tracked_bodies[0].hand_rx = seen.back().target_x;
      h.run.tracked_bodies[0].hand_ry = seen.back().target_y;
      h.run.tracked_bodies[0].hand_r = JankenRule(1, seen.back().tgthand);
      return 1;
    }
    return 0;
  };
  h.PressKeyAfterPass(6, VK_M);
  h.PressKeyAfterPass(7, VK_ESCAPE);
  h.Run();
  ASSERT_EQ(seen.size(), 8u);
  EXPECT_TRUE(seen[0].running);
  EXPECT_EQ(seen[0].shown, 1);
  EXPECT_EQ(seen[0].janken, 1);
  EXPECT_GE(seen[0].tgthand, 1);
  EXPECT_EQ(seen[0].mirror, 1);
  EXPECT_EQ(seen[6].shown, 0);   // popped in pass 5
  EXPECT_EQ(seen[7].mirror, 0);  // M read in pass 7
  const ActiveTargetSnapshot after = ReadActiveTarget();
  EXPECT_FALSE(after.running);
  EXPECT_EQ(after.target_x, seen[0].target_x);
}

// ------------------------------------------------------------ pass trace

TEST(PassTrace, RingKeepsTheNewestPassesInOrder) {
  PassTrace trace(4);
  for (int32_t clock = 1; clock <= 6; ++clock) {
    trace.BeginPass(clock);
    trace.BeforePoll();
    trace.AfterPoll(clock % 2 == 0);
    trace.EndPass();
  }
  const std::vector<PassTraceEntry> entries = trace.Entries();
  ASSERT_EQ(entries.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(entries[i].pass_clock_ms, i + 3);
    EXPECT_EQ(entries[i].drawn, (i + 3) % 2 == 0 ? 1 : 0);
    EXPECT_LE(entries[i].start_ns, entries[i].poll_ns);
    EXPECT_LE(entries[i].poll_ns, entries[i].polled_ns);
    EXPECT_LE(entries[i].polled_ns, entries[i].end_ns);
  }
  EXPECT_EQ(trace.pass_count(), 6u);
}

PassTraceEntry Pass(int64_t start_us, int32_t drawn, int64_t ready_us = 0) {
  const int64_t ns = 1000;
  PassTraceEntry e;
  e.start_ns = start_us * ns;
  e.poll_ns = (start_us + 10) * ns;
  e.polled_ns = (start_us + (drawn ? 110 : 15)) * ns;
  e.frame_ready_ns = ready_us * ns;
  e.end_ns = (start_us + (drawn ? 300 : 20)) * ns;
  e.drawn = drawn;
  return e;
}

TEST(PassTrace, SummaryBoundsTakeUpByThePreviousPollWithoutReadyTimes) {
  const std::vector<PassTraceEntry> entries = {
      Pass(0, 0),    Pass(1100, 0),
      Pass(2200, 1), Pass(3300, 0),
      Pass(5300, 1), PassTraceEntry{6400000, 0, 0, 0, 0, 0, 0},  // the pass that ended the run
  };
  const PassTimingSummary s = SummarizePasses(entries);
  EXPECT_EQ(s.passes, 6u);
  EXPECT_EQ(s.drawn_passes, 2u);
  // Intervals 1100, 1100, 1100, 2000, 1100.
  EXPECT_DOUBLE_EQ(s.interval_median_us, 1100);
  EXPECT_DOUBLE_EQ(s.interval_p99_us, 2000);
  EXPECT_DOUBLE_EQ(s.interval_max_us, 2000);
  EXPECT_FALSE(s.takeup_measured);
  // Bounds 1100 (pass 2) and 2000 (pass 4).
  EXPECT_DOUBLE_EQ(s.takeup_median_us, 1100);
  EXPECT_DOUBLE_EQ(s.takeup_max_us, 2000);
  EXPECT_DOUBLE_EQ(s.drawn_work_median_us, 300);
  EXPECT_DOUBLE_EQ(s.drawn_update_median_us, 100);
  EXPECT_DOUBLE_EQ(s.drawn_rest_p99_us, 190);
  EXPECT_DOUBLE_EQ(s.idle_work_p99_us, 20);
}

TEST(PassTrace, SummaryMeasuresTakeUpFromReadyTimes) {
  const std::vector<PassTraceEntry> entries = {
      Pass(0, 0), Pass(1000, 1, 700), Pass(2000, 0), Pass(3000, 1, 3015),  // ready during the poll
  };
  const PassTimingSummary s = SummarizePasses(entries);
  EXPECT_TRUE(s.takeup_measured);
  EXPECT_DOUBLE_EQ(s.takeup_max_us, 310);  // polled at 1010, ready at 700
  EXPECT_DOUBLE_EQ(s.takeup_median_us, 0);
}

TEST(PassTrace, PercentileIsNearestRank) {
  std::vector<double> v;
  for (int i = 100; i >= 1; --i) v.push_back(i);
  EXPECT_DOUBLE_EQ(Percentile(v, 50), 50);
  EXPECT_DOUBLE_EQ(Percentile(v, 99), 99);
  EXPECT_DOUBLE_EQ(Percentile(v, 100), 100);
  EXPECT_DOUBLE_EQ(Percentile({7}, 99), 7);
  EXPECT_DOUBLE_EQ(Percentile({}, 50), 0);
}

TEST(PassTrace, RunTaskWritesTheTraceNamedInTheEnvironment) {
  const std::string path = testing::TempDir() + "trial_pass_trace.csv";
  std::remove(path.c_str());
  setenv(kPassTraceEnv, path.c_str(), 1);
  RunHarness h(false);
  h.bodies = [](int pass) { return pass % 3 == 0 ? 1 : 0; };
  h.PressKeyAfterPass(9, VK_ESCAPE);
  h.Run();
  unsetenv(kPassTraceEnv);

  std::vector<PassTraceEntry> entries;
  ASSERT_TRUE(ReadPassTraceCsv(path, &entries));
  ASSERT_EQ(entries.size(), 11u);  // passes 0..9 and the one that read Esc
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(entries[i].pass_clock_ms, i);
    EXPECT_EQ(entries[i].drawn, i % 3 == 0 ? 1 : 0);
    EXPECT_GT(entries[i].end_ns, 0);
    EXPECT_GE(entries[i].pumped_ns, entries[i].end_ns);
    EXPECT_LE(entries[i].pumped_ns, entries[i + 1].start_ns);
  }
  EXPECT_EQ(entries[10].poll_ns, 0);
  std::remove(path.c_str());
}

// The trace is the user's alone, and what another account put at its name
// (a link to one of the user's files, a file of its own) gets nothing.
TEST(PassTrace, TraceFileIsPrivateAndNeverWrittenThroughAnotherAccountsName) {
  if (::geteuid() != 0) GTEST_SKIP() << "only root can give a file to another account";
  const fs::path dir = fs::path(testing::TempDir()) / "trial_pass_trace_owner";
  fs::remove_all(dir);
  fs::create_directories(dir);
  const fs::path victim = dir / "thesis.txt", path = dir / "trace.csv";
  const uid_t other = 54399;
  struct Case {
    const char* label;
    std::function<void()> plant;
    bool written;
  };
  const Case cases[] = {
      {"nothing there", [] {}, true},
      {"the user's own file", [&] { std::ofstream(path) << "an older trace\n"; }, true},
      {"another account's link to the user's file",
       [&] {
         fs::create_symlink(victim, path);
         ASSERT_EQ(::lchown(path.c_str(), other, other), 0);
       },
       false},
      {"another account's file",
       [&] {
         std::ofstream(path) << "theirs\n";
         ASSERT_EQ(::chown(path.c_str(), other, other), 0);
       },
       false},
  };
  PassTrace trace(4);
  trace.BeginPass(1);
  trace.EndPass();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    fs::remove(path);
    std::ofstream(victim) << "the user's\n";
    c.plant();
    EXPECT_EQ(trace.WriteCsv(path.string()), c.written);
    EXPECT_EQ(ReadText(victim), "the user's\n");
    std::vector<PassTraceEntry> entries;
    if (c.written) {
      EXPECT_TRUE(ReadPassTraceCsv(path.string(), &entries));
      EXPECT_EQ(entries.size(), 1u);
    } else {
      EXPECT_EQ(ReadText(path).find("start_ns"), std::string::npos) << "the trace went in";
    }
    struct stat st {};
    ASSERT_EQ(::lstat(path.c_str(), &st), 0);
    if (c.written) EXPECT_EQ(st.st_mode & 0777, 0600u);
  }
  fs::remove_all(dir);
}

TEST(PassTrace, MalformedTraceIsRefused) {
  const std::string path = testing::TempDir() + "trial_pass_trace_bad.csv";
  std::FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("start_ns,poll_ns,polled_ns,frame_ready_ns,end_ns,pass_clock_ms,drawn\n1,2,3\n", f);
  std::fclose(f);
  std::vector<PassTraceEntry> entries;
  EXPECT_FALSE(ReadPassTraceCsv(path, &entries));
  EXPECT_FALSE(ReadPassTraceCsv(path + ".missing", &entries));
  std::remove(path.c_str());
}

}  // namespace
