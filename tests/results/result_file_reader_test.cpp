// Reading result files back: what the writer wrote comes back field for field;
// appended runs come apart; the timing file and run record are taken where
// present; a broken file is named with its line and the reason.

#include "results/result_file_reader.h"

#include <gtest/gtest.h>

#include "results/timing_format.h"
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

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
  EXPECT_EQ(set->runs[0].timing[1].hit_crossing, -1) << "a file from before the crossing columns";
  ASSERT_TRUE(set->run_record);
  EXPECT_EQ(set->run_record->sensor_backend, "camera");
  EXPECT_EQ(set->run_record->sensor_device, "/dev/video2");
  EXPECT_EQ(set->run_record->mirror, 0);
  EXPECT_DOUBLE_EQ(set->run_record->frame_interval_median_ms.value_or(0), 33.4);
}

TEST_F(ReaderTest, TimingFileWithTheCrossingColumns) {
  const std::string trial = Place("trial_fresh.csv", "body_fresh.csv");
  const std::string rows = "0,0,17,-1,4567,4567,-1,-1,-1\r\n1,0,20,1190,1203,1203,1170,1176,1156\r\n"
                           "2,2253,-1,-1,2250,-3,-1,-1,-1\r\n";
  WriteFile("SBJ0000_20160305_090702_T.csv", std::string(kTimingFileHeader) + rows);
  std::string error;
  auto set = ReadResultFiles(trial, &error);
  ASSERT_TRUE(set) << error;
  ASSERT_EQ(set->runs[0].timing.size(), 3u);
  EXPECT_EQ(set->runs[0].timing[1].hit_crossing, 1176);
  EXPECT_EQ(set->runs[0].timing[1].rt_crossing, 1156);
  // Rows of the other format under this header are damage, not data.
  WriteFile("SBJ0000_20160305_090702_T.csv",
            std::string(kTimingFileHeader) + "0,0,17,-1,4567,4567,-1\r\n");
  set = ReadResultFiles(trial, &error);
  EXPECT_FALSE(set);
  EXPECT_NE(error.find("_T.csv: line 2"), std::string::npos) << error;
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

// Runs `read` as the unprivileged account "nobody" when this test runs as root
// (root reads every file); its result comes back through a pipe.
std::string AsUnprivileged(const fs::path& scratch, const std::function<std::string()>& read) {
  if (::geteuid() != 0) return read();
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return "pipe failed";
  fs::permissions(scratch, fs::perms::owner_all | fs::perms::others_exec, fs::perm_options::add);
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipe_fds[0]);
    std::string out = ::setgid(65534) == 0 && ::setuid(65534) == 0 ? read() : "setuid failed";
    [[maybe_unused]] const ssize_t ignored = ::write(pipe_fds[1], out.data(), out.size());
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  std::string out;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;)
    out.append(buffer, size_t(n));
  ::close(pipe_fds[0]);
  ::waitpid(child, nullptr, 0);
  return out;
}

// Each file of a run that is a folder, a FIFO or unreadable stops the reading
// with its name and the reason (never an exception, never a wait on the FIFO).
TEST_F(ReaderTest, FilesThatCannotBeReadAreNamedWithTheReason) {
  ::alarm(60);  // a reader blocked on a FIFO ends the test instead of hanging it
  const std::string stem = "SBJ0000_20160305_090702";
  const std::string suffixes[] = {".csv", "_B.csv", "_T.csv", "_run.json"};
  enum Kind { kFolder, kFifo, kUnreadable };
  const std::pair<Kind, const char*> kinds[] = {
      {kFolder, "it is a folder"}, {kFifo, "it is a FIFO"}, {kUnreadable, "Permission denied"}};
  for (const std::string& suffix : suffixes) {
    for (const auto& [kind, reason] : kinds) {
      SCOPED_TRACE(suffix + ": " + reason);
      const fs::path trial = fs::absolute(Place("trial_fresh.csv", "body_fresh.csv"));
      WriteFile(stem + "_T.csv", "Trial,Onset,OnsetShown,HitPicture,HitPass,RT,RTPicture\r\n");
      WriteFile(stem + "_run.json", "{}");
      const fs::path file = fs::absolute(stem + suffix);
      fs::remove(file);
      if (kind == kFolder) fs::create_directory(file);
      if (kind == kFifo) ASSERT_EQ(::mkfifo(file.c_str(), 0666), 0);
      if (kind == kUnreadable) {
        WriteFile(file, suffix == "_run.json" ? "{}" : Golden("trial_header_only.csv"));
        fs::permissions(file, fs::perms::none);
      }
      const auto read = [&] {
        std::string why;
        return ReadResultFiles(trial.string(), &why) ? std::string("read") : why;
      };
      const std::string error =
          kind == kUnreadable ? AsUnprivileged(work_.parent_path(), read) : read();
      EXPECT_NE(error.find(file.string() + ": "), std::string::npos) << error;
      EXPECT_NE(error.find(reason), std::string::npos) << error;
      EXPECT_EQ(error.find("missing"), std::string::npos) << error;
      fs::remove_all(file);
    }
  }
  ::alarm(0);
}

