// The Motion-BIDS export of the committed fixture run: its channel table,
// motion rows and events; subject labels BIDS allows; several runs of one
// subject; adding to a dataset; and a broken input that must leave the
// dataset exactly as it was.

#include "export/bids_export.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "export/bids_events.h"
#include "export/bids_participants.h"
#include "results/run_timeline.h"

namespace {

namespace fs = std::filesystem;

const std::string kStem = "P-01_20240611_101500";
const std::string kSub = "sub-P01/motion/sub-P01_task-balloons_";

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

// Every file under `dir` with its content.
std::map<std::string, std::string> Snapshot(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    files[fs::relative(e.path(), dir).string()] =
        e.is_regular_file() ? ReadFile(e.path()) : "<dir>";
  }
  return files;
}

class BidsExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/t2-bids-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    root_ = pattern;
    in_ = root_ / "in";
    out_ = root_ / "out";
    fs::create_directories(in_);
    const char* source = std::getenv("T2_SOURCE_DIR");
    const fs::path fixtures =
        (source != nullptr ? fs::path(source) / "tests/export" : fs::path(__FILE__).parent_path()) /
        "fixtures";
    for (const auto& e : fs::directory_iterator(fixtures)) fs::copy(e.path(), in_);
  }
  void TearDown() override { fs::remove_all(root_); }

  // A copy of the fixture run that started `minutes` later, as `subject`
  // (bytes as they stand in the rows), without its timing file and run record.
  std::string CopyRun(int minutes, const std::string& subject = "P-01",
                      const std::string& name_subject = "P-01") {
    const std::string time = "10:" + std::to_string(15 + minutes) + ":00";
    const std::string stem = name_subject + "_20240611_10" + std::to_string(15 + minutes) + "00";
    std::string trial = ReadFile(in_ / (kStem + ".csv"));
    for (size_t at; (at = trial.find("P-01,2024/06/11,10:15:00")) != std::string::npos;) {
      trial.replace(at, 24, subject + ",2024/06/11," + time);
    }
    WriteFile(in_ / (stem + ".csv"), trial);
    fs::copy(in_ / (kStem + "_B.csv"), in_ / (stem + "_B.csv"));
    return (in_ / (stem + ".csv")).string();
  }

  BidsExportResult Export(std::vector<std::string> inputs, std::string session = "") {
    BidsExportOptions options;
    options.out_dir = out_.string();
    options.inputs = std::move(inputs);
    options.session = std::move(session);
    return ExportBids(options);
  }

  std::string Fixture() const { return (in_ / (kStem + ".csv")).string(); }

  fs::path root_, in_, out_;
};

TEST_F(BidsExportTest, ChannelTableOfTheFixtureRun) {
  const BidsExportResult result = Export({Fixture()});
  ASSERT_TRUE(result.ok) << result.error;
  const auto channels = Lines(ReadFile(out_ / (kSub + "tracksys-sim_run-1_channels.tsv")));
  ASSERT_EQ(channels.size(), 1u + 1 + 32 + 2 + 3);
  EXPECT_EQ(channels[0],
            "name\tcomponent\ttype\ttracked_point\tunits\treference_frame\tdescription");
  // Frames are uneven (pauses after pops, a frame without the child): a latency channel.
  EXPECT_EQ(
      channels[1],
      "latency\tn/a\tLATENCY\tn/a\ts\tn/a\ttime of the camera frame in seconds from the first row");
  EXPECT_EQ(channels[9], "head_y\ty\tPOS\thead\tpx\tpicture\ty of the head joint");
  EXPECT_EQ(channels[34], "balloon_x\tx\tPOS\tballoon\tpx\tpicture\tx of the balloon centre");
  EXPECT_EQ(channels[38],
            "body_id\tn/a\tMISC\tn/a\tn/a\tn/a\ttracker id of the exported body (the participant)");
  const std::string motion_json = ReadFile(out_ / (kSub + "tracksys-sim_run-1_motion.json"));
  for (const char* key : {"\"SamplingFrequency\": 30.303", "\"TaskName\": \"balloons\"",
                          "\"POSChannelCount\": 34", "\"LATENCYChannelCount\": 1",
                          "\"MissingValues\": \"n/a\"", "\"SamplingFrequencyEffective\": 3.321"}) {
    EXPECT_NE(motion_json.find(key), std::string::npos) << key;
  }
  EXPECT_NE(ReadFile(out_ / (kSub + "tracksys-sim_run-1_channels.json")).find("DOWNWARD"),
            std::string::npos);
}

