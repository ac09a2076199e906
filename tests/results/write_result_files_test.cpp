// WriteResultFiles on the program-wide tables: the order of its steps, the
// sample cap, the rescue folder and the journal it reports to.

#include <gtest/gtest.h>

#include <sstream>

#include "app/result_files.h"
#include "body/sensor/sensor_registry.h"
#include "body/sensor_connection.h"
#include "results/run_journal.h"
#include "results/run_recovery.h"
#include "results_fixture.h"
#include "state/program_state.h"

namespace results_test {
namespace {

const std::string kTrialName = "SBJ0000_20160305_090702.csv";
const std::string kBodyName = "SBJ0000_20160305_090702_B.csv";
const std::string kTimingName = "SBJ0000_20160305_090702_T.csv";
const std::string kRecordName = "SBJ0000_20160305_090702_run.json";

class WriteResultFilesTest : public ScratchDirTest {
 protected:
  void SetUp() override {
    ScratchDirTest::SetUp();
    ResetProgramState();
    ASSERT_TRUE(SelectSensorBackend("sim", {}, nullptr));
    ASSERT_EQ(OpenSensor(), 1);
    color_buffer = std::make_unique<uint8_t[]>(kColorBufferBytes);
    settings.subject = "SBJ0000";
    run_start_time = kFixtureStart;
  }
  void TearDown() override {
    CloseSensor();
    ResetProgramState();
    ScratchDirTest::TearDown();
  }

  void StoreFixtureRecords() {
    const std::vector<TrialRecord> trials = FixtureTrials();
    const std::vector<BodySample> samples = FixtureSamples();
    std::copy(trials.begin(), trials.end(), trial_records);
    std::copy(samples.begin(), samples.end(), body_samples);
    trial_count = int32_t(trials.size());
    sample_count = int32_t(samples.size());
  }
};

TEST_F(WriteResultFilesTest, ClosesTheSensorFreesTheBufferAndWritesBothFiles) {
  StoreFixtureRecords();
  EXPECT_EQ(WriteResultFiles(), 1);
  EXPECT_EQ(sensor_connection.sensor, nullptr);
  EXPECT_EQ(color_buffer, nullptr);
  EXPECT_EQ(ReadFile(work_ / kTrialName), Golden("trial_fresh.csv"));
  EXPECT_EQ(ReadFile(work_ / kBodyName), Golden("body_fresh.csv"));
  EXPECT_EQ(trial_count, 3);  // the tables keep their contents
}

TEST_F(WriteResultFilesTest, WritesAtMost99999SamplesCountingFrom1) {
  for (int32_t i = 0; i < kBodySampleCapacity; ++i) {
    body_samples[i] = MakeSample({i + 1, i, 0, 0, 0, 0, 7}, i);
  }
  body_samples[kMaxSampleCount].count = -42;  // the overwrite slot: never written
  sample_count = kMaxSampleCount;
  trial_count = 0;

  EXPECT_EQ(WriteResultFiles(), 1);

  EXPECT_EQ(ReadFile(work_ / kTrialName), Golden("trial_header_only.csv"));
  std::istringstream body(ReadFile(work_ / kBodyName));
  std::string line;
  std::getline(body, line);
  int32_t rows = 0;
  while (std::getline(body, line)) {
    ++rows;
    ASSERT_EQ(line.substr(0, line.find(',')), std::to_string(rows));
    ASSERT_EQ(line.back(), '\r');
  }
  EXPECT_EQ(rows, kMaxSampleCount);
}

TEST_F(WriteResultFilesTest, BlockedTrialFileGoesToTheRescueFolderAfterTheSensorIsClosed) {
  StoreFixtureRecords();
  fs::create_directories(work_ / kTrialName);
  bool sensor_closed_at_message = false, buffer_freed_at_message = false;
  SetMessageBoxHandler([&](const std::string& text, const std::string&, uint32_t) {
    messages_.push_back({text, "", 0});
    sensor_closed_at_message = sensor_connection.sensor == nullptr;
    buffer_freed_at_message = color_buffer == nullptr;
  });

  EXPECT_EQ(WriteResultFiles(), 0);  // a file is not where it belongs

  EXPECT_TRUE(sensor_closed_at_message);
  EXPECT_TRUE(buffer_freed_at_message);
  EXPECT_EQ(ReadFile(rescue_dir() / kTrialName), Golden("trial_fresh.csv"));
  EXPECT_EQ(ReadFile(rescue_dir() / kBodyName), Golden("body_fresh.csv"));  // with its run
  EXPECT_EQ(MessageTexts(),
            (std::vector<std::string>{"データファイルを開くことができません",
                                      ExpectedRescuedFilesMessage(FixtureRunFiles(rescue_dir()))}));
}

TEST_F(WriteResultFilesTest, NormalRunLeavesExactlyItsFourFilesAndNoJournal) {
  ASSERT_TRUE(BeginRunJournal(run_journal));
  StoreFixtureRecords();
  for (int32_t i = 0; i < trial_count; ++i) run_journal.OnTrialStored(i, trial_records[i]);
  for (int32_t i = 0; i < sample_count; ++i) run_journal.OnSampleStored(i, body_samples[i]);

  EXPECT_EQ(WriteResultFiles(), 1);
  EXPECT_TRUE(run_journal.Finish());

  EXPECT_EQ(Entries(work_),
            (std::vector<std::string>{kTrialName, kBodyName, kTimingName, kRecordName}));
  EXPECT_EQ(ReadFile(work_ / kBodyName), Golden("body_fresh.csv"));
}

TEST_F(WriteResultFilesTest, RescuedRunRemovesItsJournalAndLeavesNoRowTwice) {
  ASSERT_TRUE(BeginRunJournal(run_journal));
  StoreFixtureRecords();
  for (int32_t i = 0; i < trial_count; ++i) run_journal.OnTrialStored(i, trial_records[i]);
  fs::create_directories(work_ / kTrialName);

  EXPECT_EQ(WriteResultFiles(), 0);
  EXPECT_TRUE(run_journal.Finish());

  EXPECT_EQ(Entries(work_), (std::vector<std::string>{kTrialName}));
  EXPECT_EQ(Entries(rescue_dir()),
            (std::vector<std::string>{kTrialName, kBodyName, kTimingName, kRecordName}));
  EXPECT_EQ(ReadFile(rescue_dir() / kTrialName), Golden("trial_fresh.csv"));
  const std::vector<std::string> journals{(work_ / ".tavelin2-journal").string()};
  const std::vector<std::string> rescue{rescue_dir().string()};
  EXPECT_TRUE(RecoverUnfinishedRuns(journals, rescue).empty());
  EXPECT_EQ(ReadFile(rescue_dir() / kTrialName), Golden("trial_fresh.csv"));
}

}  // namespace
}  // namespace results_test
