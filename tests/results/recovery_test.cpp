// Start-up recovery of runs whose journal is still on disk.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "results/journal_file.h"
#include "results/result_format.h"
#include "results/run_journal.h"
#include "results/run_recovery.h"
#include "results_fixture.h"

namespace results_test {
namespace {

const std::string kTrialName = "SBJ0000_20160305_090702.csv";
const std::string kBodyName = "SBJ0000_20160305_090702_B.csv";
const std::string kTimingName = "SBJ0000_20160305_090702_T.csv";
const std::string kRecordName = "SBJ0000_20160305_090702_run.json";

class RecoveryTest : public ScratchDirTest {
 protected:
  fs::path journal_dir() const { return work_ / ".tavelin2-journal"; }

  std::vector<RecoveredRun> Recover() {
    const std::vector<std::string> journals{journal_dir().string()};
    const std::vector<std::string> rescue{rescue_dir().string()};
    return RecoverUnfinishedRuns(journals, rescue);
  }

  // A run that stored the fixture records and then died: its journal is left
  // unlocked on disk, as after a kill.
  std::string CrashedRun(const std::function<void(RunJournal&)>& before_death = {}) {
    RunJournal journal({journal_dir().string()});
    EXPECT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
    for (size_t i = 0; i < trials_.size(); ++i) journal.OnTrialStored(int32_t(i), trials_[i]);
    for (size_t i = 0; i < samples_.size(); ++i) journal.OnSampleStored(int32_t(i), samples_[i]);
    if (before_death) before_death(journal);
    journal.Seal();
    return journal.path();  // the destructor closes it and keeps it
  }

  const std::vector<TrialRecord> trials_ = FixtureTrials();
  const std::vector<BodySample> samples_ = FixtureSamples();
};

TEST_F(RecoveryTest, WritesTheFilesTheRunWouldHaveWrittenAndRemovesTheJournal) {
  const std::string journal = CrashedRun();

  const std::vector<RecoveredRun> runs = Recover();

  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].journal_path, journal);
  EXPECT_TRUE(runs[0].outcome.both_in_place());
  EXPECT_EQ(ReadFile(work_ / kTrialName), Golden("trial_fresh.csv"));
  EXPECT_EQ(ReadFile(work_ / kBodyName), Golden("body_fresh.csv"));
  EXPECT_EQ(Entries(work_),
            (std::vector<std::string>{kTrialName, kBodyName, kTimingName, kRecordName}));
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{ExpectedRecoveredRunMessage(work_)}));

  EXPECT_TRUE(Recover().empty());  // nothing left the second time
}

// A run that recorded video leaves it where the recorder put it (the working
// directory, or a rescue folder when that could not take it); recovery names it.
TEST_F(RecoveryTest, NamesTheSessionVideoTheRunRecorded) {
  CrashedRun();
  WriteFile(work_ / "SBJ0000_20160305_090702_V.avi", "RIFF");
  fs::create_directories(rescue_dir());
  WriteFile(rescue_dir() / "SBJ0000_20160305_090702_V.csv", "Frame,CaptureTime,Clock\r\n");
  WriteFile(work_ / "SBJ0000_20160305_090703_V.avi", "another run's");

  const std::vector<RecoveredRun> runs = Recover();

  ASSERT_EQ(runs.size(), 1u);
  const std::vector<std::string> video{(work_ / "SBJ0000_20160305_090702_V.avi").string(),
                                       (rescue_dir() / "SBJ0000_20160305_090702_V.csv").string()};
  EXPECT_EQ(runs[0].video_files, video);
  ASSERT_EQ(MessageTexts().size(), 1u);
  const std::string text = MessageTexts()[0];
  EXPECT_EQ(text.rfind(ExpectedRecoveredRunMessage(work_), 0), 0u);
  EXPECT_TRUE(text.ends_with(":\n" + video[0] + "\n" + video[1])) << text;
}