TEST_F(BidsExportTest, MotionRowsFollowTheChildOnOneTimeAxis) {
  ASSERT_TRUE(Export({Fixture()}).ok);
  const auto rows = Lines(ReadFile(out_ / (kSub + "tracksys-sim_run-1_motion.tsv")));
  ASSERT_EQ(rows.size(), 12u);  // one row per frame; the parent's samples are not rows
  // Mirror display off: the head is brought to the displayed side like the
  // limbs (400 -> 560); the balloon, hand shapes and the child's id close the row.
  EXPECT_EQ(rows[0],
            "0.000\t560\t400\t560\t330\t560\t260\t560\t200\t620\t250\t490\t240\t605\t300\t515\t300"
            "\t590\t265\t530\t265\t580\t400\t540\t400\t582\t460\t538\t460\t584\t520\t536\t520\t480"
            "\t270\t1\t3\t7");
  EXPECT_TRUE(
      rows[1].starts_with("0.033\t560\t400\t560\t330\t560\t260\tn/a\tn/a\t620\t"))  // head -1,-1
      << rows[1];
  // A frame in which only the parent was tracked: the child's channels are n/a.
  std::string parent_only = "0.066";
  for (int i = 0; i < 32; ++i) parent_only += "\tn/a";
  EXPECT_EQ(rows[2], parent_only + "\t480\t270\tn/a\tn/a\tn/a");
  // The mirrored untracked foot (961,-1) is missing, not a position.
  EXPECT_NE(rows[5].find("\t579\t520\tn/a\tn/a\t200\t150"), std::string::npos) << rows[5];
  // After the start balloon the clock restarted: frame 20 of trial 1 lies at
  // 132 + 1000 + 20 ms on the run's axis, 1.119 s after the first frame.
  EXPECT_EQ(rows[4].substr(0, 6), "1.119\t");
  EXPECT_EQ(rows[11].substr(0, 6), "3.312\t");
}

TEST_F(BidsExportTest, EventRowsOfTheFixtureRun) {
  ASSERT_TRUE(Export({Fixture()}).ok);
  const auto events =
      Lines(ReadFile(out_ / "sub-P01/motion/sub-P01_task-balloons_run-1_events.tsv"));
  const std::vector<std::string> expected = {
      "onset\tduration\ttrial_type\ttrial\tballoon_x\tballoon_y\tballoon_sign\tjanken_condition\t"
      "onset_from\tmirror\tresponse_site\tresponse_time\tresponse_time_picture\thand_left_shape\t"
      "hand_right_shape\tbody_id",
      // Shown 17 ms after the run's start, 16 ms before the first frame.
      "-0.016\t0.115\tstart_balloon\t0\t480\t270\tscissors\tnormal\tshown\tn/a\tn/a\tn/a\tn/a\tn/"
      "a\tn/a\tn/a",
      "0.099\t0.000\tstart_pop\t0\t480\t270\tscissors\tnormal\tn/"
      "a\t0\tHand_R\t0.132\t0.103\trock\tpaper\t7",
      "1.115\t0.070\tballoon\t1\t200\t150\tpaper\tnormal\tshown\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a",
      "1.185\t0.000\tpop\t1\t200\t150\tpaper\tnormal\tn/a\t0\tHand_L\t0.086\t0.054\trock\trock\t7",
      "2.204\t0.061\tballoon\t2\t700\t120\trock\tnormal\tshown\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a\tn/a",
      // The timing file does not know this pop's picture: n/a, not -1.
      "2.265\t0.000\tpop\t2\t700\t120\trock\tnormal\tn/a\t0\tHand_R\t0.076\tn/a\tpaper\tpaper\t7",
  };
  EXPECT_EQ(events, expected);
}

TEST_F(BidsExportTest, WithoutATimingFileBalloonsStartWhenPlaced) {
  const std::string second = CopyRun(15);
  ASSERT_TRUE(Export({second}).ok);
  const auto events =
      Lines(ReadFile(out_ / "sub-P01/motion/sub-P01_task-balloons_run-1_events.tsv"));
  ASSERT_EQ(events.size(), 7u);
  // Placed at the run's start, 33 ms before the first frame, popped at 132 ms.
  EXPECT_TRUE(events[1].starts_with("-0.033\t0.132\tstart_balloon\t0\t480\t270\t")) << events[1];
  EXPECT_NE(events[1].find("\tplaced\t"), std::string::npos);
  // Placed 1090 ms after the restart, which lies 1132 ms into the run.
  EXPECT_TRUE(events[5].starts_with("2.189\t0.076\tballoon\t2\t")) << events[5];
  // Without a run record the sensor is not known, and the label says so.
  EXPECT_TRUE(fs::exists(out_ / (kSub + "tracksys-unknown_run-1_motion.tsv")));
}

