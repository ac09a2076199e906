// A picture and its bodies travel together: the bodies of a frame set are
// hit-tested and drawn over the picture they were found in, even when a newer
// picture already reached the colour stream; and a set counts as whole when it
// holds every frame its device offers.

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
  sensor_->streams().color.Publish(
      std::make_shared<const ColorFrameData>(Picture(kPictureB, kCapturedA + 333333)));
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

// A set that lacks a part updates what it holds and gives 0; depth and body
// index are missing only when the device offers them.
TEST_F(BodyUpdateTest, SetsGiveOneOnlyWithEveryFrameTheirDeviceOffers) {
  constexpr SensorStreamFlags kNoDepth =
      StreamFlag(SensorStream::kColor) | StreamFlag(SensorStream::kBody);
  struct Case {
    const char* name;
    SensorStreamFlags offered;
    bool with_bodies;
    bool with_depth_and_index;
    int result;
  };
  const Case cases[] = {
      {"no bodies", kAllSensorStreams, false, true, 0},
      {"no depth or body index", kAllSensorStreams, true, false, 0},
      {"no depth or body index from a device without them", kNoDepth, true, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sensor_->SetOfferedStreams(c.offered);
    tracked_bodies[0] = ::TrackedBody{};
    std::optional<BodyFrameData> bodies;
    if (c.with_bodies) bodies = FrameWith(TrackedBody(9));
    sensor_->PushSet(Picture(kPictureA, 5), bodies, c.with_depth_and_index);
    EXPECT_EQ(UpdateBodies(stage_), c.result);
    EXPECT_EQ(Texel(10, 10), kPictureA);
    EXPECT_EQ(tracked_bodies[0].tracked, c.with_bodies ? 1 : 0);
    sensor_->PushSet(Picture(kPictureB, 6), FrameWith(TrackedBody(3)));
    ASSERT_EQ(UpdateBodies(stage_), 1) << "the next whole set is taken";
    EXPECT_EQ(tracked_bodies[0].id, 3);
  }
}
