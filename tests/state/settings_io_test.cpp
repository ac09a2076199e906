// Start-up and shut-down handling of the settings: the file into `settings` and
// back, and the seeding of the random generator.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "state/message_box.h"
#include "state/program_state.h"
#include "state/random.h"
#include "state/settings_io.h"
#include "state/temp_workdir.h"

namespace {

class SettingsIoTest : public TempWorkdir {
 protected:
  void SetUp() override {
    TempWorkdir::SetUp();
    ResetProgramState();
  }
  void TearDown() override {
    ResetProgramState();
    TempWorkdir::TearDown();
  }
  // A later program start: fresh state, the same working directory.
  static void Restart() {
    ResetProgramState();
    LoadProgramSettings();
  }
};

TEST_F(SettingsIoTest, MissingFileGivesThirteenDefaultLines) {
  LoadProgramSettings();
  StoreProgramSettings();
  EXPECT_EQ(ReadBytes("Tavelin2.ini"),
            "subject = SBJ0000\r\n"
            "random_seed = 0\r\n"
            "janken = 0\r\n"
            "mirror = 1\r\n"
            "timelimit = 60\r\n"
            "flag_head = 0\r\n"
            "flag_shoulder = 0\r\n"
            "flag_elbow = 0\r\n"
            "flag_hip = 0\r\n"
            "flag_knee = 0\r\n"
            "flag_foot = 0\r\n"
            "flag_mouse = 0\r\n"
            "flag_single = 0\r\n");
}

TEST_F(SettingsIoTest, ValuesAreReadAndWrittenBackInTheFilesOrder) {
  WriteBytes("Tavelin2.ini",
             "# lab A\r\n"
             "Timelimit = 5\r\n"
             "janken = 7\r\n"
             "mirror=5\n"
             "\r\n"
             "timelimit = 007\r\n"
             "flag_hip = 1x\r\n"
             "extra = x = y\r\n"
             "subject = たろう\r\n");
  LoadProgramSettings();
  EXPECT_EQ(settings.subject, "たろう");
  EXPECT_EQ(settings.janken, 7);
  EXPECT_EQ(settings.mirror, 5);
  EXPECT_EQ(settings.timelimit, 7);
  EXPECT_EQ(settings.flag_hip, 1);
  EXPECT_EQ(settings.flag_knee, 0);  // not in the file: stays at its default

  StoreProgramSettings();
  EXPECT_EQ(ReadBytes("Tavelin2.ini"),
            "# lab A = \r\n"
            "Timelimit = 5\r\n"
            "janken = 7\r\n"
            "mirror = 5\r\n"
            "timelimit = 7\r\n"
            "flag_hip = 1\r\n"
            "extra = x\r\n"
            "subject = たろう\r\n"
            "random_seed = 0\r\n"
            "flag_head = 0\r\n"
            "flag_shoulder = 0\r\n"
            "flag_elbow = 0\r\n"
            "flag_knee = 0\r\n"
            "flag_foot = 0\r\n"
            "flag_mouse = 0\r\n"
            "flag_single = 0\r\n");
}

TEST_F(SettingsIoTest, ShiftJisSubjectKeepsItsBytes) {
  const std::string sjis_line = "subject = \x82\xbd\x82\xeb\x82\xa4\x95\x5c\r\n";
  WriteBytes("Tavelin2.ini", sjis_line);
  LoadProgramSettings();
  EXPECT_EQ(settings.subject, "\x82\xbd\x82\xeb\x82\xa4\x95\x5c");
  StoreProgramSettings();
  EXPECT_EQ(ReadBytes("Tavelin2.ini").substr(0, sjis_line.size()), sjis_line);
}

TEST_F(SettingsIoTest, SubjectWithEqualsOrBlanksComesBackShortened) {
  const std::pair<std::string, std::string> cases[] = {{"A=B", "A"}, {"  S 01\t", "S 01"}};
  for (const auto& [entered, next_start] : cases) {
    SCOPED_TRACE(entered);
    Restart();
    settings.subject = entered;
    StoreProgramSettings();
    EXPECT_EQ(ReadBytes("Tavelin2.ini").substr(0, 12 + entered.size()),
              "subject = " + entered + "\r\n");
    Restart();
    EXPECT_EQ(settings.subject, next_start);
  }
}

// Ran as root, an unreadable file takes an ordinary account: root reads everything.
class AsNobody {
 public:
  explicit AsNobody(const std::filesystem::path& dir) : root_(::geteuid() == 0) {
    if (!root_) return;
    std::filesystem::permissions(dir, std::filesystem::perms::all);
    EXPECT_EQ(::chown("Tavelin2.ini", kNobody, kNobody), 0);
    EXPECT_EQ(::seteuid(kNobody), 0);
  }
  ~AsNobody() {
    if (root_) {
      EXPECT_EQ(::seteuid(0), 0);
    }
  }

