// The real program, killed with SIGKILL in the middle of a run with the
// simulated sensor, started again: the recovered result files hold every trial
// and sample the run had stored up to one second before the kill.
//
// What the run had stored at each moment is read from the live process's
// trial_count and sample_count (/proc/<pid>/mem at the addresses nm gives).

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "e2e/real_program_test.h"

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

// Where a global variable of the program lies in a running process of it.
class ProcessVariables {
 public:
  ProcessVariables(const fs::path& program, pid_t pid) : pid_(pid) {
    const auto symbols = RunCommand("nm --defined-only '" + program.string() + "'");
    if (!symbols) return;
    std::istringstream lines(*symbols);
    std::string address, type, name;
    while (lines >> address >> type >> name) {
      if (name == "trial_count" || name == "sample_count") {
        offsets_[name == "trial_count" ? 0 : 1] = std::stoull(address, nullptr, 16);
      }
    }
    // A position-independent executable (ELF type 3) is loaded at the start of
    // its first mapping; a fixed one at the addresses nm shows.
    std::ifstream elf(program, std::ios::binary);
    uint16_t elf_type = 0;
    elf.seekg(16);
    elf.read(reinterpret_cast<char*>(&elf_type), 2);
    uint64_t base = 0;
    if (elf_type == 3) {
      std::ifstream maps("/proc/" + std::to_string(pid) + "/maps");
      std::string line;
      const std::string exe = fs::canonical(program).string();
      while (std::getline(maps, line)) {
        if (line.size() > exe.size() && line.ends_with(exe)) {
          base = std::stoull(line.substr(0, line.find('-')), nullptr, 16);
          break;
        }
      }
      if (base == 0) return;
    }
    for (uint64_t& o : offsets_) o = o == 0 ? 0 : o + base;
    mem_ = ::open(("/proc/" + std::to_string(pid) + "/mem").c_str(), O_RDONLY | O_CLOEXEC);
  }
  ~ProcessVariables() {
    if (mem_ >= 0) ::close(mem_);
  }
  bool ok() const { return mem_ >= 0 && offsets_[0] != 0 && offsets_[1] != 0; }

  // trial_count and sample_count of the process now.
  bool Read(int32_t* trials, int32_t* samples) const {
    return ::pread(mem_, trials, 4, static_cast<off_t>(offsets_[0])) == 4 &&
           ::pread(mem_, samples, 4, static_cast<off_t>(offsets_[1])) == 4;
  }

 private:
  pid_t pid_;
  uint64_t offsets_[2] = {0, 0};
  int mem_ = -1;
};

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
      if (e.path().extension() == ".csv") out.push_back(e.path());
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  std::vector<std::string> env_;
};

struct Snapshot {
  Clock::time_point at;
  int32_t trials, samples;
};

