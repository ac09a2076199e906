// Reading result files back: what the writer wrote comes back field for field;
// appended runs come apart; the timing file and run record are taken where
// present; a broken file is named with its line and the reason.

#include "results/result_file_reader.h"

#include <gtest/gtest.h>

#include "results/results_fixture.h"
#include "results/text_encoding.h"

namespace results_test {
namespace {

void ExpectSameTrial(const TrialRecord& a, const TrialRecord& b) {
  EXPECT_EQ(
      std::tie(a.trial, a.cond_j, a.cond_m, a.bodyid, a.tgthand, a.tgt_x, a.tgt_y, a.hand_l,
               a.hand_lx, a.hand_ly, a.hand_r, a.hand_rx, a.hand_ry, a.resp, a.rt, a.totalrt),
      std::tie(b.trial, b.cond_j, b.cond_m, b.bodyid, b.tgthand, b.tgt_x, b.tgt_y, b.hand_l,
               b.hand_lx, b.hand_ly, b.hand_r, b.hand_rx, b.hand_ry, b.resp, b.rt, b.totalrt));
}

class ReaderTest : public ScratchDirTest {
 protected:
  // The golden pair under a result file name in the scratch folder.
  std::string Place(const std::string& trial_golden, const std::string& body_golden,
                    const std::string& stem = "SBJ0000_20160305_090702") {
    WriteFile(stem + ".csv", Golden(trial_golden));
    WriteFile(stem + "_B.csv", Golden(body_golden));
    return stem + ".csv";
  }
};

TEST_F(ReaderTest, ReadsBackWhatTheWriterWrote) {
  std::string error;
  const auto set = ReadResultFiles(Place("trial_fresh.csv", "body_fresh.csv"), &error);
  ASSERT_TRUE(set) << error;
  ASSERT_EQ(set->runs.size(), 1u);
  const ResultRun& run = set->runs[0];
  EXPECT_EQ(run.subject, "SBJ0000");
  EXPECT_EQ(std::tie(run.start.year, run.start.month, run.start.day, run.start.hour,
                     run.start.minute, run.start.second),
            std::make_tuple(2016, 3, 5, 9, 7, 2));
  const auto trials = FixtureTrials();
  ASSERT_EQ(run.trials.size(), trials.size());
  for (size_t i = 0; i < trials.size(); ++i) ExpectSameTrial(run.trials[i], trials[i]);
  const auto samples = FixtureSamples();
  ASSERT_EQ(run.samples.size(), samples.size());
  for (size_t i = 0; i < samples.size(); ++i) {
    EXPECT_EQ(std::memcmp(&run.samples[i], &samples[i], sizeof(BodySample)), 0) << "sample " << i;
  }
  EXPECT_TRUE(set->timing_path.empty());
  EXPECT_FALSE(set->run_record);
}

TEST_F(ReaderTest, SubjectWithCommaAndLfLineEnds) {
  // The Japanese golden subject holds a comma; the copy here has LF line ends.
  std::string trial = Golden("trial_japanese_subject.csv");
  std::erase(trial, '\r');
  WriteFile("x_20160305_090702.csv", trial);
  WriteFile("x_20160305_090702_B.csv", Golden("body_header_only.csv"));
  std::string error;
  const auto set = ReadResultFiles("x_20160305_090702.csv", &error);
  ASSERT_TRUE(set) << error;
  ASSERT_EQ(set->runs.size(), 1u);
  EXPECT_EQ(set->runs[0].subject, "被験者,01");
  EXPECT_EQ(set->runs[0].trials.size(), 3u);
  EXPECT_EQ(set->runs[0].trials[2].resp, "Foot_L");
}

TEST_F(ReaderTest, AppendedRunsComeApart) {
  std::string error;
  const auto set = ReadResultFiles(Place("trial_appended.csv", "body_appended.csv"), &error);
  ASSERT_TRUE(set) << error;
  ASSERT_EQ(set->runs.size(), 2u);
  EXPECT_EQ(set->runs[0].trials.size() + set->runs[1].trials.size(), 6u);
  EXPECT_EQ(set->runs[1].trials.front().trial, 0);
  EXPECT_EQ(set->runs[1].samples.front().count, 1);
}

TEST_F(ReaderTest, HeaderOnlyFilesTakeSubjectAndTimeFromTheName) {
  std::string error;
  const auto set = ReadResultFiles(
      Place("trial_header_only.csv", "body_fresh.csv", "P7_20240102_030405"), &error);
  ASSERT_TRUE(set) << error;
  ASSERT_EQ(set->runs.size(), 1u);
  EXPECT_EQ(set->runs[0].subject, "P7");
  EXPECT_EQ(set->runs[0].start.second, 5);
  EXPECT_EQ(set->runs[0].samples.size(), 4u);
}

TEST_F(ReaderTest, TimingFileAndRunRecordAreTakenWherePresent) {
  const std::string trial = Place("trial_fresh.csv", "body_fresh.csv");
  WriteFile("SBJ0000_20160305_090702_T.csv",
            "Trial,Onset,OnsetShown,HitPicture,HitPass,RT,RTPicture\r\n0,0,17,-1,4567,4567,-1\r\n"
            "1,0,20,1190,1203,1203,1170\r\n2,2253,-1,-1,2250,-3,-1\r\n");
  WriteFile("SBJ0000_20160305_090702_run.json",
            R"({"sensor": {"backend": "camera", "device": "/dev/video2"}, "settings": {"mirror": 0},
                "frames": {"frame_interval_ms": {"median": 33.4}}, "future": null})");
  std::string error;
  const auto set = ReadResultFiles(trial, &error);
  ASSERT_TRUE(set) << error;
  ASSERT_EQ(set->runs[0].timing.size(), 3u);
  EXPECT_EQ(set->runs[0].timing[1].onset_shown, 20);
  EXPECT_EQ(set->runs[0].timing[1].rt_picture, 1170);
  ASSERT_TRUE(set->run_record);
  EXPECT_EQ(set->run_record->sensor_backend, "camera");
  EXPECT_EQ(set->run_record->sensor_device, "/dev/video2");
  EXPECT_EQ(set->run_record->mirror, 0);
  EXPECT_DOUBLE_EQ(set->run_record->frame_interval_median_ms.value_or(0), 33.4);
}

TEST_F(ReaderTest, BrokenFilesAreNamedWithTheReason) {
  const std::string stem = "SBJ0000_20160305_090702";
  struct Case {
    const char* name;
    std::string file;  // written over the placed pair ("" = removed)
    std::string content;
    std::string expected;  // in the message
  } cases[] = {
      {"no body file", stem + "_B.csv", "", "_B.csv is missing"},
      {"not a trial file", stem + ".csv", "hello\r\n", "not a trial file"},
      {"short row", stem + "_B.csv", Golden("body_header_only.csv") + "1,2,3\r\n",
       "_B.csv: line 2: expected 41"},
      {"letters in a number", stem + ".csv",
       Golden("trial_header_only.csv") +
           "S,2016/03/05,09:07:02,0,1,0,x,2,1,1,0,0,0,0,0,0,Hand_R,1,0\r\n",
       "line 2: field 7 (\"x\") is not a whole number"},
      {"bad date", stem + ".csv",
       Golden("trial_header_only.csv") +
           "S,2016-03-05,09:07:02,0,1,0,1,2,1,1,0,0,0,0,0,0,Hand_R,1,0\r\n",
       "Date and Time"},
      {"bad timing header", stem + "_T.csv", "Trial,Onset\r\n", "not a timing file"},
      {"run record not JSON", stem + "_run.json", "{ truncated", "not a run record"},
      {"runs cannot be paired", stem + "_B.csv", Golden("body_appended.csv"), "cannot be paired"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string trial = Place("trial_fresh.csv", "body_fresh.csv");
    fs::remove(stem + "_T.csv");
    fs::remove(stem + "_run.json");
    if (c.content.empty()) {
      fs::remove(c.file);
    } else {
      WriteFile(c.file, c.content);
    }
    std::string error;
    EXPECT_FALSE(ReadResultFiles(trial, &error));
    EXPECT_NE(error.find(c.expected), std::string::npos) << error;
  }
}

TEST(TrialFileFor, EveryFileOfARunLeadsToItsTrialFile) {
  const std::pair<const char*, const char*> cases[] = {
      {"d/S_20160305_090702.csv", "d/S_20160305_090702.csv"},
      {"d/S_20160305_090702_B.csv", "d/S_20160305_090702.csv"},
      {"d/S_20160305_090702_T.csv", "d/S_20160305_090702.csv"},
      {"d/S_20160305_090702_run.json", "d/S_20160305_090702.csv"},
      {"d/S_20160305_090702_run-2.json", "d/S_20160305_090702.csv"},  // a second run appended
      {"d/S_B_20160305_090702.csv", "d/S_B_20160305_090702.csv"},  // a subject ending in _B
      {"notes_B.csv", "notes_B.csv"},
  };
  for (const auto& [in, out] : cases) EXPECT_EQ(TrialFileFor(in), out) << in;
}

TEST(TextAsUtf8, ShiftJisBecomesUtf8AndOtherBytesAreEscaped) {
  EXPECT_EQ(TextAsUtf8("SBJ0000"), "SBJ0000");
  EXPECT_EQ(TextAsUtf8("被験者"), "被験者");
  EXPECT_EQ(TextAsUtf8("\x94\xed\x8c\xb1\x8e\xd2"), "被験者");  // Shift-JIS
  EXPECT_EQ(TextAsUtf8("A\x80\xff"), "A\\x80\\xFF");            // neither
  EXPECT_FALSE(IsValidUtf8("\xed\xa0\x80"));                    // a UTF-16 surrogate
  EXPECT_FALSE(IsValidUtf8("\xc0\xaf"));                        // overlong
}

}  // namespace
}  // namespace results_test
