// What a run does with settings values outside their meaningful range.

#include <gtest/gtest.h>

#include "state/setting_checks.h"

namespace {

TEST(RunConditionNotes, NameWhatTheRunDoesInsteadOfTheValue) {
  struct Case {
    int32_t janken, timelimit;
    std::vector<std::string> notes;
  };
  const Case cases[] = {
      {0, 60, {}},
      {2, 1, {}},
      {5, 60, {"janken 5: runs as late janken (後出しじゃんけん), recorded as 5"}},
      {-1, 60, {"janken -1: runs as late janken (後出しじゃんけん), recorded as -1"}},
      {1, 0, {"timelimit 0: the run ends at the first pop after the start balloon, recorded as 0"}},
      {7, -3,
       {"janken 7: runs as late janken (後出しじゃんけん), recorded as 7",
        "timelimit -3: the run ends at the first pop after the start balloon, recorded as -3"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.janken << " " << c.timelimit);
    ExperimentSettings s;
    s.janken = c.janken;
    s.timelimit = c.timelimit;
    EXPECT_EQ(RunConditionNotes(s), c.notes);
    EXPECT_EQ(RunConditionMessage(s).empty(), c.notes.empty());
  }
  EXPECT_STREQ(JankenModeName(0), "none");
  EXPECT_STREQ(JankenModeName(1), "normal");
  EXPECT_STREQ(JankenModeName(2), "late");
  EXPECT_STREQ(JankenModeName(5), "late");
}

}  // namespace