// RTs at the ends of the 32-bit range (a damaged row): the balloon's times
// are computed without overflow, so its duration is the RT as recorded.
TEST(BidsEvents, ExtremeReactionTimesKeepTheirValue) {
  const struct {
    int32_t rt, totalrt;
    const char* duration;
  } cases[] = {{INT32_MIN, 0, "-2147483.648"},
               {INT32_MIN, INT32_MAX, "-2147483.648"},
               {INT32_MAX, INT32_MIN, "2147483.647"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rt);
    ResultRun run;
    TrialRecord start;
    start.trial = 0, start.rt = 100, start.resp = "Head";
    TrialRecord late;
    late.trial = 1, late.rt = c.rt, late.totalrt = c.totalrt, late.resp = "Head";
    run.trials = {start, late};
    const RunTimeline timeline(run, nullptr);
    const auto rows = Lines(MakeEventsTsv(run, timeline, 0));
    const auto balloon = std::find_if(rows.begin(), rows.end(), [](const std::string& row) {
      return row.find("\tballoon\t1\t") != std::string::npos;
    });
    ASSERT_NE(balloon, rows.end());
    EXPECT_EQ(balloon->substr(balloon->find('\t') + 1, std::string(c.duration).size() + 1),
              std::string(c.duration) + "\t")
        << *balloon;
  }
}

// A response site read from a damaged trial file may hold a tab or a line
// break: it stays in its one cell, so every row keeps the header's columns.
TEST(BidsEvents, AResponseSiteWithControlCharactersStaysInItsCell) {
  const struct {
    const char *resp, *cell;
  } cases[] = {{"Hand\tR", "\tHand R\t"}, {"Hand\r\nR", "\tHand  R\t"}, {"", "\tn/a\t"}};
  for (const auto& [resp, cell] : cases) {
    SCOPED_TRACE(resp);
    ResultRun run;
    TrialRecord start;
    start.trial = 0, start.rt = 100, start.resp = resp;
    run.trials = {start};
    const RunTimeline timeline(run, nullptr);
    const auto rows = Lines(MakeEventsTsv(run, timeline, 0));
    ASSERT_EQ(rows.size(), 3u);
    for (const std::string& row : rows) {
      EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 15) << row;
    }
    EXPECT_NE(rows[2].find(cell), std::string::npos) << rows[2];
  }
}

TEST(BidsLabel, SubjectsBecomeLettersAndDigits) {
  const std::pair<const char*, const char*> cases[] = {
      {"SBJ0000", "SBJ0000"}, {"P-01", "P01"},   {"a b_c.d/e", "abcde"},  {"太郎01", "01"},
      {"../x", "x"},          {"", "x811c9dc5"}, {"被験者", "xb8bca4dd"},  // nothing left: a hash
                                                                           // of the subject, the
                                                                           // same every time
  };
  for (const auto& [subject, label] : cases) {
    EXPECT_EQ(BidsLabelCandidate(subject), label) << subject;
    EXPECT_TRUE(IsBidsLabel(BidsLabelCandidate(subject)));
  }
}

TEST_F(BidsExportTest, SubjectsWithForbiddenCharactersKeepTheirOriginalInParticipants) {
  // "P_01" makes the same label as "P-01": it gets another one. A Shift-JIS
  // subject of the Windows version is kept in UTF-8.
  const std::string other = CopyRun(20, "P_01", "P_01");
  const std::string japanese = CopyRun(25, "\x94\xed\x8c\xb1\x8e\xd2", "sjis");
  const BidsExportResult result = Export({Fixture(), other, japanese});
  ASSERT_TRUE(result.ok) << result.error;
  EXPECT_EQ(ReadFile(out_ / "participants.tsv"),
            "participant_id\toriginal_subject\n"
            "sub-P01\tP-01\n"
            "sub-P01dup2\tP_01\n"
            "sub-xb8bca4dd\t被験者\n");
  EXPECT_TRUE(fs::exists(out_ / "sub-P01dup2/motion/sub-P01dup2_task-balloons_run-1_events.tsv"));
  EXPECT_NE(ReadFile(out_ / "participants.json").find("original_subject"), std::string::npos);
}

