// Which body is nearest, the mirror of the limb joints, and when a body pops the
// balloon: the body-site table without janken, the janken rule with it.

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "run_harness.h"
#include "trial/response_rules.h"

namespace {

Target BalloonAt(int32_t x, int32_t y, int32_t tgthand = 0) {
  Target t;
  t.target_x = x;
  t.target_y = y;
  t.hit_rect = HitRect{x - 64, y - 64, x + 64, y + 64};
  t.tgthand = tgthand;
  t.shown = 1;
  return t;
}

// Settings and body slots of the test's own, fresh for every test.
class ResponseRulesTest : public testing::Test {
 protected:
  std::string Hit(const TrackedBody& body, const Target& target) const {
    const char* site = HitTest(body, target, settings);
    return site == nullptr ? "none" : site;
  }

  ExperimentSettings settings;
  TrackedBody tracked_bodies[kBodySlotCount];
};

// ------------------------------------------------------------ SelectNearest

struct NearestCase {
  const char* name;
  int32_t tracked[6];
  double dist[6];
  int expected;  // slot marked nearest, -1 none
};

class SelectNearestTest : public ResponseRulesTest,
                          public testing::WithParamInterface<NearestCase> {};

TEST_P(SelectNearestTest, MarksOnlyTheNearestTrackedSlot) {
  const NearestCase& c = GetParam();
  for (int i = 0; i < 6; ++i) {
    tracked_bodies[i].tracked = c.tracked[i];
    tracked_bodies[i].head_dist = c.dist[i];
    tracked_bodies[i].nearest = 1;  // stale marks are cleared
  }
  SelectNearest(tracked_bodies);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(tracked_bodies[i].nearest, i == c.expected ? 1 : 0) << i;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SelectNearestTest,
    testing::Values(
        NearestCase{"nearest_wins", {1, 1, 1, 0, 0, 0}, {2.5, 1.2, 1.8, 0, 0, 0}, 1},
        NearestCase{"untracked_never_wins", {1, 0, 1, 0, 0, 0}, {2.5, 0.5, 1.8, 0, 0, 0}, 2},
        NearestCase{"tie_lower_slot", {0, 0, 1, 1, 0, 0}, {0, 0, 1.5, 1.5, 0, 0}, 2},
        NearestCase{"999_never_wins", {1, 1, 0, 0, 0, 0}, {999.0, 1500.0, 0, 0, 0, 0}, -1},
        NearestCase{"just_below_999", {1, 0, 0, 0, 0, 0}, {998.5, 0, 0, 0, 0, 0}, 0},
        NearestCase{"none_tracked", {0, 0, 0, 0, 0, 0}, {1, 1, 1, 1, 1, 1}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ MirrorJoints

TEST_F(ResponseRulesTest, MirrorFlipsLimbXOnlyAndTwiceRestores) {
  TrackedBody b = AwayBody(7);
  b.hand_lx = 100;
  b.hand_ly = 50;
  b.foot_rx = 961;
  b.head_x = 300;
  b.spine_base_x = 310;
  b.spine_mid_x = 320;
  b.spine_shoulder_x = 330;
  const TrackedBody before = b;

  MirrorJoints(b);
  EXPECT_EQ(b.hand_lx, 860);
  EXPECT_EQ(b.hand_ly, 50);
  EXPECT_EQ(b.foot_rx, -1);
  EXPECT_EQ(b.hand_rx, 961);  // an untracked joint (-1) lands off the picture
  EXPECT_EQ(b.elbow_lx, 961);
  EXPECT_EQ(b.knee_rx, 961);
  // Head and spine keep the sensor side.
  EXPECT_EQ(b.head_x, 300);
  EXPECT_EQ(b.spine_base_x, 310);
  EXPECT_EQ(b.spine_mid_x, 320);
  EXPECT_EQ(b.spine_shoulder_x, 330);

  MirrorJoints(b);
  EXPECT_EQ(0, std::memcmp(&b, &before, sizeof b));
}

TEST_F(ResponseRulesTest, MirrorOfAWildValueDoesNotOverflow) {
  TrackedBody b;
  b.hand_lx = INT32_MIN;
  b.hand_rx = INT32_MAX;
  MirrorJoints(b);
  EXPECT_EQ(b.hand_lx, INT32_MAX);
  EXPECT_EQ(b.hand_rx, 960 - INT32_MAX);
}

// ------------------------------------------------------------ body-site rule

struct SiteCase {
  const char* name;
  int32_t ExperimentSettings::*flag;  // enabled for the case; null: none
  int32_t TrackedBody::*x;            // the joint moved into the balloon
  int32_t TrackedBody::*y;
  const char* expected;
};

class SiteRuleTest : public ResponseRulesTest, public testing::WithParamInterface<SiteCase> {};

TEST_P(SiteRuleTest, JointInsideGivesTheSiteWhenEnabled) {
  const SiteCase& c = GetParam();
  if (c.flag != nullptr) settings.*c.flag = 1;
  TrackedBody b = AwayBody(1);
  b.*c.x = 500;
  b.*c.y = 300;
  EXPECT_EQ(Hit(b, BalloonAt(500, 300)), c.expected);
}

using S = ExperimentSettings;
using B = TrackedBody;
INSTANTIATE_TEST_SUITE_P(
    Sites, SiteRuleTest,
    testing::Values(
        SiteCase{"hand_l_no_flags", nullptr, &B::hand_lx, &B::hand_ly, "Hand_L"},
        SiteCase{"hand_r_no_flags", nullptr, &B::hand_rx, &B::hand_ry, "Hand_R"},
        SiteCase{"head", &S::flag_head, &B::head_x, &B::head_y, "Head"},
        SiteCase{"head_off", nullptr, &B::head_x, &B::head_y, "none"},
        SiteCase{"elbow_l", &S::flag_elbow, &B::elbow_lx, &B::elbow_ly, "Elbow_L"},
        SiteCase{"elbow_r", &S::flag_elbow, &B::elbow_rx, &B::elbow_ry, "Elbow_R"},
        SiteCase{"shoulder_l", &S::flag_shoulder, &B::shoulder_lx, &B::shoulder_ly, "Should_L"},
        SiteCase{"shoulder_r", &S::flag_shoulder, &B::shoulder_rx, &B::shoulder_ry, "Should_R"},
        SiteCase{"hip_l", &S::flag_hip, &B::hip_lx, &B::hip_ly, "Hip_L"},
        SiteCase{"hip_r", &S::flag_hip, &B::hip_rx, &B::hip_ry, "Hip_R"},
        SiteCase{"knee_l", &S::flag_knee, &B::knee_lx, &B::knee_ly, "Knee_L"},
        SiteCase{"knee_r", &S::flag_knee, &B::knee_rx, &B::knee_ry, "Knee_R"},
        SiteCase{"foot_l", &S::flag_foot, &B::foot_lx, &B::foot_ly, "Foot_L"},
        SiteCase{"foot_r", &S::flag_foot, &B::foot_rx, &B::foot_ry, "Foot_R"},
        SiteCase{"foot_with_knee_flag", &S::flag_knee, &B::foot_rx, &B::foot_ry, "none"},
        SiteCase{"spine_is_no_site", &S::flag_hip, &B::spine_base_x, &B::spine_base_y, "none"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResponseRulesTest, RectangleIncludesLeftAndTopEdgesOnly) {
  struct Case {
    int32_t x, y;
    bool inside;
  } cases[] = {
      {436, 236, true},   // left-top corner
      {563, 363, true},   // last pixel inside
      {564, 300, false},  // right edge
      {500, 364, false},  // bottom edge
      {435, 300, false},  // just left
      {500, 235, false},  // just above
  };
  const Target t = BalloonAt(500, 300);
  for (const Case& c : cases) {
    TrackedBody b = AwayBody(1);
    b.hand_rx = c.x;
    b.hand_ry = c.y;
    EXPECT_EQ(Hit(b, t), c.inside ? "Hand_R" : "none") << c.x << "," << c.y;
  }
}

TEST_F(ResponseRulesTest, EarliestRowOfTheTableNamesTheResponse) {
  settings.flag_head = settings.flag_elbow = settings.flag_foot = 1;
  TrackedBody b = AwayBody(1);
  b.foot_lx = b.elbow_rx = b.head_x = 500;
  b.foot_ly = b.elbow_ry = b.head_y = 300;
  EXPECT_EQ(Hit(b, BalloonAt(500, 300)), "Head");
  b.hand_rx = 500;
  b.hand_ry = 300;
  EXPECT_EQ(Hit(b, BalloonAt(500, 300)), "Hand_R");
  b.hand_lx = 510;
  b.hand_ly = 310;
  EXPECT_EQ(Hit(b, BalloonAt(500, 300)), "Hand_L");
}

TEST_F(ResponseRulesTest, HandPopsWhateverItsShapeWithoutJanken) {
  for (int32_t shape = 0; shape <= 3; ++shape) {
    TrackedBody b = AwayBody(1);
    b.hand_l = shape;
    b.hand_lx = 500;
    b.hand_ly = 300;
    EXPECT_EQ(Hit(b, BalloonAt(500, 300, 0)), "Hand_L") << shape;
  }
}

// ------------------------------------------------------------ janken rule

TEST(JankenRuleTest, ShapeThatBeatsOrLosesToTheSign) {
  struct Case {
    int32_t janken, sign, shape;
  } cases[] = {
      {1, kHandRock, kHandPaper},    {1, kHandScissors, kHandRock},  {1, kHandPaper, kHandScissors},
      {2, kHandRock, kHandScissors}, {2, kHandScissors, kHandPaper}, {2, kHandPaper, kHandRock},
      {7, kHandRock, kHandScissors},  // any other nonzero mode is "late"
  };
  for (const Case& c : cases)
    EXPECT_EQ(JankenRule(c.janken, c.sign), c.shape) << c.janken << c.sign;
}

struct JankenCase {
  const char* name;
  int32_t janken, tgthand;
  bool left_in;
  int32_t left_shape;
  bool right_in;
  int32_t right_shape;
  const char* expected;
};

class JankenHitTest : public ResponseRulesTest, public testing::WithParamInterface<JankenCase> {};

TEST_P(JankenHitTest, OnlyTheRightShapePops) {
  const JankenCase& c = GetParam();
  settings.janken = c.janken;
  // Site flags play no part in the janken modes.
  settings.flag_head = settings.flag_elbow = 1;
  TrackedBody b = AwayBody(1);
  b.head_x = b.elbow_lx = 500;
  b.head_y = b.elbow_ly = 300;
  b.hand_l = c.left_shape;
  b.hand_r = c.right_shape;
  if (c.left_in) {
    b.hand_lx = 480;
    b.hand_ly = 290;
  }
  if (c.right_in) {
    b.hand_rx = 520;
    b.hand_ry = 310;
  }
  EXPECT_EQ(Hit(b, BalloonAt(500, 300, c.tgthand)), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JankenHitTest,
    testing::Values(
        JankenCase{"left_right_shape", 1, kHandRock, true, kHandPaper, false, 0, "Hand_L"},
        JankenCase{"right_right_shape", 1, kHandRock, false, 0, true, kHandPaper, "Hand_R"},
        JankenCase{"left_wrong_blocks_right", 1, kHandRock, true, kHandRock, true, kHandPaper,
                   "none"},
        JankenCase{"left_none_blocks_right", 2, kHandPaper, true, kHandNone, true, kHandRock,
                   "none"},
        JankenCase{"right_wrong", 2, kHandPaper, false, 0, true, kHandScissors, "none"},
        JankenCase{"late_mode", 2, kHandScissors, false, 0, true, kHandPaper, "Hand_R"},
        JankenCase{"head_never_pops", 1, kHandRock, false, 0, false, 0, "none"}),
    [](const auto& info) { return std::string(info.param.name); });

// ------------------------------------------------------------ processed slots

TEST_F(ResponseRulesTest, OnePersonModeProcessesOnlyTheNearest) {
  struct Case {
    int32_t flag_single, tracked, nearest;
    bool processed;
  } cases[] = {
      {0, 1, 0, true},  {0, 0, 1, false}, {1, 1, 1, true},
      {1, 1, 0, false}, {1, 0, 1, false}, {2, 1, 0, true},  // only 1 means one-person mode
  };
  for (const Case& c : cases) {
    settings.flag_single = c.flag_single;
    TrackedBody b;
    b.tracked = c.tracked;
    b.nearest = c.nearest;
    EXPECT_EQ(IsProcessedSlot(b, settings), c.processed) << c.flag_single << c.tracked << c.nearest;
  }
}

}  // namespace