// The recovered run's record names its video like a normal run's, with the
// frames its frame table names; a run without video says nothing of one.
TEST_F(RecoveryTest, RunRecordNamesTheSessionVideo) {
  CrashedRun();
  ASSERT_EQ(Recover().size(), 1u);
  EXPECT_FALSE(nlohmann::json::parse(ReadFile(work_ / kRecordName)).contains("session_video"));
  fs::remove(work_ / kRecordName);

  CrashedRun();
  const fs::path avi = work_ / "SBJ0000_20160305_090702_V.avi";
  const fs::path table = work_ / "SBJ0000_20160305_090702_V.csv";
  WriteFile(avi, "RIFF");
  WriteFile(table, "Frame,CaptureTime,Clock\r\n0,100,\r\n1,200,5\r\n2,30");  // cut by the kill
  fs::create_directories(rescue_dir());
  WriteFile(rescue_dir() / table.filename(), "Frame,CaptureTime,Clock\r\n");  // not beside it

  ASSERT_EQ(Recover().size(), 1u);

  const nlohmann::json record = nlohmann::json::parse(ReadFile(work_ / kRecordName));
  ASSERT_TRUE(record.contains("session_video")) << record.dump();
  const nlohmann::json& v = record["session_video"];
  EXPECT_EQ(v["recorded"], true);
  EXPECT_EQ(v["video"], avi.string());
  EXPECT_EQ(v["frame_table"], table.string());
  EXPECT_EQ(v["frames_written"], 2);
  EXPECT_NE(v["problem"].get<std::string>().find("did not end normally"), std::string::npos);
}

// The run record of a recovered run: its head as journalled at the start, the
// end "recovered", and a sensor that had stopped before the crash.
TEST_F(RecoveryTest, RunRecordKeepsTheHeadAndTheSensorStopOfTheJournal) {
  SensorStopRecord stop;
  stop.cause = SensorStopCause::kDeviceGone;
  stop.clock_ms = 4321;
  stop.run_elapsed_ms = 9876;
  stop.detail = "the video file /data/a.mp4 ended";
  CrashedRun([&](RunJournal& journal) {
    journal.RecordRunHead(R"({"format":"tavelin2-run/1","subject":"SBJ0000"})");
    journal.RecordSensorStop(stop);
  });

  ASSERT_EQ(Recover().size(), 1u);

  const nlohmann::json record = nlohmann::json::parse(ReadFile(work_ / kRecordName));
  EXPECT_EQ(record["subject"], "SBJ0000");
  EXPECT_EQ(record["end"]["reason"], "recovered");
  EXPECT_EQ(record["counts"]["trials"], trials_.size());
  EXPECT_EQ(record["sensor_stop"],
            (nlohmann::json{{"cause", "device gone"},
                            {"clock_ms", 4321},
                            {"run_elapsed_ms", 9876},
                            {"detail", "the video file /data/a.mp4 ended"}}));
}

TEST_F(RecoveryTest, LeavesAJournalOfALiveRunAlone) {
  RunJournal live({journal_dir().string()});
  ASSERT_TRUE(live.Begin("SBJ0000", kFixtureStart, work_.string()));
  live.OnTrialStored(0, trials_[0]);

  EXPECT_TRUE(Recover().empty());
  EXPECT_TRUE(fs::exists(live.path()));
  EXPECT_FALSE(fs::exists(work_ / kTrialName));
  live.Discard();
}

TEST_F(RecoveryTest, TornLastEntryGivesNoBrokenRow) {
  const std::string journal = CrashedRun();
  fs::resize_file(journal, fs::file_size(journal) - 5);  // the last sample is cut short

  ASSERT_EQ(Recover().size(), 1u);

  const std::string body = ReadFile(work_ / kBodyName);
  const std::string golden = Golden("body_fresh.csv");
  const size_t last_row = golden.rfind("4,99,");
  EXPECT_EQ(body, golden.substr(0, last_row));
  EXPECT_EQ(ReadFile(work_ / kTrialName), Golden("trial_fresh.csv"));
  EXPECT_FALSE(fs::exists(journal));
}

// Where in WriteResultFiles the run died: the file it was writing holds `kept`
// bytes of what that write adds.
struct CrashPoint {
  const char* label;
  bool earlier_run_file;  // an earlier run of the same second made the files
  ResultFileKind dying_in;
  size_t kept;  // bytes of the dying write that reached the file; npos: all of them
  bool done_logged;
};

