// tavelin2 --reanalyse on a recorded session: the result files of a short
// camera run with its session video (a street clip with people) and frame
// table, analysed again picture by picture.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "e2e/recorded_session.h"
#include "e2e/x11_driver.h"
#include "results/result_format.h"
#include "results/timing_format.h"

namespace fs = std::filesystem;

namespace {

using recorded_session::ClockOf;
using recorded_session::kFrames;
using recorded_session::kRestartFrame;
using recorded_session::ReadWhole;
const std::string kRun = "P01_20261210_101500";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line + "\n");
  return lines;
}

std::vector<int> Fields(const std::string& line) {
  std::vector<int> fields;
  std::istringstream in(line);
  for (std::string field; std::getline(in, field, ',');) fields.push_back(std::stoi(field));
  return fields;
}

class ReanalyseTest : public testing::Test {
 protected:
  void SetUp() override {
    if (recorded_session::StreetClip().empty())
      GTEST_SKIP() << "the street clip is missing (Debian package opencv-doc)";
    std::string why;
    const auto workspace = MakeProgramWorkspace("reanalyse", &why);
    ASSERT_TRUE(workspace) << why;
    program_ = workspace->program;
    dir_ = workspace->dir;
    run_ = dir_ / "run";
    fs::create_directory(run_);
    recorded_session::WriteSession(run_ / kRun);
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  fs::path RunFile(const std::string& ending) const { return run_ / (kRun + ending); }
  void WriteVideo(const ClipOptions& options) const {
    recorded_session::WriteVideo(run_ / kRun, options);
  }
  void WriteFrameTable(int rows) const { recorded_session::WriteFrameTable(run_ / kRun, rows); }

  // The program's exit status; its standard output in stdout_, its standard error in stderr_.
  int Reanalyse(const std::vector<std::string>& args) {
    std::string command = "'" + program_.string() + "' --reanalyse";
    for (const std::string& arg : args) command += " '" + arg + "'";
    const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
    command += " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    stdout_ = ReadWhole(out);
    stderr_ = ReadWhole(err);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  fs::path program_, dir_, run_;
  std::string stdout_, stderr_;
};

TEST_F(ReanalyseTest, TwoReanalysesGiveIdenticalFilesOfEveryPictureOnTheRunClock) {
  const std::string trial_before = ReadWhole(RunFile(".csv"));
  const std::string timing_before = ReadWhole(RunFile("_T.csv"));
  for (const char* out : {"a", "b"})
    ASSERT_EQ(Reanalyse({RunFile(".csv").string(), "--out", (dir_ / out).string()}), 0) << stderr_;
  EXPECT_NE(stderr_.find(std::to_string(kFrames) + "/" + std::to_string(kFrames) + " frames"),
            std::string::npos)
      << "progress on stderr: " << stderr_;
  for (const char* ending : {"_B.csv", "_T.csv", "_reanalysis.json"}) {
    const std::string a = ReadWhole(dir_ / "a" / (kRun + ending));
    EXPECT_FALSE(a.empty()) << ending;
    EXPECT_EQ(a, ReadWhole(dir_ / "b" / (kRun + ending))) << ending << " differs between runs";
    EXPECT_EQ(fs::status(dir_ / "a" / (kRun + ending)).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << ending;
  }
  EXPECT_EQ(ReadWhole(RunFile(".csv")), trial_before) << "the trial file is never changed";
  EXPECT_EQ(ReadWhole(RunFile("_T.csv")), timing_before) << "the live timing file stays";

  // The body file: the live header, every row on a picture's run clock, the
  // trial in progress at it (start balloon popped at 200 before the restart,
  // trial 1 at 250 after it).
  const std::vector<std::string> body = Lines(ReadWhole(dir_ / "a" / (kRun + "_B.csv")));
  ASSERT_GT(body.size(), 1u) << "the street clip shows people";
  EXPECT_EQ(body[0], std::string(kBodyFileHeader));
  // Trial and Target_x at each picture's clock: the start balloon's until
  // the restart, then trial 1's (also after its pop: the last balloon).
  std::map<int, std::pair<int, int>> trial_at_clock;
  for (int frame = 1; frame < kFrames; ++frame) {
    const int clock = *ClockOf(frame);
    trial_at_clock[clock] = frame < kRestartFrame ? std::pair(clock > 200 ? 1 : 0, 480)
                                                  : std::pair(clock > 250 ? 2 : 1, 300);
  }
  for (size_t i = 1; i < body.size(); ++i) {
    const std::vector<int> row = Fields(body[i]);
    ASSERT_EQ(row.size(), 41u) << body[i];
    EXPECT_EQ(row[0], int(i)) << "Count";
    ASSERT_TRUE(trial_at_clock.count(row[1])) << "Clock " << row[1] << " is no picture's";
    EXPECT_EQ(row[2], trial_at_clock[row[1]].first) << "Trial at " << row[1];
    EXPECT_EQ(row[4], trial_at_clock[row[1]].second) << "Target_x at " << row[1];
  }

  // The timing file keeps the live run's own times beside the new ones.
  const std::vector<std::string> timing = Lines(ReadWhole(dir_ / "a" / (kRun + "_T.csv")));
  ASSERT_EQ(timing.size(), 3u);
  EXPECT_EQ(timing[0], std::string(kTimingFileHeader));
  for (size_t i = 1; i < timing.size(); ++i) {
    const std::vector<int> row = Fields(timing[i]), live = Fields(Lines(timing_before)[i]);
    ASSERT_EQ(row.size(), 9u);
    for (int column : {0, 1, 2, 4, 5})
      EXPECT_EQ(row[column], live[column]) << "column " << column << " of trial " << i - 1;
  }

  const nlohmann::json record =
      nlohmann::json::parse(ReadWhole(dir_ / "a" / (kRun + "_reanalysis.json")));
  EXPECT_EQ(record["frames"]["in_table"], kFrames);
  EXPECT_EQ(record["frames"]["analysed"], kFrames);
  EXPECT_EQ(record["frames"]["without_clock"], 1);
  EXPECT_EQ(record["counts"]["body_samples"], body.size() - 1);
  EXPECT_EQ(record["camera_ini"]["pose_input_width"], "256");
  EXPECT_EQ(record["sources"]["video"]["sha256"].get<std::string>().size(), 64u);
  EXPECT_FALSE(record["models"].empty());
}

// What `run/*.csv` hands over: the run's companion files name the run, which
// is analysed once.
TEST_F(ReanalyseTest, EveryCsvFileOfTheRunNamesItOnce) {
  ASSERT_EQ(Reanalyse({RunFile("_B.csv").string(), RunFile("_T.csv").string(),
                       RunFile("_V.csv").string(), RunFile(".csv").string(), "--out",
                       (dir_ / "a").string()}),
            0)
      << stderr_;
  EXPECT_EQ(stdout_, RunFile(".csv").string() + "\n");
  EXPECT_TRUE(fs::exists(dir_ / "a" / (kRun + "_reanalysis.json")));
}

TEST_F(ReanalyseTest, ASetOptionChangesTheModelsInputAndIsRecorded) {
  ASSERT_EQ(Reanalyse({"--set", "pose_input_width=320", RunFile(".csv").string(), "--out",
                       (dir_ / "a").string()}),
            0)
      << stderr_;
  const nlohmann::json record =
      nlohmann::json::parse(ReadWhole(dir_ / "a" / (kRun + "_reanalysis.json")));
  EXPECT_EQ(record["camera_ini"]["pose_input_width"], "320");
  EXPECT_EQ(Reanalyse({"--set", "pose_input_width=wide", RunFile(".csv").string(), "--out",
                       (dir_ / "b").string()}),
            2);
}

// A run whose video cannot be analysed whole: exit 1, a message naming the
// run, and nothing in the output folder.
TEST_F(ReanalyseTest, AMissingOrBrokenVideoLeavesNoFiles) {
  struct Case {
    const char* name;
    std::function<void()> damage;
  };
  const Case cases[] = {
      {"no video", [this] { fs::remove(RunFile("_V.avi")); }},
      {"no frame table", [this] { fs::remove(RunFile("_V.csv")); }},
      {"an undecodable picture",
       [this] {
         ClipOptions garbage;
         garbage.garbage_at = 5;
         WriteVideo(garbage);
       }},
      {"a table shorter than the video", [this] { WriteFrameTable(kFrames - 1); }},
      {"a video cut short", [this] {
         const std::string whole = ReadWhole(RunFile("_V.avi"));
         std::ofstream(RunFile("_V.avi"), std::ios::binary) << whole.substr(0, whole.size() / 2);
       }}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteVideo({});
    WriteFrameTable(kFrames);
    c.damage();
    const fs::path out = dir_ / "out";
    fs::remove_all(out);
    EXPECT_EQ(Reanalyse({RunFile(".csv").string(), "--out", out.string()}), 1);
    EXPECT_NE(stderr_.find(kRun + ".csv not re-analysed"), std::string::npos) << stderr_;
    EXPECT_TRUE(fs::is_empty(out)) << "nothing partial";
  }
}

TEST_F(ReanalyseTest, TheRunsOwnFolderIsNoOutputFolder) {
  const std::string body_before = ReadWhole(RunFile("_B.csv"));
  EXPECT_EQ(Reanalyse({RunFile(".csv").string(), "--out", run_.string()}), 1);
  EXPECT_EQ(ReadWhole(RunFile("_B.csv")), body_before);
}

}  // namespace
