// The run journal: what it keeps, torn entries, and when it goes away.

#include <gtest/gtest.h>

#include "app/result_files.h"
#include "results/journal_file.h"
#include "results/journal_format.h"
#include "results/journal_timing_format.h"
#include "results/run_journal.h"
#include "results/run_results.h"
#include "results_fixture.h"
#include "state/program_state.h"

namespace results_test {
namespace {

bool SameTrial(const TrialRecord& a, const TrialRecord& b) {
  return std::tie(a.trial, a.cond_j, a.cond_m, a.bodyid, a.tgthand, a.tgt_x, a.tgt_y, a.hand_l,
                  a.hand_lx, a.hand_ly, a.hand_r, a.hand_rx, a.hand_ry, a.resp, a.rt, a.totalrt) ==
         std::tie(b.trial, b.cond_j, b.cond_m, b.bodyid, b.tgthand, b.tgt_x, b.tgt_y, b.hand_l,
                  b.hand_lx, b.hand_ly, b.hand_r, b.hand_rx, b.hand_ry, b.resp, b.rt, b.totalrt);
}

bool SameSample(const BodySample& a, const BodySample& b) {
  return std::memcmp(&a, &b, sizeof a) == 0;
}

class JournalTest : public ScratchDirTest {
 protected:
  fs::path journal_dir() const { return work_ / ".tavelin2-journal"; }

  // A journal holding the fixture records, sealed, as the file lies on disk.
  std::string FixtureJournalBytes(RunJournal& journal) {
    EXPECT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
    for (size_t i = 0; i < kTrials.size(); ++i) journal.OnTrialStored(int32_t(i), kTrials[i]);
    for (size_t i = 0; i < kSamples.size(); ++i) journal.OnSampleStored(int32_t(i), kSamples[i]);
    journal.Seal();
    return ReadFile(journal.path());
  }