TEST_F(KillRecoveryTest, RunKilledMidwayIsRecoveredAtTheNextStart) {
  std::vector<Snapshot> seen;
  {
    ProgramProcess app(program_.string(), {"--sensor=sim"}, dir_.string(), env_);
    ASSERT_TRUE(WaitForWindow("^DirectDraw Application$", 30s)) << "no main frame";
    ASSERT_TRUE(Xdo("mousemove --sync 960 700"));
    ASSERT_TRUE(Xdo("click 1"));
    const auto dialog = WaitForWindow("^Dialog$", 20s);
    ASSERT_TRUE(dialog) << "no setup dialog";
    Xdo("windowfocus --sync " + *dialog);
    std::this_thread::sleep_for(300ms);
    ASSERT_TRUE(Xdo("key --delay 50 ctrl+a"));
    ASSERT_TRUE(Xdo("type --delay 50 KILL01"));
    ASSERT_TRUE(Xdo("key --delay 100 Tab Tab ctrl+a"));
    ASSERT_TRUE(Xdo("type --delay 50 600"));  // the run must not end by itself
    ASSERT_TRUE(Xdo("key Return"));
    const auto stage = WaitForWindow("^Experiment Window$", 20s);
    ASSERT_TRUE(stage) << "no stage window";
    const auto pid_text = RunCommand("xdotool getwindowpid " + *stage);
    ASSERT_TRUE(pid_text) << "the stage window names no process";
    const pid_t pid = std::stoi(*pid_text);

    const ProcessVariables counts(program_, pid);
    ASSERT_TRUE(counts.ok()) << "cannot read trial_count / sample_count of the running program";
    // Watch the run until a few balloons are popped, then kill it mid-run.
    const auto deadline = Clock::now() + 90s;
    const auto earliest_kill = Clock::now() + 4s;
    while (Clock::now() < deadline) {
      Snapshot s{Clock::now(), 0, 0};
      ASSERT_TRUE(counts.Read(&s.trials, &s.samples));
      seen.push_back(s);
      if (s.trials >= 3 && s.at >= earliest_kill) break;
      std::this_thread::sleep_for(5ms);
    }
    ASSERT_GE(seen.back().trials, 3) << "the simulated child popped too few balloons ("
                                     << seen.back().samples << " body samples stored)";
    std::this_thread::sleep_for(370ms);  // somewhere between two journal syncs
    Snapshot last{Clock::now(), 0, 0};
    ASSERT_TRUE(counts.Read(&last.trials, &last.samples));
    seen.push_back(last);
    ASSERT_EQ(::kill(pid, SIGKILL), 0);
    const Clock::time_point killed_at = Clock::now();
    ASSERT_TRUE(app.WaitForExit(10s));
    WaitForWindowGone("^Experiment Window$", 10s);

    // Nothing written yet: the run's data is only in its journal.
    EXPECT_TRUE(ResultFiles().empty());
    ASSERT_TRUE(fs::exists(dir_ / ".tavelin2-journal"));

    // What was stored one second before the kill.
    Snapshot second_before{killed_at, 0, 0};
    for (const Snapshot& s : seen) {
      if (s.at <= killed_at - 1s) second_before = s;
    }
    ASSERT_NE(second_before.at, killed_at) << "no observation a second before the kill";
    seen = {second_before, last};
  }

  ProgramProcess again(program_.string(), {"--sensor=sim"}, dir_.string(), env_);
  const auto box = WaitForWindow("^tavelin2$", 30s);
  ASSERT_TRUE(box) << "no word about the recovered run; the program "
                   << (again.Running() ? "runs without it" : "has ended");
  const std::vector<fs::path> files = ResultFiles();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_TRUE(files[0].filename().string().starts_with("KILL01_"));
  EXPECT_EQ(files[1].filename().string(),
            files[0].stem().string() + "_B.csv");  // "…_hhmmss.csv" and "…_hhmmss_B.csv"
  EXPECT_FALSE(fs::exists(dir_ / ".tavelin2-journal"));
  Xdo("windowfocus --sync " + *box);
  Xdo("key Return");

  const auto trials = Rows(ReadAll(files[0]), 19);
  const auto samples = Rows(ReadAll(files[1]), 41);
  const Snapshot& second_before = seen[0];
  const Snapshot& last = seen[1];
  EXPECT_GE(int32_t(trials.size()), second_before.trials);
  EXPECT_GE(int32_t(samples.size()), second_before.samples);
  // Nothing invented: at most the pass that ran after the last look.
  EXPECT_LE(int32_t(trials.size()), last.trials + 1);
  EXPECT_LE(int32_t(samples.size()), last.samples + 6);
  for (size_t i = 0; i < trials.size(); ++i) {
    EXPECT_EQ(trials[i][0], "KILL01");
    EXPECT_EQ(trials[i][3], std::to_string(i));
  }
  for (size_t i = 0; i < samples.size(); ++i) EXPECT_EQ(samples[i][0], std::to_string(i + 1));
  std::cout << "stored " << last.trials << " trials, " << last.samples << " samples at the kill; "
            << second_before.trials << " / " << second_before.samples
            << " a second before; recovered " << trials.size() << " / " << samples.size() << "\n";

  Xdo("search --name '^DirectDraw Application$' windowfocus --sync");
  Xdo("key --delay 200 alt+f x");
  again.WaitForExit(20s);
}

}  // namespace
