// A run killed with SIGKILL loses only what had not yet reached its journal: a
// child process runs a simulated run at the sensor's pace, storing records in
// the program-wide tables and feeding the run journal the way the trial loop
// does; the parent kills it mid-run and recovers the result files.
//
// The bounds are counted in records, never in time: what the journal held on
// disk just before the kill must all come back, and the journal must take up
// what the run stores while it runs. The expected bytes are the golden files of
// make_golden.py, written without the C++ writer.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <utility>

#include "app/result_files.h"
#include "journal_on_disk.h"
#include "results/result_format.h"
#include "results/run_journal.h"
#include "results/run_recovery.h"
#include "results_fixture.h"
#include "state/program_state.h"

namespace results_test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The same run as CRASH_* in make_golden.py.
constexpr int kFramePeriod_ms = 33;  // the sensor's frame rate
constexpr int kPassesPerTrial = 20;  // a pop about every 0.7 s
constexpr int kBodiesPerFrame = 2;
constexpr int kRunPasses = 360;  // the golden files hold this many passes

// What the child has stored, updated after every pass.
struct Progress {
  std::atomic<int32_t> passes{0}, trials{0}, samples{0};
};

BodySample SampleAt(int32_t index) {
  return MakeSample({index + 1, index / kBodiesPerFrame * kFramePeriod_ms,
                     index / (kBodiesPerFrame * kPassesPerTrial), 2, 480, 270,
                     100 + index % kBodiesPerFrame},
                    index % 100);
}

TrialRecord TrialAt(int32_t index) {
  return {index,       1,
          index % 2,   101,
          2,           480,
          270,         1,
          400 + index, 300,
          3,           500,
          310 - index, index % 3 ? "Hand_R" : "Head",
          700 + index, 1000 * index};
}

// The child: a run that goes on until it is killed (or ends after kRunPasses).
[[noreturn]] void SimulatedRun(Progress* progress) {
  settings.subject = "SBJ0000";
  run_start_time = kFixtureStart;
  trial_count = 0;
  sample_count = 0;
  if (!BeginRunJournal(run_journal)) ::_exit(3);
  auto next_frame = Clock::now();
  for (int pass = 0; pass < kRunPasses; ++pass) {
    for (int b = 0; b < kBodiesPerFrame; ++b) {
      body_samples[sample_count] = SampleAt(sample_count);
      run_journal.OnSampleStored(sample_count, body_samples[sample_count]);
      ++sample_count;
    }
    if (pass % kPassesPerTrial == kPassesPerTrial - 1) {
      trial_records[trial_count] = TrialAt(trial_count);
      run_journal.OnTrialStored(trial_count, trial_records[trial_count]);
      ++trial_count;
    }
    progress->trials.store(trial_count);
    progress->samples.store(sample_count);
    progress->passes.store(pass + 1);
    // 1 ms passes until the next frame arrives; a late frame is not caught up.
    next_frame = std::max(next_frame + std::chrono::milliseconds(kFramePeriod_ms), Clock::now());
    while (Clock::now() < next_frame) std::this_thread::sleep_for(1ms);
  }
  ::_exit(2);
}

// The first `rows` rows of a golden file, after its header.
std::string GoldenPrefix(const std::string& name, int32_t rows) {
  const std::string golden = Golden(name);
  size_t end = golden.find('\n');  // the header
  for (int32_t i = 0; i < rows && end != std::string::npos; ++i) end = golden.find('\n', end + 1);
  EXPECT_NE(end, std::string::npos) << name << " has fewer than " << rows << " rows";
  return golden.substr(0, end == std::string::npos ? end : end + 1);
}

int32_t CountRows(const std::string& text) {
  return int32_t(std::count(text.begin(), text.end(), '\n')) - 1;  // less the header
}

// Waits until the child has made `passes` passes; false when it has not
// within a deadline far beyond what the run needs.
bool WaitForPasses(const Progress& progress, int32_t passes) {
  const auto deadline = Clock::now() + 60s;
  while (progress.passes.load() < passes) {
    if (Clock::now() > deadline) return false;
    std::this_thread::sleep_for(2ms);
  }
  return true;
}

