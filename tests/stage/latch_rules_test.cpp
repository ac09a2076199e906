// The input latch rules: keys, mouse presses and moves, touch messages.

#include "stage/latch_rules.h"

#include <gtest/gtest.h>

// Found by argument-dependent lookup, so it lives beside LatchPoint.
static bool operator==(const LatchPoint& a, const LatchPoint& b) {
  return a.x == b.x && a.y == b.y;
}

namespace {

std::vector<LatchPoint> Points(const InputLatch& latch) {
  return latch.points;
}

TouchRecord Contact(int32_t x, int32_t y, uint32_t flags = kTouchFlagMove) {
  return TouchRecord{x, y, 1, flags};
}

TEST(LatchKeys, KeyDownSetsAndAnyKeyUpClears) {
  InputLatch latch;
  LatchKeyDown(latch, VK_M);
  EXPECT_EQ(latch.key, 77);
  LatchKeyDown(latch, VK_SPACE);
  LatchKeyUp(latch);  // whichever key went up
  EXPECT_EQ(latch.key, 0);

  // A held key repeats after each clear.
  LatchKeyDown(latch, VK_ESCAPE);
  LatchClear(latch);
  EXPECT_EQ(latch.key, 0);
  LatchKeyDown(latch, VK_ESCAPE);
  EXPECT_EQ(latch.key, 27);
}

TEST(LatchMouse, PressesTrackOnePointAndAreIgnoredWhileTracking) {
  InputLatch latch;
  LatchMouseMove(latch, 5, 5);  // no button: ignored
  EXPECT_EQ(latch.down, 0);
  EXPECT_EQ(latch.point_count, 0);

  LatchButtonDown(latch, MouseButton::kLeft, 10, 20);
  EXPECT_EQ(latch.buttons, 1u);
  EXPECT_EQ(latch.down, 1);
  EXPECT_EQ(Points(latch), (std::vector<LatchPoint>{{10, 20}}));
  EXPECT_EQ(latch.point_count, 1);

  LatchButtonDown(latch, MouseButton::kRight, 30, 40);  // already tracking
  EXPECT_EQ(latch.buttons, 1u);
  EXPECT_EQ(Points(latch), (std::vector<LatchPoint>{{10, 20}}));

  LatchMouseMove(latch, 11, 21);
  EXPECT_EQ(Points(latch), (std::vector<LatchPoint>{{11, 21}}));

  LatchButtonUp(latch, MouseButton::kLeft);
  EXPECT_EQ(latch.buttons, 0u);
  EXPECT_EQ(latch.down, 0);
  EXPECT_EQ(latch.point_count, 0);
  EXPECT_TRUE(latch.points.empty());

  LatchButtonUp(latch, MouseButton::kLeft);  // not tracking: ignored
  EXPECT_EQ(latch.down, 0);
}

TEST(LatchMouse, RightPressThenMoveSetsBothBitsAndRightReleaseKeepsLeft) {
  InputLatch latch;
  LatchButtonDown(latch, MouseButton::kRight, 1, 2);
  EXPECT_EQ(latch.buttons, 2u);
  LatchMouseMove(latch, 3, 4);
  EXPECT_EQ(latch.buttons, 3u);
  LatchButtonUp(latch, MouseButton::kRight);
  EXPECT_EQ(latch.buttons, 1u);
  EXPECT_EQ(latch.down, 0);
  EXPECT_EQ(latch.point_count, 0);
  // The left bit left behind makes the next move track again at the new place.
  LatchMouseMove(latch, 7, 8);
  EXPECT_EQ(latch.down, 1);
  EXPECT_EQ(Points(latch), (std::vector<LatchPoint>{{7, 8}}));
}

TEST(LatchTouch, LiftingRecordsAreLeftOutAndPositionsTruncate) {
  InputLatch latch;
  const std::vector<TouchRecord> records = {Contact(123456, 7890),
                                            Contact(50000, 50000, kTouchFlagUp),
                                            Contact(-150, -99, kTouchFlagDown)};
  EXPECT_EQ(LatchTouch(latch, records), 0);
  EXPECT_EQ(latch.down, 1);
  EXPECT_EQ(latch.touching, 1);
  EXPECT_EQ(latch.input_count, 3);
  EXPECT_EQ(latch.inputs.size(), 3u);
  EXPECT_EQ(latch.point_count, 2);
  EXPECT_EQ(Points(latch), (std::vector<LatchPoint>{{1234, 78}, {-1, 0}}));
}

TEST(LatchTouch, AllLiftingEndsTrackingAndAMessageAlwaysReplacesThePoints) {
  InputLatch latch;
  LatchTouch(latch, {Contact(100, 100)});
  EXPECT_EQ(LatchTouch(latch, {Contact(100, 100, kTouchFlagUp)}), 0);
  EXPECT_EQ(latch.down, 0);
  EXPECT_EQ(latch.touching, 0);
  EXPECT_EQ(latch.point_count, 0);
  EXPECT_TRUE(latch.points.empty());
  EXPECT_EQ(latch.input_count, 1);
}

TEST(LatchTouch, AMouseButtonIsIgnoredWhileAContactIsTracked) {
  InputLatch latch;
  LatchTouch(latch, {Contact(1000, 2000)});
  LatchButtonDown(latch, MouseButton::kLeft, 500, 500);
  EXPECT_EQ(latch.buttons, 0u);
  EXPECT_EQ(Points(latch), (std::vector<LatchPoint>{{10, 20}}));
}

TEST(LatchTouch, AMessageWithoutRecordsOnlyMarksDown) {
  InputLatch latch;
  LatchButtonDown(latch, MouseButton::kRight, 3, 4);
  LatchButtonUp(latch, MouseButton::kRight);
  latch.touching = 1;
  EXPECT_EQ(LatchTouch(latch, {}), -1);
  EXPECT_EQ(latch.down, 1);
  EXPECT_EQ(latch.input_count, 0);
  EXPECT_EQ(latch.touching, 1);
  EXPECT_EQ(latch.buttons, 0u);
  EXPECT_EQ(latch.point_count, 0);
}

TEST(LatchWindow, DestroyStopsTrackingButKeepsKeyButtonsAndTouching) {
  InputLatch latch;
  LatchTouch(latch, {Contact(100, 100)});
  latch.buttons = 2;
  LatchKeyDown(latch, VK_SPACE);
  LatchWindowDestroyed(latch);
  EXPECT_EQ(latch.down, 0);
  EXPECT_EQ(latch.point_count, 0);
  EXPECT_EQ(latch.input_count, 0);
  EXPECT_TRUE(latch.inputs.empty());
  EXPECT_EQ(latch.touching, 1);
  EXPECT_EQ(latch.buttons, 2u);
  EXPECT_EQ(latch.key, VK_SPACE);
}

TEST(TouchRegistration, FollowsActivationOnlyWithATouchScreen) {
  struct Case {
    bool active;
    int32_t ready, registered, expected;
  };
  for (const Case& c : {Case{true, 1, 0, 1}, Case{false, 1, 1, 0}, Case{true, 1, 1, 1},
                        Case{false, 1, 0, 0}, Case{true, 0, 0, 0}, Case{false, 0, 0, 0}}) {
    EXPECT_EQ(TouchRegistrationAfterActivation(c.active, c.ready, c.registered), c.expected)
        << c.active << c.ready << c.registered;
  }
}

}  // namespace
