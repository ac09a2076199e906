// A disk that fills up mid-run, then a kill: at most the last second is lost.
// The working folder is a small tmpfs of its own (a private mount namespace,
// so nothing outlives the test); a child process runs a journalled run at the
// sensor's pace, the parent fills the disk, then kills the child and recovers.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include <sys/mman.h>

#include "results/result_format.h"
#include "results/run_journal.h"
#include "results/run_recovery.h"
#include "results_fixture.h"

namespace results_test {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFramePeriod_ms = 33;
constexpr int kBodiesPerFrame = 2;
constexpr int kPassesPerTrial = 20;

// What the child has stored, by time: one entry per drawn pass.
struct Progress {
  std::atomic<int32_t> passes;
  struct {
    int64_t at_ns;
    int32_t trials, samples;
  } entry[1 << 14];
};

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

TrialRecord TrialAt(int32_t i) {
  TrialRecord t = FixtureTrials()[size_t(i) % 3];
  t.trial = i;
  return t;
}

BodySample SampleAt(int32_t i) {
  return MakeSample({i + 1, i / kBodiesPerFrame * kFramePeriod_ms, i / 40, 2, 480, 270, i % 2}, i);
}

[[noreturn]] void JournalledRun(const std::vector<std::string>& journal_dirs,
                                const std::string& work, Progress* progress) {
  RunJournal journal(journal_dirs);
  if (!journal.Begin("SBJ0000", kFixtureStart, work)) ::_exit(3);
  std::printf("journal at %s\n", journal.path().c_str());
  std::fflush(stdout);
  int32_t trials = 0, samples = 0;
  const auto start = Clock::now();
  for (int pass = 0; pass < (1 << 14); ++pass) {
    for (int b = 0; b < kBodiesPerFrame; ++b, ++samples)
      journal.OnSampleStored(samples, SampleAt(samples));
    if (pass % kPassesPerTrial == kPassesPerTrial - 1)
      journal.OnTrialStored(trials, TrialAt(trials)), ++trials;
    progress->entry[pass] = {NowNs(), trials, samples};
    progress->passes.store(pass + 1);
    std::this_thread::sleep_until(start + std::chrono::milliseconds(kFramePeriod_ms * (pass + 1)));
  }
  ::_exit(2);
}

// Fills the file system that holds `dir` until a write fails for want of room.
void FillDisk(const fs::path& dir) {
  const int fd = ::open((dir / "filler").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  const std::string block(1 << 16, 'f');
  while (::write(fd, block.data(), block.size()) > 0) {
  }
  ASSERT_EQ(errno, ENOSPC);
  ::close(fd);
}

struct DiskCase {
  const char* label;
  int tmpfs_mib;
  bool journal_in_place;  // the reservation fits into the working folder
};

class FullDiskTest : public ScratchDirTest, public testing::WithParamInterface<DiskCase> {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    // Own mount namespace: the tmpfs disappears with this process, whatever happens.
    static const bool private_mounts =
        ::unshare(CLONE_NEWNS) == 0 &&
        ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
    if (!private_mounts) GTEST_SKIP() << "no private tmpfs can be mounted here (needs root)";
    disk_ = root_ / "disk";
    fs::create_directories(disk_);
    const std::string size = "size=" + std::to_string(GetParam().tmpfs_mib) + "m";
    ASSERT_EQ(::mount("tmpfs", disk_.c_str(), "tmpfs", 0, size.c_str()), 0) << std::strerror(errno);
  }
  void TearDown() override {
    if (!disk_.empty()) ::umount2(disk_.c_str(), MNT_DETACH);
    ScratchDirTest::TearDown();
  }
  fs::path disk_;
};

TEST_P(FullDiskTest, DiskFullMidRunThenAKillLosesAtMostTheLastSecond) {
  const DiskCase& c = GetParam();
  const std::vector<std::string> journal_dirs{(disk_ / ".tavelin2-journal").string(),
                                              (rescue_dir() / "journal").string()};
  void* shared =
      ::mmap(nullptr, sizeof(Progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(shared, MAP_FAILED);
  auto* progress = new (shared) Progress{};
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) JournalledRun(journal_dirs, disk_.string(), progress);

  const auto wait_passes = [&](int32_t n) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (progress->passes.load() < n && Clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  };
  wait_passes(1000 / kFramePeriod_ms);
  FillDisk(disk_);  // the disk is full from here on
  const int32_t full_at = progress->passes.load();
  wait_passes(full_at + 2000 / kFramePeriod_ms);
  const int64_t killed_at = NowNs();
  ASSERT_EQ(::kill(child, SIGKILL), 0);
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status)) << status;

  int32_t trials_second_before = 0, samples_second_before = 0;
  const int32_t passes = progress->passes.load();
  for (int32_t i = 0; i < passes; ++i) {
    if (progress->entry[i].at_ns > killed_at - 1'000'000'000) break;
    trials_second_before = progress->entry[i].trials;
    samples_second_before = progress->entry[i].samples;
  }
  ASSERT_GT(trials_second_before, 0);
  // No folder is left behind empty.
  EXPECT_EQ(fs::exists(disk_ / ".tavelin2-journal"), c.journal_in_place);

  // The next start: the working folder is still full, so the whole run goes to
  // the rescue folder.
  const std::vector<std::string> rescue{rescue_dir().string()};
  const std::vector<RecoveredRun> runs = RecoverUnfinishedRuns(journal_dirs, rescue);
  ASSERT_EQ(runs.size(), 1u);
  ASSERT_TRUE(runs[0].outcome.both_written());
  EXPECT_FALSE(fs::exists(disk_ / ".tavelin2-journal"));
  EXPECT_EQ(fs::path(runs[0].outcome.trial.path).parent_path(), rescue_dir());
  EXPECT_EQ(fs::path(runs[0].outcome.body.path).parent_path(), rescue_dir());
  const std::string trial_file = ReadFile(runs[0].outcome.trial.path);
  const std::string body_file = ReadFile(runs[0].outcome.body.path);
  const auto lines = [](const std::string& t) {
    return int32_t(std::count(t.begin(), t.end(), '\n')) - 1;
  };
  const int32_t trials = lines(trial_file), samples = lines(body_file);
  EXPECT_GE(trials, trials_second_before);
  EXPECT_GE(samples, samples_second_before);
  const auto [expected_trial, expected_body] = ExpectedRunFiles(trials, TrialAt, samples, SampleAt);
  EXPECT_EQ(trial_file, expected_trial);  // each row once, in order, none broken
  EXPECT_EQ(body_file, expected_body);
  std::printf(
      "disk full after %d passes, killed after %d: recovered %d trials, %d samples "
      "(a second before the kill: %d, %d)\n",
      full_at, passes, trials, samples, trials_second_before, samples_second_before);
  ::munmap(shared, sizeof(Progress));
}

INSTANTIATE_TEST_SUITE_P(Journal, FullDiskTest,
                         testing::Values(DiskCase{"reserved_in_the_working_folder", 40, true},
                                         DiskCase{"no_room_journals_in_the_rescue_folder", 8,
                                                  false}),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace results_test
