// A run killed with SIGKILL loses at most its last second: a child process runs a
// simulated run at the sensor's pace, storing records in the program-wide tables
// and feeding the run journal the way the trial loop does; the parent kills it
// mid-run and recovers the result files.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "state/program_state.h"
#include "results/result_format.h"
#include "results/run_journal.h"
#include "results/run_recovery.h"
#include "results_fixture.h"

namespace results_test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFramePeriod_ms = 33;  // the sensor's frame rate
constexpr int kPassesPerTrial = 20;  // a pop about every 0.7 s
constexpr int kBodiesPerFrame = 2;
constexpr int kMaxProgress = 1 << 16;

// What the child had stored, and when: written after every drawn pass.
struct Progress {
  std::atomic<int32_t> entries;
  struct Entry {
    int64_t at_ns;  // steady clock
    int32_t trials, samples;
  } entry[kMaxProgress];
};

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

BodySample SampleAt(int32_t index) {
  BodySample s = MakeSample(
      {index + 1, index / kBodiesPerFrame * kFramePeriod_ms,
       index / (kBodiesPerFrame * kPassesPerTrial), 2, 480, 270, 100 + index % kBodiesPerFrame},
      index * 3 - 5000);
  return s;
}

TrialRecord TrialAt(int32_t index) {
  return {index,       1,
          index % 2,   101,
          2,           480,
          270,         1,
          400 + index, 300,
          3,           500,
          310 - index, index % 3 ? "Hand_R" : "Head",
          700 + index, index == 0 ? 0 : 1000 * index};
}

// The child: a run that goes on until it is killed.
[[noreturn]] void SimulatedRun(Progress* progress) {
  settings.subject = "SBJ0000";
  run_start_time = kFixtureStart;
  trial_count = 0;
  sample_count = 0;
  if (!run_journal.Begin()) ::_exit(3);
  const auto start = Clock::now();
  for (int pass = 0; Clock::now() - start < std::chrono::seconds(60); ++pass) {
    for (int b = 0; b < kBodiesPerFrame; ++b) {
      body_samples[sample_count] = SampleAt(sample_count);
      run_journal.OnSampleStored(sample_count, body_samples[sample_count]);
      sample_count = std::min(sample_count + 1, kMaxSampleCount);
    }
    if (pass % kPassesPerTrial == kPassesPerTrial - 1) {
      trial_records[trial_count] = TrialAt(trial_count);
      run_journal.OnTrialStored(trial_count, trial_records[trial_count]);
      ++trial_count;
    }
    const int32_t n = progress->entries.load();
    if (n < kMaxProgress) {
      progress->entry[n] = {NowNs(), trial_count, sample_count};
      progress->entries.store(n + 1);
    }
    // 1 ms passes until the next frame arrives.
    const auto next_frame = start + std::chrono::milliseconds(kFramePeriod_ms * (pass + 1));
    while (Clock::now() < next_frame) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  ::_exit(2);
}

int CountLines(const std::string& text) {
  return int(std::count(text.begin(), text.end(), '\n'));
}

class CrashTest : public ScratchDirTest {};

TEST_F(CrashTest, KilledRunIsRecoveredUpToOneSecondBeforeTheKill) {
  void* shared =
      ::mmap(nullptr, sizeof(Progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(shared, MAP_FAILED);
  auto* progress = new (shared) Progress{};

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) SimulatedRun(progress);

  // Let it run for a few seconds, then kill it in the middle of the run.
  const auto deadline = Clock::now() + std::chrono::seconds(20);
  while (progress->entries.load() < 3000 / kFramePeriod_ms && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const int64_t killed_at = NowNs();
  ASSERT_EQ(::kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the simulated run ended by itself: " << status;

  // What the run had stored one second before the kill, and at the end.
  Progress::Entry second_before{0, 0, 0}, last{0, 0, 0};
  for (int i = 0; i < progress->entries.load(); ++i) {
    const Progress::Entry& e = progress->entry[i];
    if (e.at_ns <= killed_at - 1'000'000'000) second_before = e;
    last = e;
  }
  ASSERT_GT(second_before.samples, 0);
  ASSERT_GE(last.trials, 3);

  const std::vector<std::string> journals{(work_ / ".tavelin2-journal").string()};
  const std::vector<std::string> rescue{rescue_dir().string()};
  const std::vector<RecoveredRun> runs = RecoverUnfinishedRuns(journals, rescue);
  ASSERT_EQ(runs.size(), 1u);
  ASSERT_TRUE(runs[0].outcome.both_in_place());

  const std::string trial_file = ReadFile(runs[0].outcome.trial.path);
  const std::string body_file = ReadFile(runs[0].outcome.body.path);
  const int32_t trials = CountLines(trial_file) - 1;
  const int32_t samples = CountLines(body_file) - 1;
  EXPECT_GE(trials, second_before.trials);
  EXPECT_GE(samples, second_before.samples);
  // The run may have stored one more pass than it reported before it died.
  EXPECT_LE(trials, last.trials + 1);
  EXPECT_LE(samples, last.samples + kBodiesPerFrame);

  // Exactly the stored records, in order, each once, none broken.
  const auto [expected_trial_file, expected_body_file] =
      ExpectedRunFiles(trials, TrialAt, samples, SampleAt);
  EXPECT_EQ(trial_file, expected_trial_file);
  EXPECT_EQ(body_file, expected_body_file);
  EXPECT_FALSE(fs::exists(work_ / ".tavelin2-journal"));
  std::cout << "killed after " << last.samples << " samples, " << last.trials
            << " trials; recovered " << samples << " samples, " << trials << " trials\n";

  ::munmap(shared, sizeof(Progress));
}

}  // namespace
}  // namespace results_test
