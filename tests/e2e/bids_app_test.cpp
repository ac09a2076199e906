// tavelin2 --bids-app over a Motion-BIDS dataset exported from two recorded
// camera sessions: the participant level for one label, then the other, then
// the group table; the files equal what --reanalyse writes for the runs.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>

#include "e2e/recorded_session.h"
#include "e2e/x11_driver.h"

namespace fs = std::filesystem;
using recorded_session::ReadWhole;

namespace {

const std::string kRuns[] = {"P01_20261210_101500", "P02_20261211_091500"};

// The record without the source files' paths (a dataset's copy lies elsewhere
// than the lab's original; their digests stay).
nlohmann::json WithoutPaths(const fs::path& record_file) {
  nlohmann::json record = nlohmann::json::parse(ReadWhole(record_file));
  for (auto& [name, source] : record["sources"].items()) {
    if (source.is_object()) source.erase("path");
  }
  return record;
}

class BidsAppTest : public testing::Test {
 protected:
  void SetUp() override {
    if (recorded_session::StreetClip().empty())
      GTEST_SKIP() << "the street clip is missing (Debian package opencv-doc)";
    std::string why;
    const auto workspace = MakeProgramWorkspace("bids-app", &why);
    ASSERT_TRUE(workspace) << why;
    program_ = workspace->program;
    dir_ = workspace->dir;
    fs::create_directory(dir_ / "run");
    for (const std::string& run : kRuns) recorded_session::WriteSession(dir_ / "run" / run);
    ASSERT_EQ(Program({"--export-bids", Path("ds"), Path("run/" + kRuns[0] + ".csv"),
                       Path("run/" + kRuns[1] + ".csv")}),
              0)
        << stderr_;
  }
  void TearDown() override {
    if (!dir_.empty()) fs::remove_all(dir_);
  }

  std::string Path(const std::string& relative) const { return (dir_ / relative).string(); }

  // The program's exit status; its standard error in stderr_.
  int Program(const std::vector<std::string>& args) {
    std::string command = "'" + program_.string() + "'";
    for (const std::string& arg : args) command += " '" + arg + "'";
    command += " >/dev/null 2>'" + Path("stderr.txt") + "'";
    const int status = std::system(command.c_str());
    stderr_ = ReadWhole(dir_ / "stderr.txt");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  int BidsApp(const std::vector<std::string>& rest) {
    std::vector<std::string> args = {"--bids-app", Path("ds"), Path("out")};
    args.insert(args.end(), rest.begin(), rest.end());
    return Program(args);
  }

  fs::path program_, dir_;
  std::string stderr_;
};

TEST_F(BidsAppTest, ParticipantsOneByOneThenGroupGiveWhatReanalyseWrites) {
  for (const std::string& run : kRuns) {
    const std::string subject_dir = "ds/sourcedata/sub-" + run.substr(0, 3) + "/";
    for (const char* ending : {".csv", "_T.csv", "_run.json", "_V.avi", "_V.csv"})
      EXPECT_EQ(ReadWhole(Path(subject_dir + run + ending)), ReadWhole(Path("run/" + run + ending)))
          << "the export keeps " << run << ending;
  }

  ASSERT_EQ(BidsApp({"participant", "--participant_label", "P01"}), 0) << stderr_;
  EXPECT_TRUE(fs::exists(Path("out/sub-P01/" + kRuns[0] + "_B.csv")));
  EXPECT_FALSE(fs::exists(Path("out/sub-P02"))) << "only the label asked for";
  ASSERT_EQ(BidsApp({"participant", "--participant_label", "sub-P02"}), 0) << stderr_;
  ASSERT_EQ(BidsApp({"group"}), 0) << stderr_;

  ASSERT_EQ(Program({"--reanalyse", Path("run/" + kRuns[0] + ".csv"),
                     Path("run/" + kRuns[1] + ".csv"), "--out", Path("local")}),
            0)
      << stderr_;
  for (const std::string& run : kRuns) {
    const std::string out = "out/sub-" + run.substr(0, 3) + "/" + run;
    for (const char* ending : {"_B.csv", "_T.csv"}) {
      EXPECT_FALSE(ReadWhole(Path(out + ending)).empty()) << out << ending;
      EXPECT_EQ(ReadWhole(Path(out + ending)), ReadWhole(Path("local/" + run + ending)))
          << out << ending;
    }
    EXPECT_EQ(WithoutPaths(Path(out + "_reanalysis.json")),
              WithoutPaths(Path("local/" + run + "_reanalysis.json")))
        << out;
  }

  // One row per run; the start balloon is no trial, trial 1's RT is the trial file's 250.
  std::istringstream table(ReadWhole(Path("out/group_reanalysis.tsv")));
  std::vector<std::string> lines;
  for (std::string line; std::getline(table, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 3u) << ReadWhole(Path("out/group_reanalysis.tsv"));
  EXPECT_TRUE(lines[0].starts_with("participant_id\tsession_id\trun\tsource_file\t")) << lines[0];
  for (size_t i = 0; i < 2; ++i) {
    const nlohmann::json record =
        nlohmann::json::parse(ReadWhole(Path("local/" + kRuns[i] + "_reanalysis.json")));
    std::vector<std::string> cells;
    std::istringstream row(lines[i + 1]);
    for (std::string cell; std::getline(row, cell, '\t');) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 14u) << lines[i + 1];
    EXPECT_EQ(cells[0], "sub-" + kRuns[i].substr(0, 3));
    EXPECT_EQ(cells[1], "n/a");
    EXPECT_EQ(cells[2], "1");
    EXPECT_EQ(cells[3], kRuns[i] + ".csv");
    EXPECT_EQ(cells[4], std::to_string(recorded_session::kFrames));
    EXPECT_EQ(cells[5], std::to_string(recorded_session::kFrames));
    EXPECT_EQ(cells[6], "1");
    EXPECT_EQ(cells[7], record["counts"]["body_samples"].dump());
    EXPECT_EQ(cells[8], "1");
    EXPECT_EQ(cells[11], "250.0");
  }
}

// What cannot be done is named with the run and makes the status 1; a bad
// command line makes it 2.
TEST_F(BidsAppTest, FailuresAsReanalyse) {
  struct Case {
    const char* name;
    std::vector<std::string> args;
    int status;
    std::string said;
  };
  const Case cases[] = {
      {"no level", {}, 2, "usage"},
      {"an unknown level", {"subject"}, 2, "usage"},
      {"a label without value", {"participant", "--participant_label"}, 2, "labels"},
      {"a bad --set", {"participant", "--set", "pose_input_width=wide"}, 2, "pose_input_width"},
      {"a label not in the dataset", {"participant", "--participant_label", "P09"}, 1, "P09"},
      {"group before participant",
       {"group"},
       1,
       "sub-P01 run-1 (" + kRuns[0] + ".csv) not re-analysed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BidsApp(c.args), c.status);
    EXPECT_NE(stderr_.find(c.said), std::string::npos) << stderr_;
  }

  // A dataset without the run's video: the other participant is still done.
  fs::remove(Path("ds/sourcedata/sub-P01/" + kRuns[0] + "_V.avi"));
  EXPECT_EQ(BidsApp({"participant"}), 1);
  EXPECT_NE(stderr_.find(kRuns[0] + ".csv) not re-analysed"), std::string::npos) << stderr_;
  EXPECT_TRUE(fs::is_empty(Path("out/sub-P01"))) << "nothing partial";
  EXPECT_TRUE(fs::exists(Path("out/sub-P02/" + kRuns[1] + "_T.csv")));
}

}  // namespace