TEST_F(BidsExportTest, TwoRunsOfOneSubjectThenAThirdAddedLater) {
  const std::string later = CopyRun(30);
  // Given in reverse order: run numbers follow the start times.
  BidsExportResult result = Export({later, Fixture()}, "day1");
  ASSERT_TRUE(result.ok) << result.error;
  const fs::path scans = out_ / "sub-P01/ses-day1/sub-P01_ses-day1_scans.tsv";
  const std::string prefix = "motion/sub-P01_ses-day1_task-balloons_";
  EXPECT_EQ(
      ReadFile(scans),
      "filename\tacq_time\tsource_file\tsource_run\n" + prefix +
          "tracksys-sim_run-1_motion.tsv\t2024-06-11T10:15:00\t" + kStem + ".csv\t1\n" + prefix +
          "tracksys-unknown_run-2_motion.tsv\t2024-06-11T10:45:00\tP-01_20240611_104500.csv\t1\n");

  // A later export adds run 3; exporting run 1 again replaces it in place.
  const std::string third = CopyRun(40);
  result = Export({third, Fixture()}, "day1");
  ASSERT_TRUE(result.ok) << result.error;
  const auto rows = Lines(ReadFile(scans));
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(
      rows[3],
      prefix +
          "tracksys-unknown_run-3_motion.tsv\t2024-06-11T10:55:00\tP-01_20240611_105500.csv\t1");
  EXPECT_EQ(Lines(ReadFile(out_ / "participants.tsv")).size(), 2u);
  EXPECT_TRUE(
      fs::exists(out_ / "sub-P01/ses-day1/motion/sub-P01_ses-day1_task-balloons_run-3_events.tsv"));
}

TEST_F(BidsExportTest, ABrokenInputLeavesTheDatasetAsItWas) {
  ASSERT_TRUE(Export({Fixture()}).ok);
  WriteFile(out_ / "participants.tsv", "participant_id\tage\toriginal_subject\nsub-P01\t5\tP-01\n");
  const auto before = Snapshot(out_);
  const std::string kFolder = "<folder>", kFifo = "<fifo>";
  struct Case {
    const char* name;
    std::string file;
    std::string content;  // "" removes it; kFolder, kFifo put one in its place
    std::string expected;
  } cases[] = {
      {"body row cut short", "_B.csv", "Count,Clock\r\n", "not a body file"},
      {"body file missing", "_B.csv", "", "is missing"},
      {"trial file unreadable", ".csv", "Subject,Date\r\n", "not a trial file"},
      {"run record not JSON", "_run.json", "{", "not a run record"},
      {"body file a folder", "_B.csv", kFolder, "_B.csv: cannot be read: it is a folder"},
      {"trial file a folder", ".csv", kFolder, ".csv: cannot be read: it is a folder"},
      {"timing file a FIFO", "_T.csv", kFifo, "_T.csv: cannot be read: it is a FIFO"},
      {"run record a folder", "_run.json", kFolder, "_run.json: cannot be read: it is a folder"},
  };
  ::alarm(60);  // a reader blocked on the FIFO ends the test instead of hanging it
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string later = CopyRun(30);
    const std::string broken = later.substr(0, later.size() - 4) + c.file;
    fs::remove(broken);
    if (c.content == kFolder) {
      fs::create_directory(broken);
    } else if (c.content == kFifo) {
      ASSERT_EQ(::mkfifo(broken.c_str(), 0600), 0);
    } else if (!c.content.empty()) {
      WriteFile(broken, c.content);
    }
    const BidsExportResult result = Export({Fixture(), later});
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find(c.expected), std::string::npos) << result.error;
    EXPECT_NE(result.error.find("P-01_20240611_104500"), std::string::npos) << result.error;
    EXPECT_EQ(Snapshot(out_), before);
    for (const auto& suffix : {".csv", "_B.csv", "_T.csv", "_run.json"}) {
      fs::remove_all(later.substr(0, later.size() - 4) + suffix);
    }
  }
  ::alarm(0);
  // A file of the dataset that cannot be read stops the export the same way.
  fs::rename(out_ / "participants.json", root_ / "participants.json");
  fs::create_directory(out_ / "participants.json");
  const auto with_folder = Snapshot(out_);
  const BidsExportResult result = Export({Fixture()});
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("participants.json: cannot be read: it is a folder"),
            std::string::npos)
      << result.error;
  EXPECT_EQ(Snapshot(out_), with_folder);
  fs::remove(out_ / "participants.json");
  fs::rename(root_ / "participants.json", out_ / "participants.json");
  // Nothing left beside the dataset either.
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 2);
}

