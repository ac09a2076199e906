// The journal against a full or failing disk: its space is reserved when the
// run starts, in the first folder that has the room; a write that fails moves
// it on at once; a folder that cannot be synced costs no file.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "file_faults.h"
#include "results/journal_file.h"
#include "results/journal_format.h"
#include "results/run_journal.h"
#include "results/run_recovery.h"
#include "results/run_results.h"
#include "results_fixture.h"

namespace results_test {
namespace {

using namespace std::chrono_literals;

class JournalSpaceTest : public ScratchDirTest {
 protected:
  fs::path journal_dir() const { return work_ / ".tavelin2-journal"; }
  fs::path rescue_journal_dir() const { return rescue_dir() / "journal"; }
  std::vector<std::string> Dirs() const {
    return {journal_dir().string(), rescue_journal_dir().string()};
  }
  // Waits for the writer thread's next sync.
  static void AfterSync() {
    std::this_thread::sleep_for(3 * std::chrono::milliseconds(kJournalSyncInterval_ms));
  }

  static JournalContents Parse(const std::string& path) {
    JournalContents c;
    EXPECT_EQ(ParseJournal(ReadFile(path), &c), JournalParseResult::kOk) << path;
    return c;
  }

  const std::vector<TrialRecord> kTrials = FixtureTrials();
  const std::vector<BodySample> kSamples = FixtureSamples();
};

TEST_F(JournalSpaceTest, ReservesRoomForTheLargestRunWithoutGrowingTheFile) {
  RunJournal journal(Dirs());
  ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
  EXPECT_TRUE(journal.reserved());
  EXPECT_EQ(journal.StartWarning(), "");
  EXPECT_EQ(fs::path(journal.path()).parent_path(), journal_dir());

  const int64_t reserve =
      RunJournal::ReserveBytes({kJournalFormatVersion, "SBJ0000", kFixtureStart, work_.string()});
  // Every record the tables can hold: at least a sample frame per sample.
  EXPECT_GT(reserve, int64_t{kMaxSampleCount} * int64_t(sizeof(BodySample)));
  struct stat st {};
  ASSERT_EQ(::stat(journal.path().c_str(), &st), 0);
  EXPECT_GE(int64_t(st.st_blocks) * 512, reserve);  // the space is taken on the disk
  journal.OnTrialStored(0, kTrials[0]);
  journal.Seal();
  EXPECT_EQ(Parse(journal.path()).trials.size(), 1u);
  journal.Discard();
}

// Where the working folder has no room, the journal is in a rescue folder from
// the start; where no folder has it, the experimenter hears so before the run.
TEST_F(JournalSpaceTest, NoRoomInTheWorkingFolderJournalsInTheRescueFolder) {
  {
    FileFault no_room(FileOp::kReserve, work_.string(), ENOSPC);
    RunJournal journal(Dirs());
    ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
    EXPECT_TRUE(journal.reserved());
    EXPECT_EQ(fs::path(journal.path()).parent_path(), rescue_journal_dir());
    EXPECT_EQ(journal.StartWarning(), "");
    EXPECT_FALSE(fs::exists(journal_dir())) << "left behind empty";
    journal.Discard();
  }
  {
    // A folder that holds anything stays as it is.
    fs::create_directories(journal_dir());
    WriteFile(journal_dir() / "notes.txt", "the lab's");
    FileFault no_room(FileOp::kReserve, work_.string(), ENOSPC);
    RunJournal journal(Dirs());
    ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
    EXPECT_EQ(fs::path(journal.path()).parent_path(), rescue_journal_dir());
    EXPECT_EQ(ReadFile(journal_dir() / "notes.txt"), "the lab's");
    journal.Discard();
    fs::remove_all(journal_dir());
  }
  {
    FileFault no_room(FileOp::kReserve, root_.string(), ENOSPC);
    RunJournal journal(Dirs());
    ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
    EXPECT_FALSE(journal.reserved());
    EXPECT_EQ(fs::path(journal.path()).parent_path(), journal_dir());  // journalled all the same
    EXPECT_NE(journal.StartWarning().find(journal.path()), std::string::npos);
    journal.Discard();
  }
  WriteFile(root_ / "blocked", "a file where the folders should be");
  RunJournal none({(root_ / "blocked" / "j").string()});
  EXPECT_FALSE(none.Begin("SBJ0000", kFixtureStart, work_.string()));
  EXPECT_EQ(none.StartWarning().rfind("記録用のファイルを作成できませんでした。", 0), 0u);
}

// A write that fails mid-run (an I/O error, a disk full past the reservation)
// moves the journal with everything in it to the next folder at once, not at
// the end of the run.
TEST_F(JournalSpaceTest, WriteFailureMidRunMovesTheJournalAtOnce) {
  RunJournal journal(Dirs());
  ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
  const std::string first = journal.path();
  journal.OnTrialStored(0, kTrials[0]);
  journal.OnSampleStored(0, kSamples[0]);
  AfterSync();
  {
    FileFault failing(FileOp::kWrite, journal_dir().string(), EIO);
    journal.OnTrialStored(1, kTrials[1]);
    journal.OnSampleStored(1, kSamples[1]);
    AfterSync();
    // Moved while the run goes on, the old copy gone.
    EXPECT_EQ(fs::path(journal.path()).parent_path(), rescue_journal_dir());
    EXPECT_FALSE(fs::exists(first));
    const JournalContents moved = Parse(journal.path());
    EXPECT_EQ(moved.trials.size(), 2u);
    EXPECT_EQ(moved.samples.size(), 2u);
    EXPECT_EQ(moved.header.working_directory, work_.string());
  }
  journal.OnTrialStored(2, kTrials[2]);
  journal.Seal();
  EXPECT_EQ(Parse(journal.path()).trials.size(), 3u);
  // Cut short here: the next start writes the whole run out from the moved copy.
}

TEST_F(JournalSpaceTest, MovedJournalIsRecoveredAfterACrash) {
  {
    RunJournal journal(Dirs());
    ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
    journal.OnTrialStored(0, kTrials[0]);
    AfterSync();
    FileFault failing(FileOp::kWrite, journal_dir().string(), ENOSPC);
    for (size_t i = 1; i < kTrials.size(); ++i) journal.OnTrialStored(int32_t(i), kTrials[i]);
    for (size_t i = 0; i < kSamples.size(); ++i) journal.OnSampleStored(int32_t(i), kSamples[i]);
    journal.Seal();
  }  // the program dies here
  const std::vector<std::string> rescue{rescue_dir().string()};
  const std::vector<RecoveredRun> runs = RecoverUnfinishedRuns(Dirs(), rescue);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_TRUE(runs[0].outcome.both_in_place());
  EXPECT_EQ(ReadFile(runs[0].outcome.trial.path), Golden("trial_fresh.csv"));
  EXPECT_EQ(ReadFile(runs[0].outcome.body.path), Golden("body_fresh.csv"));
  EXPECT_FALSE(fs::exists(rescue_journal_dir()));
}

// A copy of a run's journal that could not be removed when the journal moved
// must not write the run out a second time.
TEST_F(JournalSpaceTest, TwoCopiesOfOneRunAreWrittenOutOnce) {
  std::string stale;
  {
    RunJournal journal(Dirs());
    ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
    journal.OnTrialStored(0, kTrials[0]);
    AfterSync();
    fs::create_directories(rescue_journal_dir());
    stale = (rescue_journal_dir() / fs::path(journal.path()).filename()).string();
    fs::copy_file(journal.path(), stale);
    for (size_t i = 1; i < kTrials.size(); ++i) journal.OnTrialStored(int32_t(i), kTrials[i]);
    for (size_t i = 0; i < kSamples.size(); ++i) journal.OnSampleStored(int32_t(i), kSamples[i]);
    journal.Seal();
  }
  const std::vector<std::string> rescue{rescue_dir().string()};
  const std::vector<RecoveredRun> runs = RecoverUnfinishedRuns(Dirs(), rescue);
  ASSERT_EQ(runs.size(), 1u);
  EXPECT_EQ(ReadFile(runs[0].outcome.trial.path), Golden("trial_fresh.csv"));
  EXPECT_EQ(ReadFile(runs[0].outcome.body.path), Golden("body_fresh.csv"));
  EXPECT_FALSE(fs::exists(stale));
  EXPECT_FALSE(fs::exists(journal_dir()));
}

// A folder that is writable but cannot be synced: the files are complete and
// stay where they belong; stderr gets a warning.
TEST_F(JournalSpaceTest, FolderThatCannotBeSyncedCostsNoFile) {
  FileFault no_sync(FileOp::kSyncFolder, root_.string(), EIO);
  RunJournal journal(Dirs());
  ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
  EXPECT_EQ(fs::path(journal.path()).parent_path(), journal_dir());
  testing::internal::CaptureStderr();
  const RunWriteOutcome outcome =
      WriteRunResults({"SBJ0000", kFixtureStart, kTrials, kSamples},
                      {work_.string(), {rescue_dir().string()}}, &journal);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(outcome.both_in_place());
  EXPECT_TRUE(messages_.empty());
  EXPECT_NE(err.find("could not be synced"), std::string::npos) << err;
  EXPECT_TRUE(journal.Finish());
  EXPECT_FALSE(fs::exists(journal.path()));
}

}  // namespace
}  // namespace results_test
