// Start-up and shut-down handling of the settings: the file into `settings` and
// back, and the seeding of the random generator.

#include <gtest/gtest.h>

#include <climits>
#include <string>

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
