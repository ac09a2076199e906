// From one file of a run to another, and from the files a user names to the
// runs they mean.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state/run_file_endings.h"

namespace {

TEST(TrialFileFor, EveryFileOfARunLeadsToItsTrialFile) {
  const std::pair<const char*, const char*> cases[] = {
      {"d/S_20160305_090702.csv", "d/S_20160305_090702.csv"},
      {"d/S_20160305_090702_B.csv", "d/S_20160305_090702.csv"},
      {"d/S_20160305_090702_T.csv", "d/S_20160305_090702.csv"},
      {"d/S_20160305_090702_V.csv", "d/S_20160305_090702.csv"},
      {"d/S_20160305_090702_V.avi", "d/S_20160305_090702.csv"},
      {"d/S_20160305_090702_run.json", "d/S_20160305_090702.csv"},
      {"d/S_20160305_090702_run-2.json", "d/S_20160305_090702.csv"},  // a second run appended
      {"_20160305_090702_B.csv", "_20160305_090702.csv"},             // an empty subject
      {"d/S_B_20160305_090702.csv", "d/S_B_20160305_090702.csv"},     // a subject ending in _B
      {"d/S_20160305_090702_run-.json", "d/S_20160305_090702_run-.json"},
      {"d/S_20160305_09070_B.csv", "d/S_20160305_09070_B.csv"},  // a digit short
      {"d/S_2016030x_090702_B.csv", "d/S_2016030x_090702_B.csv"},
      {"notes_B.csv", "notes_B.csv"},
      {"d/S_20160305_090702_report.pdf", "d/S_20160305_090702_report.pdf"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(TrialFileFor(in), out) << in;
}

// What a shell glob over a run's folder hands over: each run once, in the
// order first named, its companion files never taken for runs of their own.
TEST(TrialFilesFor, CompanionFilesNameTheirRunOnce) {
  struct Case {
    const char* name;
    std::vector<std::string> given, runs;
  };
  const Case cases[] = {
      {"a run's csv files with its video's frame table",
       {"r/S_20160305_090702.csv", "r/S_20160305_090702_B.csv", "r/S_20160305_090702_T.csv",
        "r/S_20160305_090702_V.csv"},
       {"r/S_20160305_090702.csv"}},
      {"a companion file named before its trial file",
       {"r/S_20160305_090702_V.csv", "r/S_20160305_090702.csv"},
       {"r/S_20160305_090702.csv"}},
      {"two runs, in the order first named",
       {"r/T_20160305_100000_B.csv", "r/S_20160305_090702.csv", "r/T_20160305_100000.csv",
        "r/S_20160305_090702_run.json"},
       {"r/T_20160305_100000.csv", "r/S_20160305_090702.csv"}},
      {"the same run in two folders is two runs",
       {"a/S_20160305_090702_B.csv", "b/S_20160305_090702_B.csv"},
       {"a/S_20160305_090702.csv", "b/S_20160305_090702.csv"}},
      {"a file of no run is kept as named", {"notes.csv", "notes.csv"}, {"notes.csv"}},
      {"nothing named", {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(TrialFilesFor(c.given), c.runs) << c.name;
}

TEST(ParseResultFileName, SubjectAndStartFromTheNamesThatCarryThem) {
  struct Case {
    const char* path;
    bool parsed;
    std::string subject;
    LocalDateTime start;
  };
  const Case cases[] = {
      {"d/S_20160305_090702.csv", true, "S", {2016, 3, 5, 9, 7, 2, 0}},
      {"d/S_20160305_090702_B.csv", true, "S", {2016, 3, 5, 9, 7, 2, 0}},
      {"d/S_20160305_090702_T.csv", true, "S", {2016, 3, 5, 9, 7, 2, 0}},
      {"a_b_19991231_235959.csv", true, "a_b", {1999, 12, 31, 23, 59, 59, 0}},
      {"d_20160305_090702/x.csv", false, "", {}},  // the time is in the folder's name
      {"S_20160305_090702_V.csv", false, "", {}},
      {"S_20160305_090702_run.json", false, "", {}},
      {"S_20160305_090702.txt", false, "", {}},
  };
  for (const Case& c : cases) {
    std::string subject = "unset";
    LocalDateTime start{};
    EXPECT_EQ(ParseResultFileName(c.path, &subject, &start), c.parsed) << c.path;
    if (!c.parsed) continue;
    EXPECT_EQ(subject, c.subject) << c.path;
    const auto fields = [](const LocalDateTime& t) {
      return std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second};
    };
    EXPECT_EQ(fields(start), fields(c.start)) << c.path;
  }
}

}  // namespace
