// The real program, killed with SIGKILL in the middle of a run with the
// simulated sensor, started again: the recovered result files hold every trial
// and sample its journal held on disk just before the kill, and the journal
// takes up what the run stores while it runs.
//
// What the run has stored is read from the live process's trial_count and
// sample_count; the bounds are counted in records, never in time.

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "e2e/real_program_test.h"
#include "results/journal_on_disk.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// CR LF rows of a result file without its header; a broken row fails the test.
std::vector<std::vector<std::string>> Rows(const std::string& text, size_t fields) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(text);
  std::string line;
  std::getline(in, line);  // header
  while (std::getline(in, line)) {
    EXPECT_TRUE(!line.empty() && line.back() == '\r') << "row without CR LF: " << line;
    line.pop_back();
    std::vector<std::string> row;
    std::istringstream cells(line);
    std::string cell;
    while (std::getline(cells, cell, ',')) row.push_back(cell);
    EXPECT_EQ(row.size(), fields) << line;
    rows.push_back(std::move(row));
  }
  return rows;
}

class KillRecoveryTest : public RealProgramTest {
 protected:
  KillRecoveryTest() : RealProgramTest("tavelin2-kill") {}
  void SetUp() override {
    RealProgramTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // Rescue folders of this test stay inside its directory.
    env_ = {"HOME=" + (dir_ / "home").string()};
  }

  std::vector<fs::path> ResultFiles() const {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(dir_)) {
      if (e.path().extension() == ".csv" || e.path().extension() == ".json")
        out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  std::vector<std::string> env_;
};

struct Stored {
  int32_t trials = 0, samples = 0;
};

TEST_F(KillRecoveryTest, RunKilledMidwayIsRecoveredAtTheNextStart) {
  const fs::path journal_dir = dir_ / ".tavelin2-journal";
  JournalOnDisk on_disk;
  Stored last;
  {
    ProgramProcess app(program_.string(), {"--sensor=sim"}, dir_.string(), env_);
    ASSERT_TRUE(WaitForWindow("^DirectDraw Application$", 30s)) << "no main frame";
    std::string why;
    // A time limit the run must not reach by itself.
    ASSERT_TRUE(StartRunFromMainFrame(SetupEntry{"KILL01", 600}, &why)) << why;

    const ProgramGlobals counts(program_, app.pid(), {"trial_count", "sample_count"});
    ASSERT_TRUE(counts.ok()) << "cannot read trial_count / sample_count of the running program";
    const auto read_stored = [&] {
      return Stored{counts.ReadInt32("trial_count").value_or(-1),
                    counts.ReadInt32("sample_count").value_or(-1)};
    };
    // Watch the run until a few balloons are popped.
    Stored stored;
    for (const auto deadline = Clock::now() + 90s; Clock::now() < deadline;) {
      stored = read_stored();
      ASSERT_GE(stored.trials, 0);
      if (stored.trials >= 3) break;
      std::this_thread::sleep_for(5ms);
    }
    ASSERT_GE(stored.trials, 3) << "the simulated child popped too few balloons (" << stored.samples
                                << " body samples stored)";
    // What it has stored reaches its journal while the run goes on.
    for (const auto deadline = Clock::now() + 30s;
         (on_disk = ReadJournalOnDisk(journal_dir)).trials < stored.trials ||
         on_disk.samples < stored.samples;) {
      ASSERT_TRUE(Clock::now() < deadline)
          << "after 30 s the journal holds " << on_disk.trials << " trials and " << on_disk.samples
          << " samples of the " << stored.trials << " and " << stored.samples << " stored before";
      std::this_thread::sleep_for(5ms);
    }
    // Kill it somewhere between two journal writes.
    std::this_thread::sleep_for(370ms);
    on_disk = ReadJournalOnDisk(journal_dir);
    last = read_stored();
    ASSERT_EQ(::kill(app.pid(), SIGKILL), 0);
    ASSERT_TRUE(app.WaitForExit(10s));
    WaitForWindowGone("^Experiment Window$", 10s);

    // Nothing written yet: the run's data is only in its journal.
    EXPECT_TRUE(ResultFiles().empty());
    ASSERT_TRUE(fs::exists(journal_dir));
  }

  ProgramProcess again(program_.string(), {"--sensor=sim"}, dir_.string(), env_);
  const auto box = WaitForWindow("^tavelin2$", 30s);
  ASSERT_TRUE(box) << "no word about the recovered run; the program "
                   << (again.Running() ? "runs without it" : "has ended");
  const std::vector<fs::path> files = ResultFiles();
  ASSERT_EQ(files.size(), 4u);
  EXPECT_TRUE(files[0].filename().string().starts_with("KILL01_"));
  // "…_hhmmss.csv", "…_hhmmss_B.csv", "…_hhmmss_T.csv" and "…_hhmmss_run.json"
  EXPECT_EQ(files[1].filename().string(), files[0].stem().string() + "_B.csv");
  EXPECT_EQ(files[2].filename().string(), files[0].stem().string() + "_T.csv");
  EXPECT_EQ(files[3].filename().string(), files[0].stem().string() + "_run.json");
  EXPECT_FALSE(fs::exists(journal_dir));
  Xdo("windowfocus --sync " + *box);
  Xdo("key Return");

  const auto trials = Rows(ReadAll(files[0]), 19);
  const auto samples = Rows(ReadAll(files[1]), 41);
  EXPECT_GE(int32_t(trials.size()), on_disk.trials);
  EXPECT_GE(int32_t(samples.size()), on_disk.samples);
  // Nothing invented: at most the pass that ran after the last look.
  EXPECT_LE(int32_t(trials.size()), last.trials + 1);
  EXPECT_LE(int32_t(samples.size()), last.samples + 6);
  for (size_t i = 0; i < trials.size(); ++i) {
    EXPECT_EQ(trials[i][0], "KILL01");
    EXPECT_EQ(trials[i][3], std::to_string(i));
  }
  for (size_t i = 0; i < samples.size(); ++i) EXPECT_EQ(samples[i][0], std::to_string(i + 1));
  // The timing file has a row per trial with the trial file's RT; the run
  // record says how the run ended and counts what was recovered.
  const auto timings = Rows(ReadAll(files[2]), 9);
  ASSERT_EQ(timings.size(), trials.size());
  for (size_t i = 0; i < timings.size(); ++i) {
    EXPECT_EQ(timings[i][0], trials[i][3]);
    EXPECT_EQ(timings[i][5], trials[i][17]) << "RT of trial " << i;
  }
  const nlohmann::json record = nlohmann::json::parse(ReadAll(files[3]));
  EXPECT_EQ(record["end"]["reason"], "recovered");
  EXPECT_EQ(record["subject"], "KILL01");
  EXPECT_EQ(record["sensor"]["backend"], "sim");
  EXPECT_EQ(record["counts"]["trials"], trials.size());
  EXPECT_EQ(record["counts"]["body_samples"], samples.size());
  EXPECT_GT(record["counts"]["drawn_passes"].get<int>(), 0);
  std::cout << "stored " << last.trials << " trials, " << last.samples
            << " samples at the kill; the journal held " << on_disk.trials << " / "
            << on_disk.samples << "; recovered " << trials.size() << " / " << samples.size()
            << "\n";

  Xdo("search --name '^DirectDraw Application$' windowfocus --sync");
  Xdo("key --delay 200 alt+f x");
  again.WaitForExit(20s);
}

}  // namespace
