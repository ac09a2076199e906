// When a body site crossed into the balloon, between the last picture that
// showed it outside and the first that showed it inside.

#include "trial/hit_crossing.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr HitRect kBalloon{400, 200, 480, 280};  // inside: 400 <= x < 480, 200 <= y < 280
constexpr int64_t kFrame_ns = 33'333'333;

// A body whose right hand is at (x, y) and whose other sites are not placed.
TrackedBody HandAt(int32_t x, int32_t y, int32_t id = 7) {
  TrackedBody b;
  b.tracked = 1;
  b.id = id;
  for (const BodyJoint& joint : kBodyJoints) b.*joint.x = -1, b.*joint.y = -1;
  b.hand_rx = x, b.hand_ry = y;
  return b;
}

struct Picture {
  TrackedBody body;
  int64_t captured_ns;
};

TEST(HitCrossing, EntryFractionAlongTheLine) {
  const struct {
    const char* name;
    double x0, y0, x1, y1, fraction;
  } cases[] = {
      {"from the left, straight", 340, 240, 440, 240, 0.6},
      {"from above", 440, 100, 440, 250, 100.0 / 150},
      {"diagonal: the later side decides", 340, 100, 440, 250, 100.0 / 150},
      {"from the right edge: the inside ends before 480", 520, 240, 460, 240, 40.0 / 60},
      {"already within along one axis", 440, 150, 440, 210, 50.0 / 60},
  };
  for (const auto& c : cases)
    EXPECT_NEAR(EntryFraction(c.x0, c.y0, c.x1, c.y1, kBalloon), c.fraction, 1e-9) << c.name;
}

TEST(HitCrossing, BetweenTheLastPictureOutsideAndTheFirstInside) {
  const int64_t t0 = 1'000'000'000;
  const struct {
    const char* name;
    std::vector<Picture> pictures;
    int64_t crossing_ns;  // 0: unknown
  } cases[] = {
      {"one frame apart", {{HandAt(340, 240), t0}, {HandAt(440, 240), t0 + kFrame_ns}},
       t0 + 20'000'000},
      {"the hand lost for a picture in between",
       {{HandAt(340, 240), t0}, {HandAt(-1, -1), t0 + kFrame_ns}, {HandAt(440, 240), t0 + 2 * kFrame_ns}},
       t0 + 40'000'000},
      {"inside from the first picture: no picture showed it outside",
       {{HandAt(440, 240), t0}, {HandAt(445, 240), t0 + kFrame_ns}}, 0},
      {"went in, out and in again: the last entry",
       {{HandAt(340, 240), t0},
        {HandAt(440, 240), t0 + kFrame_ns},
        {HandAt(500, 240), t0 + 2 * kFrame_ns},
        {HandAt(460, 240), t0 + 3 * kFrame_ns}},
       t0 + 2 * kFrame_ns + 16'666'667},
      {"stayed inside for a while (a wrong hand shape, then the right one): its entry",
       {{HandAt(340, 240), t0},
        {HandAt(440, 240), t0 + kFrame_ns},
        {HandAt(450, 240), t0 + 2 * kFrame_ns},
        {HandAt(455, 240), t0 + 3 * kFrame_ns}},
       t0 + 20'000'000},
      {"another person took the slot", {{HandAt(340, 240, 7), t0}, {HandAt(440, 240, 8), t0 + kFrame_ns}},
       0},
      {"a picture without a capture time", {{HandAt(340, 240), 0}, {HandAt(440, 240), t0}}, 0},
  };
  for (const auto& c : cases) {
    HitCrossingTracker tracker;
    for (const Picture& p : c.pictures) tracker.Observe(2, p.body, kBalloon, p.captured_ns);
    EXPECT_NEAR(tracker.Crossing_ns(2, "Hand_R"), c.crossing_ns, 1) << c.name;
  }
}

TEST(HitCrossing, EachSiteAndSlotOnItsOwnAndANewBalloonForgets) {
  HitCrossingTracker tracker;
  TrackedBody before = HandAt(340, 240), after = HandAt(440, 240);
  before.hand_lx = 470, before.hand_ly = 140;  // left hand: straight down into it
  after.hand_lx = 470, after.hand_ly = 220;
  tracker.Observe(0, before, kBalloon, 1000);
  tracker.Observe(0, after, kBalloon, 2000);
  EXPECT_EQ(tracker.Crossing_ns(0, "Hand_R"), 1600);
  EXPECT_EQ(tracker.Crossing_ns(0, "Hand_L"), 1750);
  EXPECT_EQ(tracker.Crossing_ns(1, "Hand_R"), 0) << "another slot saw nothing";
  EXPECT_EQ(tracker.Crossing_ns(0, "Head"), 0) << "a site never placed";
  tracker.Reset();
  tracker.Observe(0, after, kBalloon, 3000);
  EXPECT_EQ(tracker.Crossing_ns(0, "Hand_R"), 0) << "pictures before the balloon say nothing";
}

}  // namespace