// A timing file cut off inside a number: the run is exported with what is
// whole, and the notes say what is missing.
TEST_F(BidsExportTest, ACutOffTimingFileIsExportedWithNotesOfWhatIsMissing) {
  const std::string timing = ReadFile(in_ / (kStem + "_T.csv"));
  WriteFile(in_ / (kStem + "_T.csv"), timing.substr(0, timing.find("1,0,16,70,86,86,54") + 17));
  const BidsExportResult result = Export({Fixture()});
  ASSERT_TRUE(result.ok) << result.error;
  ASSERT_EQ(result.notes.size(), 2u) << ::testing::PrintToString(result.notes);
  EXPECT_NE(result.notes[0].find(kStem + "_T.csv: line 3 has no line end"), std::string::npos)
      << result.notes[0];
  EXPECT_NE(result.notes[1].find(kStem + "_T.csv: no timing row for trials 1 to 2"),
            std::string::npos)
      << result.notes[1];
  const auto events =
      Lines(ReadFile(out_ / "sub-P01/motion/sub-P01_task-balloons_run-1_events.tsv"));
  ASSERT_EQ(events.size(), 7u);
  EXPECT_NE(events[1].find("\tshown\t"), std::string::npos) << events[1];
  // Trial 1's pop picture time was cut to 5 ms: not used; its balloon counts from its placing.
  EXPECT_NE(events[3].find("\tballoon\t1\t"), std::string::npos) << events[3];
  EXPECT_NE(events[3].find("\tplaced\t"), std::string::npos) << events[3];
  EXPECT_NE(events[4].find("\tpop\t1\t"), std::string::npos) << events[4];
  EXPECT_NE(events[4].find("\t0.086\tn/a\t"), std::string::npos) << events[4];
}

// A move into the dataset that fails after others were made: those are put
// back (replaced files as they were, new files and folders gone).
TEST_F(BidsExportTest, AMoveThatFailsHalfwayIsUndone) {
  ASSERT_TRUE(Export({Fixture()}).ok);
  WriteFile(out_ / "participants.tsv", "participant_id\tage\toriginal_subject\nsub-P01\t5\tP-01\n");
  // The run's motion table cannot be replaced: a folder with a file is in its way.
  const fs::path motion = out_ / (kSub + "tracksys-sim_run-1_motion.tsv");
  fs::remove(motion);
  fs::create_directory(motion);
  WriteFile(motion / "notes.txt", "mine");
  const auto before = Snapshot(out_);
  // A new subject sorts first: its folder and files are moved in before the failure.
  const std::string other = CopyRun(30, "A-01", "A-01");
  const BidsExportResult result = Export({other, Fixture()});
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("cannot move " + kSub + "tracksys-sim_run-1_motion.tsv"),
            std::string::npos)
      << result.error;
  EXPECT_TRUE(result.left_changed.empty()) << ::testing::PrintToString(result.left_changed);
  EXPECT_EQ(Snapshot(out_), before);
  EXPECT_FALSE(fs::exists(out_ / "sub-A01"));
  EXPECT_EQ(std::distance(fs::directory_iterator(root_), fs::directory_iterator()), 2);
}

TEST_F(BidsExportTest, ABrokenInputCreatesNoDataset) {
  WriteFile(in_ / (kStem + "_B.csv"), "garbage");
  const BidsExportResult result = Export({Fixture()});
  EXPECT_FALSE(result.ok);
  EXPECT_FALSE(fs::exists(out_));
}

TEST_F(BidsExportTest, ARunWithoutBodyFramesIsSkippedWithANote) {
  const std::string empty = CopyRun(30);
  // Only the header and the first frame's first sample remain.
  const auto body = Lines(ReadFile(in_ / (kStem + "_B.csv")));
  WriteFile(empty.substr(0, empty.size() - 4) + "_B.csv", body[0] + "\n" + body[1] + "\n");
  BidsExportResult result = Export({empty});
  EXPECT_FALSE(result.ok);
  EXPECT_NE(result.error.find("nothing to export"), std::string::npos);
  EXPECT_FALSE(fs::exists(out_));
  result = Export({Fixture(), empty});
  ASSERT_TRUE(result.ok) << result.error;
  ASSERT_EQ(result.notes.size(), 1u);
  EXPECT_NE(result.notes[0].find("skipped"), std::string::npos);
}

}  // namespace