  const std::vector<TrialRecord> kTrials = FixtureTrials();
  const std::vector<BodySample> kSamples = FixtureSamples();
};

TEST_F(JournalTest, KeepsHeaderTrialsAndSamplesInTheHiddenFolder) {
  RunJournal journal({journal_dir().string()});
  ASSERT_TRUE(journal.Begin("被験者,01", kFixtureStart, "/some/dir"));
  EXPECT_EQ(RunJournal::Active(), &journal);
  EXPECT_EQ(fs::path(journal.path()).parent_path(), journal_dir());
  for (size_t i = 0; i < kSamples.size(); ++i) journal.OnSampleStored(int32_t(i), kSamples[i]);
  for (size_t i = 0; i < kTrials.size(); ++i) journal.OnTrialStored(int32_t(i), kTrials[i]);
  // Never written out: the overwrite slot of the sample table, and positions out of range.
  journal.OnSampleStored(kMaxSampleCount, kSamples[0]);
  journal.OnSampleStored(-1, kSamples[0]);
  journal.OnTrialStored(kTrialRecordCapacity, kTrials[0]);
  journal.Seal();

  JournalContents c;
  ASSERT_EQ(ParseJournal(ReadFile(journal.path()), &c), JournalParseResult::kOk);
  EXPECT_EQ(c.header.subject, "被験者,01");
  EXPECT_EQ(c.header.working_directory, "/some/dir");
  EXPECT_EQ(std::memcmp(&c.header.start, &kFixtureStart, sizeof kFixtureStart), 0);
  ASSERT_EQ(c.trials.size(), kTrials.size());
  for (size_t i = 0; i < kTrials.size(); ++i) EXPECT_TRUE(SameTrial(c.trials[i], kTrials[i]));
  ASSERT_EQ(c.samples.size(), kSamples.size());
  for (size_t i = 0; i < kSamples.size(); ++i) EXPECT_TRUE(SameSample(c.samples[i], kSamples[i]));
  EXPECT_FALSE(c.torn_tail);
}

TEST_F(JournalTest, DefaultBeginTakesSubjectStartAndWorkingDirectoryFromTheProgram) {
  RunJournal journal;
  ::settings.subject = "SBJ0042";
  ::run_start_time = kFixtureStart;
  ASSERT_TRUE(BeginRunJournal(journal));
  EXPECT_EQ(fs::path(journal.path()).parent_path(), journal_dir());
  JournalContents c;
  journal.Seal();
  ASSERT_EQ(ParseJournal(ReadFile(journal.path()), &c), JournalParseResult::kOk);
  EXPECT_EQ(c.header.subject, "SBJ0042");
  EXPECT_EQ(c.header.working_directory, work_.string());
  journal.Discard();
  ResetProgramState();
}

TEST_F(JournalTest, NoUsableFolderMeansNoJournalButNoFailure) {
  WriteFile(work_ / "blocked", "a file, not a folder");
  RunJournal journal({(work_ / "blocked" / "journal").string()});
  EXPECT_FALSE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
  journal.OnTrialStored(0, kTrials[0]);  // harmless
  EXPECT_TRUE(journal.Finish());
  EXPECT_EQ(RunJournal::Active(), nullptr);
}

TEST_F(JournalTest, TornOrDamagedTailIsIgnoredNeverReadAsData) {
  RunJournal journal({journal_dir().string()});
  const std::string whole = FixtureJournalBytes(journal);
  JournalContents full;
  ASSERT_EQ(ParseJournal(whole, &full), JournalParseResult::kOk);

  // Cut the file at every length: each complete frame is read, no partial one.
  size_t last_trials = 0, last_samples = 0;
  for (size_t length = 0; length <= whole.size(); ++length) {
    JournalContents c;
    const JournalParseResult result = ParseJournal(whole.substr(0, length), &c);
    if (result != JournalParseResult::kOk) {
      EXPECT_TRUE(c.trials.empty() && c.samples.empty());
      continue;
    }
    EXPECT_LE(c.valid_bytes, length);
    EXPECT_EQ(c.torn_tail, c.valid_bytes < length);
    EXPECT_GE(c.trials.size() + c.samples.size(), last_trials + last_samples);
    for (size_t i = 0; i < c.samples.size(); ++i)
      EXPECT_TRUE(SameSample(c.samples[i], kSamples[i]));
    for (size_t i = 0; i < c.trials.size(); ++i) EXPECT_TRUE(SameTrial(c.trials[i], kTrials[i]));
    last_trials = c.trials.size();
    last_samples = c.samples.size();
  }
  EXPECT_EQ(last_samples, kSamples.size());

  const struct {
    const char* label;
    std::string bytes;
    size_t samples;  // the trials all come first in this journal
  } damaged[] = {
      {"flipped bit in the last entry",
       [&] {
         std::string b = whole;
         b[b.size() - 3] ^= 0x10;
         return b;
       }(),
       kSamples.size() - 1},
      {"zero block after a power cut", whole + std::string(4096, '\0'), kSamples.size()},
      {"huge length field", whole + std::string("\xff\xff\xff\x7f\0\0\0\0", 8), kSamples.size()},
  };
  for (const auto& d : damaged) {
    JournalContents c;
    ASSERT_EQ(ParseJournal(d.bytes, &c), JournalParseResult::kOk) << d.label;
    EXPECT_TRUE(c.torn_tail) << d.label;
    EXPECT_EQ(c.trials.size(), kTrials.size()) << d.label;
    EXPECT_EQ(c.samples.size(), d.samples) << d.label;
  }
}

TEST_F(JournalTest, NotAJournalAndHeaderlessFilesAreTold) {
  JournalContents c;
  EXPECT_EQ(ParseJournal("Subject,Date,Time\r\n", &c), JournalParseResult::kNotAJournal);
  EXPECT_EQ(ParseJournal(std::string(kJournalMagic) + "\x05\0\0", &c),
            JournalParseResult::kNoHeader);
}

TEST_F(JournalTest, FinishRemovesTheJournalOnlyWhenAllFilesAreWritten) {
  RunJournal journal({journal_dir().string()});
  FixtureJournalBytes(journal);
  const RunWriteOutcome outcome = WriteRunResults({"SBJ0000", kFixtureStart, kTrials, kSamples},
                                                  {work_.string(), {}}, &journal);
  ASSERT_TRUE(outcome.both_in_place());
  EXPECT_TRUE(journal.Finish());
  EXPECT_EQ(RunJournal::Active(), nullptr);
  // Exactly the result files: no journal, no empty journal folder.
  EXPECT_EQ(Entries(work_),
            (std::vector<std::string>{
                "SBJ0000_20160305_090702.csv", "SBJ0000_20160305_090702_B.csv",
                "SBJ0000_20160305_090702_T.csv", "SBJ0000_20160305_090702_run.json"}));
}

TEST_F(JournalTest, FinishKeepsTheJournalWhenAFileWasNotWritten) {
  RunJournal journal({journal_dir().string()});
  FixtureJournalBytes(journal);
  const std::string path = journal.path();
  // Only the trial file got written before the driver finished.
  WriteTrialFile({"SBJ0000", kFixtureStart, kTrials, {}}, {work_.string(), {}}, &journal, {});
  EXPECT_FALSE(journal.Finish());
  EXPECT_TRUE(fs::exists(path));
}

TEST_F(JournalTest, DiscardRemovesAndANewBeginLeavesTheOldJournalForRecovery) {
  RunJournal journal({journal_dir().string()});
  ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
  const std::string first = journal.path();
  journal.OnTrialStored(0, kTrials[0]);
  ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
  EXPECT_NE(journal.path(), first);
  EXPECT_TRUE(fs::exists(first));
  JournalContents c;
  ASSERT_EQ(ParseJournal(ReadFile(first), &c), JournalParseResult::kOk);
  EXPECT_EQ(c.trials.size(), 1u);

  const std::string second = journal.path();
  journal.Discard();
  EXPECT_FALSE(fs::exists(second));
  EXPECT_EQ(RunJournal::Active(), nullptr);
}

}  // namespace
}  // namespace results_test

// A trial's timing as journalled now and by the version before the crossing
// columns (six fields); anything else is malformed.
TEST(JournalTimingEntry, ReadsThisVersionsAndTheEarlierOnesEntries) {
  const TrialTiming timing{3, 100, 117, 450, 470, 370, 433};
  std::vector<char> frame;
  AppendTrialTimingFrame(frame, 3, timing);
  const std::string_view now(frame.data() + kFrameHeaderBytes, frame.size() - kFrameHeaderBytes);
  const std::string_view earlier = now.substr(0, now.size() - sizeof(int32_t));
  const std::string_view cut = now.substr(0, now.size() - 2);
  const struct {
    const char* name;
    std::string_view payload;
    bool ok;
    int32_t crossing;
  } cases[] = {
      {"this version", now, true, 433},
      {"before the crossing column", earlier, true, kUnknownMs},
      {"cut inside a field", cut, false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    JournalTimingContents contents;
    contents.timings.resize(3);
    ASSERT_EQ(ParseTimingEntry(c.payload, &contents), c.ok);
    if (!c.ok) continue;
    ASSERT_EQ(contents.timings.size(), 4u);
    EXPECT_EQ(contents.timings[3].hit_picture_ms, 450);
    EXPECT_EQ(contents.timings[3].hit_crossing_ms, c.crossing);
  }
}