// A row that lost its line end was cut off while it was written (877 may
// read as 87): it is left out, and so are timing rows that do not pair with
// the trials; what is left out is said, file by file.
TEST_F(ReaderTest, CutOffRowsAndUnpairedTimingRowsAreLeftOutAndSaid) {
  const std::string stem = "SBJ0000_20160305_090702";
  const std::string timing_header = "Trial,Onset,OnsetShown,HitPicture,HitPass,RT,RTPicture\r\n";
  const std::string t0 = "0,0,17,-1,4567,4567,-1\r\n", t1 = "1,0,20,1190,1203,1203,1170\r\n",
                    t2 = "2,2253,-1,-1,2250,-3,-1\r\n";
  std::string trial_cut = Golden("trial_fresh.csv");
  trial_cut.resize(trial_cut.size() - 3);  // RT 2250 of the last row read as 225
  std::string body_cut = Golden("body_fresh.csv");
  body_cut.resize(body_cut.size() - 4);
  struct Case {
    const char* name;
    std::string trial, body, timing;
    size_t trials, samples, timing_rows;
    std::vector<std::string> damage;  // in this order, each in one message
  } cases[] = {
      {"timing cut inside a number",
       "",
       "",
       timing_header + t0 + "1,0,20,1190,1203,1203,117",
       3,
       4,
       1,
       {"_T.csv: line 3 has no line end", "_T.csv: no timing row for trials 1 to 2"}},
      {"timing rows missing",
       "",
       "",
       timing_header + t0,
       3,
       4,
       1,
       {"_T.csv: no timing row for trials 1 to 2 (the file ends before them)"}},
      {"timing row of another RT",
       "",
       "",
       timing_header + t0 + "1,0,20,1190,1203,877,1170\r\n" + t2,
       3,
       4,
       2,
       {"_T.csv: the timing rows of 1 trial(s) (trial 1) do not match"}},
      {"trial file cut",
       trial_cut,
       "",
       timing_header + t0 + t1 + t2,
       2,
       4,
       2,
       {".csv: line 4 has no line end", "_T.csv: 1 timing row(s) after the trial file's last"}},
      {"body file cut",
       "",
       body_cut,
       timing_header + t0 + t1 + t2,
       3,
       3,
       3,
       {"_B.csv: line 5 has no line end"}},
      {"cut between CR and LF",
       "",
       "",
       timing_header + t0 + t1 + t2.substr(0, t2.size() - 1),
       3,
       4,
       3,
       {}},
  };
  // A lambda per case, so that a failed assertion moves on to the next case.
  const auto check = [&](const Case& c) {
    const std::string trial = Place("trial_fresh.csv", "body_fresh.csv");
    if (!c.trial.empty()) WriteFile(trial, c.trial);
    if (!c.body.empty()) WriteFile(stem + "_B.csv", c.body);
    WriteFile(stem + "_T.csv", c.timing);
    std::string error;
    const auto set = ReadResultFiles(trial, &error);
    ASSERT_TRUE(set) << error;
    ASSERT_EQ(set->runs.size(), 1u);
    EXPECT_EQ(set->runs[0].trials.size(), c.trials);
    EXPECT_EQ(set->runs[0].samples.size(), c.samples);
    EXPECT_EQ(set->runs[0].timing.size(), c.timing_rows);
    for (const TimingRow& t : set->runs[0].timing)
      EXPECT_EQ(t.rt, set->runs[0].trials[size_t(t.trial)].rt) << "trial " << t.trial;
    ASSERT_EQ(set->damage.size(), c.damage.size()) << ::testing::PrintToString(set->damage);
    for (size_t i = 0; i < c.damage.size(); ++i)
      EXPECT_NE(set->damage[i].find(stem + c.damage[i]), std::string::npos) << set->damage[i];
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    check(c);
  }
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