 private:
  static constexpr uid_t kNobody = 65534;
  bool root_;
};

struct Reported {
  std::vector<std::string> messages;
  std::vector<std::string> questions;
};

class UnreadableSettingsTest : public SettingsIoTest {
 protected:
  void SetUp() override {
    SettingsIoTest::SetUp();
    old_box_ = SetMessageBoxHandler([this](const std::string& text, const std::string&, uint32_t) {
      seen_.messages.push_back(text);
    });
    old_question_ = SetQuestionBoxHandler([this](const std::string& text, const std::string&) {
      seen_.questions.push_back(text);
      return answer_;
    });
  }
  void TearDown() override {
    SetMessageBoxHandler(old_box_);
    SetQuestionBoxHandler(old_question_);
    SettingsIoTest::TearDown();
  }

  Reported seen_;
  bool answer_ = false;

 private:
  MessageBoxHandler old_box_;
  QuestionBoxHandler old_question_;
};

// A file the program cannot read: it is named with the reason, the defaults are
// used, and it is replaced at exit only when the experimenter says so.
TEST_F(UnreadableSettingsTest, WriteOnlyFileIsReportedAndKeptUnlessTheExperimenterAgrees) {
  const std::string kept = "subject = P7\r\ntimelimit = 30\r\n";
  for (bool answer : {false, true}) {
    SCOPED_TRACE(answer);
    seen_ = {};
    answer_ = answer;
    WriteBytes("Tavelin2.ini", kept);
    ASSERT_EQ(::chmod("Tavelin2.ini", 0200), 0);
    {
      AsNobody nobody(dir_);
      Restart();
      EXPECT_EQ(settings.timelimit, 60);
      settings.janken = 2;
      EXPECT_FALSE(SaveConfirmedSettings());  // not at the start of a run either
      StoreProgramSettings();
    }
    ASSERT_EQ(seen_.messages.size(), 1u);
    EXPECT_EQ(seen_.messages[0],
              UnreadableSettingsMessage(SettingsFilePath(), std::strerror(EACCES)));
    EXPECT_NE(seen_.messages[0].find((dir_ / "Tavelin2.ini").string()), std::string::npos);
    EXPECT_EQ(seen_.questions,
              std::vector<std::string>{ReplaceUnreadableSettingsQuestion(SettingsFilePath())});
    ASSERT_EQ(::chmod("Tavelin2.ini", 0600), 0);
    if (answer) {
      EXPECT_NE(ReadBytes("Tavelin2.ini").find("janken = 2\r\n"), std::string::npos);
    } else {
      EXPECT_EQ(ReadBytes("Tavelin2.ini"), kept);
    }
  }
}

TEST_F(UnreadableSettingsTest, FolderOfThatNameIsReportedAndNoOneToAskMeansNo) {
  std::filesystem::create_directory("Tavelin2.ini");
  SetQuestionBoxHandler(nullptr);
  Restart();
  ASSERT_EQ(seen_.messages.size(), 1u);
  EXPECT_NE(seen_.messages[0].find(std::strerror(EISDIR)), std::string::npos);
  StoreProgramSettings();
  EXPECT_TRUE(std::filesystem::is_directory("Tavelin2.ini"));

  // A shutdown with no one to answer does not ask.
  SetQuestionBoxHandler([this](const std::string& text, const std::string&) {
    seen_.questions.push_back(text);
    return true;
  });
  StoreProgramSettings(/*may_ask=*/false);
  EXPECT_TRUE(seen_.questions.empty());
}

// Values the program does not use as written are named once at start-up with
// the value used; the file keeps what it held.
TEST_F(UnreadableSettingsTest, ValuesNotUsedAsWrittenAreNamedAndKept) {
  struct Case {
    const char* line;
    const char* named;  // the message's line for it; nullptr: not named
  };
  const Case cases[] = {
      {"janken = 5", "janken = 5: 5 を使います: 後出しじゃんけんとして行い、5 と記録します"},
      {"timelimit = sixty",
       "timelimit = sixty: 整数ではありません。0 を使います: 開始の風船の後、最初に風船を割った"
       "ところで終わります。0 と記録します"},
      {"mirror = 3", "mirror = 3: 3 を使います: 設定ダイアログではオフと表示し、実験では 0 を使います"},
      {"flag_head = 1s", "flag_head = 1s: 整数ではありません。1 を使います"},
      {"flag_hip =", "flag_hip = : 空です。0 を使います"},
      {"random_seed = 99999999999",
       "random_seed = 99999999999: 32ビットの範囲を超えています。2147483647 を使います"},
      {"flag_knee = 1", nullptr},
      {"flag_foot = 01", nullptr},
      {"random_seed = -7", nullptr},
      {"janken = 2", nullptr},
      {"timelimit = 1", nullptr},
      {"unknown_key = abc", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    seen_ = {};
    WriteBytes("Tavelin2.ini", std::string(c.line) + "\r\n");
    Restart();
    if (c.named == nullptr) {
      EXPECT_TRUE(seen_.messages.empty()) << seen_.messages[0];
      continue;
    }
    ASSERT_EQ(seen_.messages.size(), 1u);
    EXPECT_NE(seen_.messages[0].find(std::string("  ") + c.named + "\n"), std::string::npos)
        << seen_.messages[0];
  }

  // All in one file: one message; janken keeps its 5.
  seen_ = {};
  WriteBytes("Tavelin2.ini", "timelimit = sixty\r\njanken = 5\r\n");
  Restart();
  ASSERT_EQ(seen_.messages.size(), 1u);
  EXPECT_NE(seen_.messages[0].find("timelimit = sixty"), std::string::npos);
  EXPECT_NE(seen_.messages[0].find("janken = 5"), std::string::npos);
  EXPECT_EQ(settings.janken, 5);
  StoreProgramSettings();
  EXPECT_NE(ReadBytes("Tavelin2.ini").find("janken = 5\r\n"), std::string::npos);
}

// The values confirmed for a run are on disk before it starts.
TEST_F(SettingsIoTest, ConfirmedSettingsAreSavedAtTheStartOfARun) {
  WriteBytes("Tavelin2.ini", "# lab A\r\nsubject = P1\r\n");
  Restart();
  settings.subject = "P2";
  settings.janken = 1;
  EXPECT_TRUE(SaveConfirmedSettings());
  Restart();  // as after a crash mid-run
  EXPECT_EQ(settings.subject, "P2");
  EXPECT_EQ(settings.janken, 1);
  EXPECT_EQ(ReadBytes("Tavelin2.ini").substr(0, 26), "# lab A = \r\nsubject = P2\r\n");
}

TEST_F(SettingsIoTest, EmptyKeyLineDoesNotZeroTheTimeLimitAtTheSecondStart) {
  WriteBytes("Tavelin2.ini", "= = timelimit\r\ntimelimit = 45\r\n");
  for (int start = 1; start <= 3; ++start) {
    SCOPED_TRACE(start);
    Restart();
    EXPECT_EQ(settings.timelimit, 45);
    StoreProgramSettings();
  }
}

TEST(SeedFromSetting, NonZeroSeedIsTakenAsUnsignedAndZeroUsesTheTime) {
  struct Case {
    int32_t random_seed;
    int64_t now_seconds;
    uint32_t seed;
  };
  const Case cases[] = {
      {7, 1'700'000'000, 7},
      {-1, 1'700'000'000, 4294967295u},
      {INT32_MIN, 0, 2147483648u},
      {0, 0, 0},
      {0, 0x12345678, 0x5678},
      {0, 65535, 65535},
      {0, 65536, 0},  // 65536 seconds apart: the same seed
      {0, 1'700'000'000, 1'700'000'000 % 65536},
      {0, 1'700'000'000 + 65536, 1'700'000'000 % 65536},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.random_seed << " at " << c.now_seconds);
    EXPECT_EQ(SeedFromSetting(c.random_seed, c.now_seconds), c.seed);
  }
}

// Seed 7 gives 61, 17422, 15215, 7040, ...; start-up discards the first two.
TEST_F(SettingsIoTest, SeedingDiscardsTwoDraws) {
  for (auto [random_seed, now] : {std::pair<int32_t, int64_t>{7, 999}, {0, 65536 * 3 + 7}}) {
    SCOPED_TRACE(random_seed);
    settings.random_seed = random_seed;
    SeedProgramRandom(now);
    EXPECT_EQ(NextRandom(), 15215);
    EXPECT_EQ(NextRandom(), 7040);
  }
}

TEST_F(SettingsIoTest, SeedFromTheFileGivesTheSameSequenceEveryStart) {
  WriteBytes("Tavelin2.ini", "random_seed = -1\r\n");
  std::vector<int32_t> first, second;
  for (auto* run : {&first, &second}) {
    Restart();
    SeedProgramRandom(run == &first ? 100 : 200);
    for (int i = 0; i < 4; ++i) run->push_back(NextRandom());
  }
  // Seed 4294967295: 35, 29739, then these.
  EXPECT_EQ(first, (std::vector<int32_t>{3374, 11141, 31308, 7870}));
  EXPECT_EQ(second, first);
}

}  // namespace
