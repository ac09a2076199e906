// The two result files byte for byte, the file-name rule and the rescue folder.

#include <gtest/gtest.h>

#include <tuple>

#include "results/result_file_names.h"
#include "results/result_file_reader.h"
#include "results/result_file_writer.h"
#include "results/run_journal.h"
#include "results/run_results.h"
#include "results_fixture.h"
#include "state/run_file_endings.h"

namespace results_test {
namespace {

const std::vector<TrialRecord> kTrials = FixtureTrials();
const std::vector<BodySample> kSamples = FixtureSamples();

struct GoldenCase {
  const char* label;
  std::string subject;
  bool with_records;
  const char* existing_trial;  // golden file already lying there, or nullptr
  const char* existing_body;
  const char* expected_trial;
  const char* expected_body;
  const char* trial_name;
  const char* body_name;
};

void PrintTo(const GoldenCase& c, std::ostream* os) {
  *os << c.label;
}

class GoldenFileTest : public ScratchDirTest, public ::testing::WithParamInterface<GoldenCase> {};

TEST_P(GoldenFileTest, WritesFilesByteForByte) {
  const GoldenCase& c = GetParam();
  if (c.existing_trial) WriteFile(work_ / c.trial_name, Golden(c.existing_trial));
  if (c.existing_body) WriteFile(work_ / c.body_name, Golden(c.existing_body));

  RunResults run{c.subject, kFixtureStart, {}, {}};
  if (c.with_records) run = {c.subject, kFixtureStart, kTrials, kSamples};
  const RunWriteOutcome outcome = WriteRunResults(run, {work_.string(), {rescue_dir()}}, nullptr);

  EXPECT_TRUE(outcome.both_in_place());
  EXPECT_EQ(ReadFile(work_ / c.trial_name), Golden(c.expected_trial));
  EXPECT_EQ(ReadFile(work_ / c.body_name), Golden(c.expected_body));
  // Next to them the timing file and the run record (their own tests check them).
  const std::string body_name = c.body_name;
  const std::string base = body_name.substr(0, body_name.size() - std::string("_B.csv").size());
  EXPECT_EQ(Entries(work_), (std::vector<std::string>{c.trial_name, c.body_name, base + "_T.csv",
                                                      base + "_run.json"}));
  EXPECT_TRUE(messages_.empty());
}

INSTANTIATE_TEST_SUITE_P(
    ResultFiles, GoldenFileTest,
    ::testing::Values(
        GoldenCase{"fresh", "SBJ0000", true, nullptr, nullptr, "trial_fresh.csv", "body_fresh.csv",
                   "SBJ0000_20160305_090702.csv", "SBJ0000_20160305_090702_B.csv"},
        GoldenCase{"same_second_appends_without_header", "SBJ0000", true, "trial_fresh.csv",
                   "body_fresh.csv", "trial_appended.csv", "body_appended.csv",
                   "SBJ0000_20160305_090702.csv", "SBJ0000_20160305_090702_B.csv"},
        GoldenCase{"no_records_fresh", "SBJ0000", false, nullptr, nullptr, "trial_header_only.csv",
                   "body_header_only.csv", "SBJ0000_20160305_090702.csv",
                   "SBJ0000_20160305_090702_B.csv"},
        GoldenCase{"no_records_existing_left_as_is", "SBJ0000", false, "trial_fresh.csv",
                   "body_fresh.csv", "trial_fresh.csv", "body_fresh.csv",
                   "SBJ0000_20160305_090702.csv", "SBJ0000_20160305_090702_B.csv"},
        GoldenCase{"empty_subject", "", true, nullptr, nullptr, "trial_empty_subject.csv",
                   "body_fresh.csv", "_20160305_090702.csv", "_20160305_090702_B.csv"},
        GoldenCase{"japanese_subject_with_comma", "被験者,01", true, nullptr, nullptr,
                   "trial_japanese_subject.csv", "body_fresh.csv", "被験者,01_20160305_090702.csv",
                   "被験者,01_20160305_090702_B.csv"}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(ResultFileNames, FollowTheSubjectAndStartTime) {
  EXPECT_EQ(TrialFileName("SBJ0000", kFixtureStart), "SBJ0000_20160305_090702.csv");
  EXPECT_EQ(BodyFileName("SBJ0000", kFixtureStart), "SBJ0000_20160305_090702_B.csv");
  EXPECT_EQ(TrialFileName("", {2024, 12, 31, 23, 59, 59, 0}), "_20241231_235959.csv");
}

TEST(ResultFileNames, SubjectBecomesAPlainFileName) {
  const std::string kana80 = [] {
    std::string s;
    for (int i = 0; i < 80; ++i) s += "あ";  // 3 bytes each: 240 bytes
    return s;
  }();
  const struct {
    std::string subject, expected;
  } cases[] = {
      {"SBJ0000", "SBJ0000"},
      {"", ""},
      {"a/b", "a_b"},
      {"../up", "_._up"},  // "/" first, then the leading "."
      {"/etc/passwd", "_etc_passwd"},
      {".", "_"},
      {"..", "_."},
      {".hidden", "_hidden"},
      {"-rf", "_rf"},
      {std::string("a\0b", 3), "a_b"},
      {"tab\there", "tab_here"},
      {"line\r\nbreak", "line__break"},
      {"del\x7f", "del_"},
      {"被験者01", "被験者01"},
      {"a,b c\\d:e", "a,b c\\d:e"},  // legal on Linux: kept as typed
      {"mid.dle-x", "mid.dle-x"},
      {kana80, kana80.substr(0, 75 * 3)},  // cut on a character boundary, within 225 bytes
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileNameSubject(c.subject), c.expected) << "subject: " << c.subject;
  }
  EXPECT_LE(BodyFileName(std::string(1000, 'x'), kFixtureStart).size(), 255u);
  // A start time read back from a damaged journal may have more digits than a
  // date: the names still fit and still share their subject part.
  const LocalDateTime odd{INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, INT32_MIN, 0};
  const std::string body = BodyFileName(std::string(1000, 'x'), odd);
  const std::string trial = TrialFileName(std::string(1000, 'x'), odd);
  EXPECT_LE(body.size(), 255u);
  EXPECT_EQ(trial.substr(0, trial.size() - 4), body.substr(0, body.size() - 6));

  // A subject as long as the dialog takes: every name of the run has the same
  // stem, fits, and leads back to the trial file (the report: stem + "_report.pdf").
  for (const std::string& subject : {std::string(1013, 'x'), "a" + kana80 + kana80 + kana80 + kana80}) {
    const std::string trial_name = TrialFileName(subject, kFixtureStart);
    const std::string stem = trial_name.substr(0, trial_name.size() - 4);
    const std::pair<std::string, std::string> names[] = {
        {BodyFileName(subject, kFixtureStart), "_B.csv"},
        {TimingFileName(subject, kFixtureStart), "_T.csv"},
        {RunRecordFileName(subject, kFixtureStart), "_run.json"},
        {RunRecordFileName(subject, kFixtureStart, 1000), "_run-1000.json"},
        {VideoFileName(subject, kFixtureStart), "_V.avi"},
        {VideoTableFileName(subject, kFixtureStart), "_V.csv"},
        {stem + "_report.pdf", "_report.pdf"}};
    for (const auto& [name, tail] : names) {
      EXPECT_EQ(name, stem + tail);
      EXPECT_LE(name.size(), 255u) << name;
      if (tail != "_report.pdf") EXPECT_EQ(TrialFileFor(name), trial_name);
    }
  }
}

class ResultFileLocationTest : public ScratchDirTest {};

TEST_F(ResultFileLocationTest, SubjectWithPathPartsStaysInWorkingDirectoryButRowsKeepIt) {
  fs::create_directories(work_ / "sub");
  const std::string subject = "../sub/x";
  const RunWriteOutcome outcome = WriteRunResults({subject, kFixtureStart, kTrials, kSamples},
                                                  {work_.string(), {rescue_dir()}}, nullptr);
  ASSERT_TRUE(outcome.both_in_place());
  EXPECT_EQ(Entries(work_),
            (std::vector<std::string>{
                "_._sub_x_20160305_090702.csv", "_._sub_x_20160305_090702_B.csv",
                "_._sub_x_20160305_090702_T.csv", "_._sub_x_20160305_090702_run.json", "sub"}));
  EXPECT_TRUE(Entries(work_ / "sub").empty());
  EXPECT_EQ(Entries(root_), (std::vector<std::string>{"home", "work"}));
  const std::string trial = ReadFile(work_ / "_._sub_x_20160305_090702.csv");
  EXPECT_NE(trial.find("\r\n../sub/x,2016/03/05,09:07:02,0,1,0,"), std::string::npos);
}

// What stands in the way of a result file; root cannot get past any of these.
enum class Obstacle { kNone, kDirectory, kFullDevice };

void Block(const fs::path& path, Obstacle obstacle) {
  if (obstacle == Obstacle::kDirectory) fs::create_directories(path);
  if (obstacle == Obstacle::kFullDevice) fs::create_symlink("/dev/full", path);
}

struct FallbackCase {
  const char* label;
  Obstacle trial, body;
};

void PrintTo(const FallbackCase& c, std::ostream* os) {
  *os << c.label;
}

class RescueFolderTest : public ScratchDirTest,
                         public ::testing::WithParamInterface<FallbackCase> {};

// When any file of a run cannot go to the working directory, the whole run goes
// to the rescue folder, so that one folder holds it; a file already written in
// place stays.
TEST_P(RescueFolderTest, DataThatCannotGoToTheWorkingDirectoryTakesTheWholeRunToTheRescueFolder) {
  const FallbackCase& c = GetParam();
  const std::string trial_name = "SBJ0000_20160305_090702.csv";
  const std::string body_name = "SBJ0000_20160305_090702_B.csv";
  Block(work_ / trial_name, c.trial);
  Block(work_ / body_name, c.body);

  const RunWriteOutcome outcome =
      WriteRunResults({"SBJ0000", kFixtureStart, kTrials, kSamples},
                      {work_.string(), DefaultRescueDirectories()}, nullptr);

  const bool rescued = c.trial != Obstacle::kNone || c.body != Obstacle::kNone;
  const fs::path folder = rescued ? rescue_dir() : work_;
  const std::tuple<ResultFileOutcome, std::string, const char*> files[] = {
      {outcome.trial, trial_name, "trial_fresh.csv"}, {outcome.body, body_name, "body_fresh.csv"}};
  for (const auto& [file, name, golden] : files) {
    SCOPED_TRACE(name);
    EXPECT_TRUE(file.written);
    EXPECT_EQ(file.in_place, !rescued);
    EXPECT_EQ(file.path, (folder / name).string());
    EXPECT_EQ(ReadFile(folder / name), Golden(golden));
  }
  // The timing file and the run record go with them.
  for (const ResultFileOutcome& file : {outcome.timing, outcome.record}) {
    EXPECT_TRUE(file.written);
    EXPECT_EQ(file.in_place, !rescued);
    EXPECT_EQ(fs::path(file.path).parent_path(), folder);
  }
  std::vector<std::string> expected_messages;
  if (rescued) {
    expected_messages = {"データファイルを開くことができません",
                         ExpectedRescuedFilesMessage(FixtureRunFiles(folder))};
  }
  EXPECT_EQ(MessageTexts(), expected_messages);
  for (const Message& m : messages_) EXPECT_EQ(m.caption, "tavelin2");
  // A trial file written in place before the body file failed stays.
  if (c.trial == Obstacle::kNone && rescued) {
    EXPECT_EQ(ReadFile(work_ / trial_name), Golden("trial_fresh.csv"));
  }
  if (c.trial == Obstacle::kDirectory) {
    EXPECT_TRUE(Entries(work_ / trial_name).empty());
  }
  if (c.body == Obstacle::kNone && rescued) {
    EXPECT_FALSE(fs::exists(work_ / body_name));
  }
}

INSTANTIATE_TEST_SUITE_P(
    ResultFiles, RescueFolderTest,
    ::testing::Values(
        FallbackCase{"trial_file_is_a_directory", Obstacle::kDirectory, Obstacle::kNone},
        FallbackCase{"body_file_is_a_directory", Obstacle::kNone, Obstacle::kDirectory},
        FallbackCase{"both_are_directories", Obstacle::kDirectory, Obstacle::kDirectory},
        FallbackCase{"trial_write_fails_disk_full", Obstacle::kFullDevice, Obstacle::kNone},
        FallbackCase{"body_write_fails_disk_full", Obstacle::kNone, Obstacle::kFullDevice},
        FallbackCase{"nothing_in_the_way", Obstacle::kNone, Obstacle::kNone}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(ResultFileLocationTest, UnusableRescueFolderMovesOnToTheNextOne) {
  const std::string name = "SBJ0000_20160305_090702.csv";
  Block(work_ / name, Obstacle::kDirectory);
  WriteFile(home_ / "Tavelin2-rescue", "a plain file where the folder should be");
  const fs::path second = root_ / "second";

  const ResultFileOutcome outcome =
      WriteTrialFile({"SBJ0000", kFixtureStart, kTrials, {}},
                     {work_.string(), {rescue_dir().string(), second.string()}}, nullptr, {});

  EXPECT_TRUE(outcome.written);
  EXPECT_EQ(outcome.path, (second / name).string());
  EXPECT_EQ(ReadFile(second / name), Golden("trial_fresh.csv"));
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"データファイルを開くことができません",
                                                      ExpectedRescueMessage(second / name)}));
}

TEST_F(ResultFileLocationTest, NowhereToWriteIsReportedAndTheBodyFileIsStillWritten) {
  const std::string trial_name = "SBJ0000_20160305_090702.csv";
  Block(work_ / trial_name, Obstacle::kDirectory);
  WriteFile(home_ / "Tavelin2-rescue", "not a folder");

  const RunWriteOutcome outcome =
      WriteRunResults({"SBJ0000", kFixtureStart, kTrials, kSamples},
                      {work_.string(), {rescue_dir().string()}}, nullptr);

  EXPECT_FALSE(outcome.trial.written);
  EXPECT_TRUE(outcome.body.in_place);
  EXPECT_EQ(ReadFile(work_ / "SBJ0000_20160305_090702_B.csv"), Golden("body_fresh.csv"));
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[0].text, "データファイルを開くことができません");
  EXPECT_EQ(messages_[1].text, ExpectedDataNotWrittenMessage());
  EXPECT_EQ(messages_[1].style, MB_OK | MB_ICONHAND);
}

TEST_F(ResultFileLocationTest, NowhereToWriteNamesTheJournalThatKeepsTheData) {
  const std::string trial_name = "SBJ0000_20160305_090702.csv";
  Block(work_ / trial_name, Obstacle::kDirectory);
  WriteFile(home_ / "Tavelin2-rescue", "not a folder");
  RunJournal journal({(work_ / ".tavelin2-journal").string()});
  ASSERT_TRUE(journal.Begin("SBJ0000", kFixtureStart, work_.string()));
  ASSERT_EQ(fs::path(journal.path()).parent_path(), work_ / ".tavelin2-journal");

  const RunWriteOutcome outcome =
      WriteRunResults({"SBJ0000", kFixtureStart, kTrials, kSamples},
                      {work_.string(), {rescue_dir().string()}}, &journal);

  EXPECT_FALSE(outcome.trial.written);
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"データファイルを開くことができません",
                                      ExpectedDataKeptInJournalMessage(journal.path())}));
  journal.Discard();
}