void PrintTo(const CrashPoint& c, std::ostream* os) {
  *os << c.label;
}

class CrashDuringWriteTest : public RecoveryTest,
                             public ::testing::WithParamInterface<CrashPoint> {};

TEST_P(CrashDuringWriteTest, RecoveryCompletesTheFilesWithoutDuplicateRows) {
  const CrashPoint& p = GetParam();
  std::string earlier_trial, earlier_body;
  if (p.earlier_run_file) {
    earlier_trial = Golden("trial_fresh.csv");
    earlier_body = Golden("body_fresh.csv");
    WriteFile(work_ / kTrialName, earlier_trial);
    WriteFile(work_ / kBodyName, earlier_body);
  }
  const std::string trial_added = p.earlier_run_file
                                      ? Golden("trial_appended.csv").substr(earlier_trial.size())
                                      : Golden("trial_fresh.csv");
  const std::string body_added = p.earlier_run_file
                                     ? Golden("body_appended.csv").substr(earlier_body.size())
                                     : Golden("body_fresh.csv");
  const int64_t trial_prior = p.earlier_run_file ? int64_t(earlier_trial.size()) : -1;
  const int64_t body_prior = p.earlier_run_file ? int64_t(earlier_body.size()) : -1;

  // Replays what WriteResultFiles logs and writes, up to the moment of death.
  const auto partial = [&](RunJournal& j, ResultFileKind kind) {
    const bool trial = kind == ResultFileKind::kTrial;
    const fs::path path = work_ / (trial ? kTrialName : kBodyName);
    const std::string& added = trial ? trial_added : body_added;
    j.OnWriteBegin(kind, path.string(), trial ? trial_prior : body_prior);
    const size_t kept = kind == p.dying_in ? std::min(p.kept, added.size()) : added.size();
    std::ofstream(path, std::ios::binary | std::ios::app) << added.substr(0, kept);
    if (kind != p.dying_in || p.done_logged) j.OnWriteDone(kind, path.string());
  };
  CrashedRun([&](RunJournal& j) {
    partial(j, ResultFileKind::kTrial);
    if (p.dying_in == ResultFileKind::kBody) partial(j, ResultFileKind::kBody);
    if (!p.done_logged) return;
    // The run got as far as its timing file and run record as well.
    for (const auto& [kind, name] : {std::pair{ResultFileKind::kTiming, kTimingName},
                                     std::pair{ResultFileKind::kRunRecord, kRecordName}}) {
      j.OnWriteBegin(kind, (work_ / name).string(), -1);
      WriteFile(work_ / name, "written by the run");
      j.OnWriteDone(kind, (work_ / name).string());
    }
  });

  ASSERT_EQ(Recover().size(), 1u);

  EXPECT_EQ(ReadFile(work_ / kTrialName), earlier_trial + trial_added);
  EXPECT_EQ(ReadFile(work_ / kBodyName), earlier_body + body_added);
  EXPECT_FALSE(fs::exists(journal_dir()));
  EXPECT_EQ(messages_.size(), p.done_logged ? 0u : 1u);  // a complete run needs no word
  if (p.done_logged) {
    EXPECT_EQ(ReadFile(work_ / kRecordName), "written by the run");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Recovery, CrashDuringWriteTest,
    ::testing::Values(
        CrashPoint{"trial_begun_nothing_written", false, ResultFileKind::kTrial, 0, false},
        CrashPoint{"trial_mid_header", false, ResultFileKind::kTrial, 7, false},
        CrashPoint{"trial_mid_row", false, ResultFileKind::kTrial, 200, false},
        CrashPoint{"trial_written_not_logged", false, ResultFileKind::kTrial, std::string::npos,
                   false},
        CrashPoint{"appending_trial_mid_row", true, ResultFileKind::kTrial, 61, false},
        CrashPoint{"appending_trial_nothing_yet", true, ResultFileKind::kTrial, 0, false},
        CrashPoint{"body_mid_row", false, ResultFileKind::kBody, 500, false},
        CrashPoint{"appending_body_all_but_logged", true, ResultFileKind::kBody, std::string::npos,
                   false},
        CrashPoint{"both_done_journal_not_removed", true, ResultFileKind::kBody, std::string::npos,
                   true}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(RecoveryTest, FileChangedSinceTheCrashIsAppendedToByTheOpenRule) {
  CrashedRun([&](RunJournal& j) {
    j.OnWriteBegin(ResultFileKind::kTrial, (work_ / kTrialName).string(), -1);
  });
  WriteFile(work_ / kTrialName, "something else\r\n");

  ASSERT_EQ(Recover().size(), 1u);

  const std::string golden = Golden("trial_fresh.csv");
  EXPECT_EQ(ReadFile(work_ / kTrialName),
            "something else\r\n" + golden.substr(kTrialFileHeader.size()));
}

TEST_F(RecoveryTest, BlockedWorkingDirectoryGoesToTheRescueFolder) {
  CrashedRun();
  fs::create_directories(work_ / kTrialName);

  const std::vector<RecoveredRun> runs = Recover();

  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(runs[0].outcome.trial.path, (rescue_dir() / kTrialName).string());
  EXPECT_EQ(ReadFile(rescue_dir() / kTrialName), Golden("trial_fresh.csv"));
  for (const fs::path& file : FixtureRunFiles(rescue_dir())) EXPECT_TRUE(fs::exists(file)) << file;
  EXPECT_EQ(ReadFile(rescue_dir() / kBodyName), Golden("body_fresh.csv"));
  EXPECT_FALSE(fs::exists(work_ / kBodyName));
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"データファイルを開くことができません",
                                      ExpectedRescuedFilesMessage(FixtureRunFiles(rescue_dir())),
                                      ExpectedRecoveredRunMessage(rescue_dir())}));
  EXPECT_FALSE(fs::exists(journal_dir()));
}