// The child is killed and reaped when the test ends early.
struct ChildProcess {
  pid_t pid = -1;
  ~ChildProcess() {
    if (pid > 0 && ::kill(pid, SIGKILL) == 0) ::waitpid(pid, nullptr, 0);
  }
};

class CrashTest : public ScratchDirTest {};

TEST_F(CrashTest, KilledRunIsRecoveredWithEverythingItsJournalHeld) {
  void* shared =
      ::mmap(nullptr, sizeof(Progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(shared, MAP_FAILED);
  auto* progress = new (shared) Progress{};
  const fs::path journal_dir = work_ / ".tavelin2-journal";

  ChildProcess child;
  child.pid = ::fork();
  ASSERT_GE(child.pid, 0);
  if (child.pid == 0) SimulatedRun(progress);

  // A few pops into the run, what it has stored must reach its journal while it
  // goes on (the journal is written several times a second).
  ASSERT_TRUE(WaitForPasses(*progress, 3 * kPassesPerTrial)) << "the simulated run does not run";
  const int32_t stored_trials = progress->trials.load();
  const int32_t stored_samples = progress->samples.load();
  const auto deadline = Clock::now() + 30s;
  JournalOnDisk on_disk;
  while ((on_disk = ReadJournalOnDisk(journal_dir)).trials < stored_trials ||
         on_disk.samples < stored_samples) {
    ASSERT_TRUE(Clock::now() < deadline)
        << "after 30 s the journal holds " << on_disk.trials << " trials and " << on_disk.samples
        << " samples of the " << stored_trials << " and " << stored_samples
        << " stored before";
    std::this_thread::sleep_for(2ms);
  }
  // Kill it somewhere between two journal writes.
  ASSERT_TRUE(WaitForPasses(*progress, progress->passes.load() + 5));
  on_disk = ReadJournalOnDisk(journal_dir);
  ASSERT_EQ(::kill(child.pid, SIGKILL), 0);
  int status = 0;
  const pid_t reaped = ::waitpid(child.pid, &status, 0);
  ASSERT_EQ(reaped, std::exchange(child.pid, -1));
  ASSERT_TRUE(WIFSIGNALED(status)) << "the simulated run ended by itself: " << status;
  const int32_t last_trials = progress->trials.load();
  const int32_t last_samples = progress->samples.load();

  const std::vector<std::string> journals{journal_dir.string()};
  const std::vector<std::string> rescue{rescue_dir().string()};
  const std::vector<RecoveredRun> runs = RecoverUnfinishedRuns(journals, rescue);
  ASSERT_EQ(runs.size(), 1u);
  ASSERT_TRUE(runs[0].outcome.both_in_place());

  const std::string trial_file = ReadFile(runs[0].outcome.trial.path);
  const std::string body_file = ReadFile(runs[0].outcome.body.path);
  const int32_t trials = CountRows(trial_file);
  const int32_t samples = CountRows(body_file);
  // Everything the journal held before the kill, and nothing the run did not store
  // (it may have stored one more pass than it reported before it died).
  EXPECT_GE(trials, on_disk.trials);
  EXPECT_GE(samples, on_disk.samples);
  EXPECT_LE(trials, last_trials + 1);
  EXPECT_LE(samples, last_samples + kBodiesPerFrame);
  // Exactly the stored records, in order, each once, none broken.
  EXPECT_EQ(trial_file, GoldenPrefix("crash_trial.csv", trials));
  EXPECT_EQ(body_file, GoldenPrefix("crash_body.csv", samples));
  EXPECT_FALSE(fs::exists(journal_dir));
  std::cout << "killed after " << last_samples << " samples, " << last_trials
            << " trials; the journal held " << on_disk.samples << " / " << on_disk.trials
            << "; recovered " << samples << " / " << trials << "\n";

  ::munmap(shared, sizeof(Progress));
}

}  // namespace
}  // namespace results_test