TEST_F(ResultFileLocationTest, RescueFolderFollowsTheOpenRule) {
  const std::string name = "SBJ0000_20160305_090702.csv";
  Block(work_ / name, Obstacle::kDirectory);
  fs::create_directories(rescue_dir());
  WriteFile(rescue_dir() / name, Golden("trial_fresh.csv"));

  const ResultFileOutcome outcome =
      WriteTrialFile({"SBJ0000", kFixtureStart, kTrials, {}},
                     {work_.string(), DefaultRescueDirectories()}, nullptr, {});

  EXPECT_EQ(outcome.path, (rescue_dir() / name).string());
  EXPECT_EQ(ReadFile(rescue_dir() / name), Golden("trial_appended.csv"));
}

// Opened with "w", an existing file that cannot be read would lose an earlier
// run's rows; it is appended to instead.
TEST_F(ResultFileLocationTest, ExistingFileThatCannotBeReadIsAppendedToNotTruncated) {
  const std::string name = "SBJ0000_20160305_090702.csv";
  const std::string earlier = Golden("trial_fresh.csv");
  WriteFile(work_ / name, earlier);
  fs::permissions(work_ / name, fs::perms::owner_write);
  constexpr uid_t kNobody = 65534;
  const bool root = ::geteuid() == 0;
  if (root) {
    // Root reads everything: write as an ordinary account.
    fs::permissions(root_, fs::perms::all);
    fs::permissions(work_, fs::perms::all);
    ASSERT_EQ(::chown((work_ / name).c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::seteuid(kNobody), 0);
  }
  const ResultFileOutcome outcome =
      WriteTrialFile({"SBJ0000", kFixtureStart, kTrials, {}}, {work_.string(), {}}, nullptr, {});
  if (root) {
    ASSERT_EQ(::seteuid(0), 0);
  }

  EXPECT_TRUE(outcome.in_place);
  fs::permissions(work_ / name, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ReadFile(work_ / name), Golden("trial_appended.csv"));
}

}  // namespace
}  // namespace results_test
