// A picture and its bodies travel together: a backend that publishes frame sets
// has its bodies hit-tested and drawn over the picture they were found in, even
// when a newer picture was captured (and published on its own) before them.

#include "body_fixture.h"

namespace {

constexpr uint32_t kPictureA = 0xFF102030;  // analysed: its bodies come with it
constexpr uint32_t kPictureB = 0xFF405060;  // captured later, bodies not yet known
constexpr TIMESPAN kCapturedA = 123456789;  // 100 ns units

ColorFrameData Picture(uint32_t argb, TIMESPAN captured) {
  ColorFrameData frame = ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, argb);
  frame.relative_time = captured;
  return frame;
}

}  // namespace

TEST_F(BodyUpdateTest, BodiesPublishedLateAreTestedAndDrawnOverTheirOwnPicture) {
  show_markers = 1;
  BodyUpdateReport report;
  const auto update = [&] {
    return UpdateBodies(BodyUpdateTarget{stage_,
                                         body_texture,
                                         tracked_bodies,
                                         {color_buffer.get(), kColorBufferBytes},
                                         true,
                                         &report});
  };
  BodyFrameData bodies_a = FrameWith(TrackedBody(7));
  bodies_a.relative_time = kCapturedA;
  // Picture B reaches the colour stream before picture A's bodies are ready.
  sensor_->PushColor(Picture(kPictureB, kCapturedA + 333333));
  sensor_->PushSet(Picture(kPictureA, kCapturedA), bodies_a);

  ASSERT_EQ(update(), 1);
  EXPECT_EQ(Texel(900, 500), kPictureA) << "the bodies' own picture, not the newer one";
  EXPECT_EQ(tracked_bodies[0].id, 7);
  EXPECT_EQ(tracked_bodies[0].hand_lx, JointX(JointType_HandLeft));
  // The hand's marker (open hand: yellow) lies on picture A.
  EXPECT_EQ(Texel(JointX(JointType_HandLeft), JointY(JointType_HandLeft)), 0xFFFFFF00u);
  EXPECT_EQ(Texel(JointX(JointType_HandLeft) + 9, JointY(JointType_HandLeft)), kPictureA);
  EXPECT_EQ(report.picture_captured_ns, kCapturedA * 100);
  EXPECT_EQ(report.pictures_taken, 1u);
  EXPECT_EQ(report.body_frames_taken, 1u);
  EXPECT_EQ(update(), 0) << "a set is taken once";
}

TEST_F(BodyUpdateTest, OnlyTheNewestSetIsTakenWithItsOwnBodies) {
  BodyFrameData first = FrameWith(TrackedBody(1));
  BodyFrameData second = FrameWith(TrackedBody(2));
  sensor_->PushSet(Picture(kPictureA, 1), first);
  sensor_->PushSet(Picture(kPictureB, 2), second);
  ASSERT_EQ(UpdateBodies(stage_), 1);
  EXPECT_EQ(Texel(10, 10), kPictureB);
  EXPECT_EQ(tracked_bodies[0].id, 2);
}

// A set that lacks a part behaves like the streams would without that frame.
TEST_F(BodyUpdateTest, IncompleteSetsUpdateWhatTheyHoldAndGiveZero) {
  struct Case {
    const char* name;
    bool with_bodies;
    bool with_depth_and_index;
    bool slots_change;
  };
  for (const Case& c :
       {Case{"no bodies", false, true, false}, Case{"no depth or body index", true, false, true}}) {
    SCOPED_TRACE(c.name);
    tracked_bodies[0] = ::TrackedBody{};
    std::optional<BodyFrameData> bodies;
    if (c.with_bodies) bodies = FrameWith(TrackedBody(9));
    sensor_->PushSet(Picture(kPictureA, 5), bodies, c.with_depth_and_index);
    EXPECT_EQ(UpdateBodies(stage_), 0);
    EXPECT_EQ(Texel(10, 10), kPictureA);
    EXPECT_EQ(tracked_bodies[0].tracked, c.slots_change ? 1 : 0);
    sensor_->PushSet(Picture(kPictureB, 6), FrameWith(TrackedBody(3)));
    ASSERT_EQ(UpdateBodies(stage_), 1) << "the next whole set is taken";
    EXPECT_EQ(tracked_bodies[0].id, 3);
  }
}