TEST_F(RecoveryTest, NowhereToWriteKeepsTheJournalForTheNextStart) {
  const std::string journal = CrashedRun();
  fs::create_directories(work_ / kTrialName);
  WriteFile(rescue_dir(), "not a folder");

  std::vector<RecoveredRun> runs = Recover();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_FALSE(runs[0].outcome.both_written());
  EXPECT_TRUE(fs::exists(journal));
  ASSERT_FALSE(messages_.empty());
  EXPECT_EQ(messages_.back().text, ExpectedRunKeptInJournalMessage(journal));

  // Next start, the way is clear: the body file the first attempt wrote is not
  // written again.
  fs::remove(work_ / kTrialName);
  runs = Recover();
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].outcome.both_written());
  EXPECT_EQ(ReadFile(work_ / kTrialName), Golden("trial_fresh.csv"));
  EXPECT_EQ(ReadFile(work_ / kBodyName), Golden("body_fresh.csv"));
  EXPECT_FALSE(fs::exists(journal));
}

TEST_F(RecoveryTest, ForeignFilesAreLeftAloneAndEmptyJournalsRemoved) {
  fs::create_directories(journal_dir());
  WriteFile(journal_dir() / "notes.t2journal", "not ours");
  WriteFile(journal_dir() / "cut.t2journal", std::string(kJournalMagic) + "\x40\0\0");
  // Killed between creating the file and its first bytes, or within the magic.
  WriteFile(journal_dir() / "zero.t2journal", "");
  WriteFile(journal_dir() / "part.t2journal", std::string(kJournalMagic.substr(0, 3)));

  testing::internal::CaptureStderr();
  EXPECT_TRUE(Recover().empty());
  const std::string err = testing::internal::GetCapturedStderr();
  for (const char* name : {"cut", "zero", "part"}) {
    EXPECT_NE(err.find("removed the run journal " + (journal_dir() / name).string() + ".t2journal"),
              std::string::npos)
        << err;
  }
  EXPECT_EQ(Entries(journal_dir()), std::vector<std::string>{"notes.t2journal"});
  EXPECT_EQ(Entries(work_), std::vector<std::string>{".tavelin2-journal"});
}

}  // namespace
}  // namespace results_test
