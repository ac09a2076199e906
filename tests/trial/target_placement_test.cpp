// Where balloons go: the draws and the order in which random numbers are taken,
// the 150-pixel rule and its 2000-rejection limit, the mirror, the janken sign,
// the cursor move, and the mouse mode.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "state/random.h"
#include "reference_draws.h"
#include "run_harness.h"
#include "state/body_vocabulary.h"
#include "support/recording_stage.h"
#include "trial/target_placement.h"

namespace {

// Settings and body slots of the test's own; ResetState() makes them fresh
// again between the cases of one test.
class PlacementTest : public testing::Test {
 protected:
  void SetUp() override {
    stage.m_windowWidth = 1920;
    stage.m_windowHeight = 1080;
    stage.UpdateViewport();
  }
  void ResetState() {
    settings = ExperimentSettings{};
    for (TrackedBody& slot : tracked_bodies) slot = TrackedBody{};
  }
  void Place(uint32_t seed) {
    SeedRandom(seed);
    PlaceTarget(target, tracked_bodies, settings, stage, cursor);
  }

  ExperimentSettings settings;
  TrackedBody tracked_bodies[kBodySlotCount];

  std::vector<std::string> log;
  RecordingStage stage;
  FakeCursor cursor{log};
  Target target;
};

TEST_F(PlacementTest, FirstDrawsOfSeedOne) {
  // 41, 18467, 6334, 26500 give u = 0.00126838... and 0.19331712...
  Place(1);
  EXPECT_EQ(target.target_x, 160);
  EXPECT_EQ(target.target_y, 147);
  PlaceTarget(target, tracked_bodies, settings, stage, cursor);  // 19169, 15724, 11478, 29358
  EXPECT_EQ(target.target_x, 534);
  EXPECT_EQ(target.target_y, 210);
}

TEST_F(PlacementTest, SequenceOfASeedFollowsTheDraws) {
  for (uint32_t seed : {12345u, 0u, 0xFFFFFFFFu}) {
    SeedRandom(seed);
    ReferenceDraws ref(seed);
    for (int i = 0; i < 50; ++i) {
      PlaceTarget(target, tracked_bodies, settings, stage, cursor);
      const int32_t x = ref.X();
      const int32_t y = ref.Y();
      ASSERT_EQ(target.target_x, x) << seed << " #" << i;
      ASSERT_EQ(target.target_y, y) << seed << " #" << i;
      EXPECT_EQ(target.hit_rect.left, x - 64);
      EXPECT_EQ(target.hit_rect.top, y - 64);
      EXPECT_EQ(target.hit_rect.right, x + 64);
      EXPECT_EQ(target.hit_rect.bottom, y + 64);
      EXPECT_EQ(target.tgthand, 0);
      EXPECT_GE(x, 160);
      EXPECT_LE(x, 799);
      EXPECT_GE(y, 70);
      EXPECT_LE(y, 469);
    }
    EXPECT_EQ(random_state, ref.state());  // four draws per balloon, nothing else
  }
}

TEST_F(PlacementTest, MirrorOffFlipsTheDrawnX) {
  settings.mirror = 0;
  SeedRandom(99);
  ReferenceDraws ref(99);
  for (int i = 0; i < 200; ++i) {
    PlaceTarget(target, tracked_bodies, settings, stage, cursor);
    const int32_t x = 960 - ref.X();
    ASSERT_EQ(target.target_x, x);
    ASSERT_EQ(target.target_y, ref.Y());
    EXPECT_EQ(target.hit_rect.left, x - 64);
    EXPECT_GE(x, 161);
    EXPECT_LE(x, 800);
  }
}

TEST_F(PlacementTest, JankenSignNeverRepeatsAndTakesItsDrawsAfterThePosition) {
  settings.janken = 2;
  SeedRandom(4242);
  ReferenceDraws ref(4242);
  int32_t previous = 0;
  int seen[4] = {0, 0, 0, 0};
  for (int i = 0; i < 300; ++i) {
    PlaceTarget(target, tracked_bodies, settings, stage, cursor);
    const int32_t x = ref.X();
    const int32_t y = ref.Y();
    const int32_t sign = ref.Sign(previous);
    ASSERT_EQ(target.target_x, x);
    ASSERT_EQ(target.target_y, y);
    ASSERT_EQ(target.tgthand, sign);
    ASSERT_NE(target.tgthand, previous);
    ++seen[sign];
    previous = sign;
  }
  EXPECT_EQ(random_state, ref.state());
  EXPECT_GT(seen[1], 0);
  EXPECT_GT(seen[2], 0);
  EXPECT_GT(seen[3], 0);
}

TEST_F(PlacementTest, CursorGoesOntoTheBalloonCentre) {
  struct Case {
    int32_t window_w, window_h, mirror;
  } cases[] = {{1920, 1080, 1}, {1024, 768, 1}, {1280, 1024, 0}, {1366, 768, 1}};
  for (const Case& c : cases) {
    stage.m_windowWidth = c.window_w;
    stage.m_windowHeight = c.window_h;
    ASSERT_TRUE(stage.UpdateViewport());
    settings.mirror = c.mirror;
    cursor.moves.clear();
    Place(7);
    ASSERT_EQ(cursor.moves.size(), 1u);
    const double x = target.target_x, y = target.target_y;
    EXPECT_EQ(cursor.moves[0].x, static_cast<int32_t>((x + 32) * stage.m_scale + stage.m_offsetX));
    EXPECT_EQ(cursor.moves[0].y, static_cast<int32_t>((y + 114) * stage.m_scale + stage.m_offsetY));
  }
  // 1920 x 1080 by hand: seed 1 puts the balloon at (160, 147).
  stage.m_windowWidth = 1920;
  stage.m_windowHeight = 1080;
  stage.UpdateViewport();
  settings.mirror = 1;
  Place(1);
  EXPECT_EQ(cursor.pos.x, 510);  // (160 + 32) * 1.40625 + 240
  EXPECT_EQ(cursor.pos.y, 367);  // (147 + 114) * 1.40625 = 367.03
}

// ------------------------------------------------------------ the 150-pixel rule

// Seed 1 draws (160, 147) first and (534, 210) second.
TEST_F(PlacementTest, EveryJointKeepsTheBalloonAway) {
  for (const BodyJoint& joint : kBodyJoints) {
    SCOPED_TRACE(joint.name);
    ResetState();
    tracked_bodies[3] = AwayBody(1);
    tracked_bodies[3].*joint.x = 160 + 149;  // 149.97 from the first draw
    tracked_bodies[3].*joint.y = 147 + 17;
    Place(1);
    EXPECT_EQ(target.target_x, 534);
    EXPECT_EQ(target.target_y, 210);
  }
}

TEST_F(PlacementTest, WhichSlotsAndDistancesReject) {
  struct Case {
    const char* name;
    int32_t joint_x, joint_y;
    int32_t tracked, nearest, flag_single;
    bool rejected;
    int32_t mirror = 1;
  } cases[] = {
      {"exactly_150_passes", 310, 147, 1, 0, 0, false},
      {"exactly_150_diagonal", 160 + 90, 147 + 120, 1, 0, 0, false},
      {"just_below_150", 309, 147, 1, 0, 0, true},
      {"untracked_slot_ignored", 160, 147, 0, 1, 0, false},
      {"one_person_not_nearest_ignored", 160, 147, 1, 0, 1, false},
      {"one_person_nearest_counts", 160, 147, 1, 1, 1, true},
      {"flag_single_2_is_not_one_person", 160, 147, 1, 0, 2, true},
      // Mirror off: the body is tested against the draw, the balloon then goes
      // to the displayed side (960 - x), whatever body stands there.
      {"mirror_off_body_on_the_draw", 160, 147, 1, 0, 0, true, 0},
      {"mirror_off_body_only_on_the_displayed_side", 800, 147, 1, 0, 0, false, 0},
  };
  for (const Case& c : cases) {
    ResetState();
    settings.flag_single = c.flag_single;
    settings.mirror = c.mirror;
    tracked_bodies[5] = AwayBody(1);
    tracked_bodies[5].tracked = c.tracked;
    tracked_bodies[5].nearest = c.nearest;
    tracked_bodies[5].head_x = c.joint_x;
    tracked_bodies[5].head_y = c.joint_y;
    Place(1);
    const int32_t drawn_x = c.rejected ? 534 : 160;
    EXPECT_EQ(target.target_x, c.mirror == 0 ? 960 - drawn_x : drawn_x) << c.name;
  }
}

TEST_F(PlacementTest, AfterTwoThousandRejectionsTheNextDrawIsTaken) {
  // Joints on a grid that leaves no point of the draw area 150 away from all.
  tracked_bodies[0] = AwayBody(1);
  const int32_t grid[8][2] = {{240, 150}, {400, 150}, {560, 150}, {720, 150},
                              {240, 390}, {400, 390}, {560, 390}, {720, 390}};
  int k = 0;
  for (const BodyJoint& joint : kBodyJoints) {
    tracked_bodies[0].*joint.x = grid[k % 8][0];
    tracked_bodies[0].*joint.y = grid[k % 8][1];
    ++k;
  }
  settings.janken = 1;
  SeedRandom(31337);
  PlaceTarget(target, tracked_bodies, settings, stage, cursor);

  ReferenceDraws ref(31337);
  int32_t x = 0, y = 0;
  for (int draw = 0; draw < 2001; ++draw) {
    x = ref.X();
    y = ref.Y();
  }
  const int32_t sign = ref.Sign(0);
  EXPECT_EQ(target.target_x, x);
  EXPECT_EQ(target.target_y, y);
  EXPECT_EQ(target.tgthand, sign);
  EXPECT_EQ(random_state, ref.state());  // 2001 draws of four numbers, then the sign
}

// ------------------------------------------------------------ mouse mode

TEST_F(PlacementTest, FollowCursorMapsTheCursorWithoutMirrorOrClamp) {
  struct Case {
    int32_t cx, cy;
    int32_t x, y;
  } cases[] = {
      {240, 0, -32, -114},      // canvas (0, 0)
      {1679, 1079, 991, 653},   // canvas (1023, 767)
      {239, 0, -32, -114},      // -0.71 truncates toward zero
      {0, 0, -32 - 170, -114},  // off the canvas: no clamping
      {960, 540, 480, 270},     // canvas (512, 384)
  };
  settings.mirror = 0;  // the cursor is already on the displayed side
  for (const Case& c : cases) {
    cursor.pos = {c.cx, c.cy};
    FollowCursor(target, stage, cursor);
    EXPECT_EQ(target.target_x, c.x) << c.cx;
    EXPECT_EQ(target.target_y, c.y) << c.cy;
    EXPECT_EQ(target.hit_rect.left, c.x - 64);
    EXPECT_EQ(target.hit_rect.bottom, c.y + 64);
  }
}

}  // namespace
