// UpdateBodies: which frames lead to which result, the halved copy, the rules
// for each body slot, the mapper's failures and the joint markers.

#include <cmath>
#include <cstddef>
#include <cstring>
#include <limits>

#include "body/picture_copy.h"
#include "body_fixture.h"

namespace {

constexpr uint32_t kJointBlue = 0xFF0040FF;

// A BGRA picture whose pixel (x, y) is the word 0xFF000000 | x << 12 | y.
ColorFrameData CoordinatePicture(int32_t width, int32_t height) {
  ColorFrameData frame;
  frame.width = width;
  frame.height = height;
  frame.format = ColorImageFormat_Bgra;
  frame.pixels.resize(static_cast<size_t>(width) * height * 4);
  uint32_t* words = reinterpret_cast<uint32_t*>(frame.pixels.data());
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      words[static_cast<size_t>(y) * width + x] = 0xFF000000u | (uint32_t(x) << 12) | uint32_t(y);
  return frame;
}

uint32_t CoordinateWord(int32_t x, int32_t y) {
  return 0xFF000000u | (uint32_t(x) << 12) | uint32_t(y);
}

// ---- which frames give which result ----

TEST_F(BodyUpdateTest, NoNewColourFrameChangesNothing) {
  tracked_bodies[0].head_x = 7;
  EXPECT_EQ(UpdateBodies(stage_), 0);
  EXPECT_TRUE(stage_.unlocked.empty());  // the texture was not touched
  EXPECT_EQ(tracked_bodies[0].head_x, 7);
  // Bodies are not taken from a set without a picture.
  sensor_->Push({.body = FrameWith(TrackedBody(5))});
  EXPECT_EQ(UpdateBodies(stage_), 0);
  EXPECT_EQ(tracked_bodies[0].tracked, 0);
}

TEST_F(BodyUpdateTest, ColourWithoutBodyFrameUpdatesTheTextureOnly) {
  tracked_bodies[0].head_x = 7;
  sensor_->PushColor(ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, 0xFF102030));
  EXPECT_EQ(UpdateBodies(stage_), 0);
  EXPECT_EQ(Texel(0, 0), 0xFF102030u);
  EXPECT_EQ(Texel(959, 539), 0xFF102030u);
  EXPECT_EQ(tracked_bodies[0].head_x, 7);
  EXPECT_EQ(tracked_bodies[0].tracked, 0);
}

TEST_F(BodyUpdateTest, MissingDepthOrBodyIndexFrameStillUpdatesSlotsButGivesZero) {
  sensor_->PushSet(ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, 0xFF102030),
                   FrameWith(TrackedBody(5)), false);
  EXPECT_EQ(UpdateBodies(stage_), 0);  // no depth frame
  EXPECT_EQ(tracked_bodies[0].tracked, 1);
  EXPECT_EQ(tracked_bodies[0].head_x, JointX(JointType_Head));

  sensor_->Push({.color = ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, 0xFF102030),
                 .body = FrameWith(TrackedBody(6)),
                 .depth = DepthFrameData{}});
  EXPECT_EQ(UpdateBodies(stage_), 0);  // no body-index frame
  EXPECT_EQ(tracked_bodies[0].id, 6);

  PushAll(0xFF102030, FrameWith(TrackedBody(7)));
  EXPECT_EQ(UpdateBodies(stage_), 1);
  EXPECT_EQ(tracked_bodies[0].id, 7);
  // Each frame is taken once.
  EXPECT_EQ(UpdateBodies(stage_), 0);
}

TEST_F(BodyUpdateTest, OnlyTheNewestOfSeveralFramesIsTaken) {
  PushAll(0xFF000011, FrameWith(TrackedBody(1)));
  PushAll(0xFF000022, FrameWith(TrackedBody(2)));
  EXPECT_EQ(UpdateBodies(stage_), 1);
  EXPECT_EQ(Texel(5, 5), 0xFF000022u);
  EXPECT_EQ(tracked_bodies[0].id, 2);
  EXPECT_EQ(UpdateBodies(stage_), 0);
}

TEST_F(BodyUpdateTest, UnreadableColourFrameGivesZeroAndLeavesEverythingAlone) {
  struct Case {
    const char* what;
    ColorFrameData frame;
    bool drop_colour_buffer;
  };
  ColorFrameData short_buffer = ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, 0xFF0000FF);
  short_buffer.pixels.resize(1000);
  ColorFrameData short_yuy2 = ScriptedColorFrame(1920, 1080, ColorImageFormat_Yuy2, 0xFF0000FF);
  short_yuy2.pixels.resize(short_yuy2.pixels.size() - 1);
  ColorFrameData unknown = ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, 0xFF0000FF);
  unknown.format = ColorImageFormat_Bayer;
  const Case cases[] = {
      {"raw BGRA buffer too short", short_buffer, false},
      {"YUY2 buffer too short", short_yuy2, false},
      {"raw format that cannot be converted", unknown, false},
      {"larger than the colour buffer", ScriptedColorFrame(3840, 2160, ColorImageFormat_Yuy2, 0),
       false},
      {"no colour buffer", ScriptedColorFrame(1920, 1080, ColorImageFormat_Yuy2, 0xFF0000FF), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.drop_colour_buffer) color_buffer.reset();
    tracked_bodies[0] = ::TrackedBody{};
    stage_.ClearTexture(body_texture);
    stage_.unlocked.clear();
    sensor_->PushSet(c.frame, FrameWith(TrackedBody(9)));
    EXPECT_EQ(UpdateBodies(stage_), 0);
    EXPECT_TRUE(stage_.unlocked.empty());
    EXPECT_EQ(stage_.Pixel(body_texture, 0, 0), 0u);
    EXPECT_EQ(tracked_bodies[0].tracked, 0);
  }
}

// ---- the halved copy ----

TEST_F(BodyUpdateTest, HalvedCopyTakesEverySecondPixelOfEverySecondRow) {
  sensor_->PushColor(CoordinatePicture(1920, 1080));
  EXPECT_EQ(UpdateBodies(stage_), 0);
  for (int32_t j : {0, 1, 270, 539})
    for (int32_t i : {0, 1, 480, 959}) EXPECT_EQ(Texel(i, j), CoordinateWord(2 * i, 2 * j));
  EXPECT_EQ(stage_.unlocked, std::vector<int>{body_texture});
}

// A copy into a texture of `c.dst_w` x `c.dst_h` with `c.pitch` bytes a row:
// texel (i, j) must be source pixel (step * i, step * j) inside the copied
// part, untouched (0) everywhere else. Buffers are sized exactly, so that
// AddressSanitizer sees any stray access.
struct CopyCase {
  int32_t src_w, src_h, dst_w, dst_h, pitch;
};
using CopyFunction = void (*)(const uint8_t*, int32_t, int32_t, uint8_t*, int32_t, int32_t,
                              int32_t);

void CheckCopy(CopyFunction copy, int32_t step, const CopyCase& c) {
  SCOPED_TRACE(testing::Message() << c.src_w << "x" << c.src_h << " -> " << c.dst_w << "x"
                                  << c.dst_h << " pitch " << c.pitch);
  const ColorFrameData src = CoordinatePicture(c.src_w, c.src_h);
  std::vector<uint8_t> dst(static_cast<size_t>(c.pitch) * c.dst_h, 0);
  copy(src.pixels.data(), c.src_w, c.src_h, dst.data(), c.pitch, c.dst_w, c.dst_h);
  const int32_t cols = std::min((c.src_w + step - 1) / step, c.dst_w);
  const int32_t rows = std::min((c.src_h + step - 1) / step, c.dst_h);
  const bool copies = c.pitch >= cols * 4;
  for (int32_t j = 0; j < c.dst_h; ++j)
    for (int32_t i = 0; i < c.pitch / 4; ++i) {
      uint32_t w;
      std::memcpy(&w, dst.data() + static_cast<size_t>(j) * c.pitch + 4 * i, 4);
      const bool inside = copies && i < cols && j < rows;
      ASSERT_EQ(w, inside ? CoordinateWord(step * i, step * j) : 0u) << i << "," << j;
    }
}

TEST(CopyHalvedPicture, AnySizeAndPitchStaysInsideBothBuffers) {
  const CopyCase cases[] = {
      {17, 5, 960, 540, 3840},                     // odd width: the last column is source pixel 16
      // Odd widths whose half is a multiple of four: the last group of four
      // destination pixels would reach one pixel past the source row.
      {15, 1, 960, 540, 3840}, {1279, 1, 960, 540, 3840}, {1279, 3, 640, 2, 2560},
      {18, 4, 960, 540, 3840}, {19, 3, 4, 2, 20},  // destination smaller than half the source
      {16, 2, 8, 1, 32},       {9, 9, 5, 5, 20},  {8, 8, 4, 4, 12},  // pitch too short: nothing
  };
  for (const CopyCase& c : cases) CheckCopy(CopyHalvedPicture, 2, c);
}

TEST_F(BodyUpdateTest, HalvedCopyFollowsTheLocksPitch) {
  // A lock with padded rows (as a GPU driver may give): taken over by the
  // update's own LockTexture, since the texture is already locked.
  constexpr int32_t kPitch = 4096;
  std::vector<uint8_t> padded(static_cast<size_t>(kPitch) * 540 + 64, 0xAB);
  auto lock = std::make_unique<TextureLockRecord>();
  lock->pitch = kPitch;
  lock->bits = padded.data();
  stage_.m_textures[body_texture].lock = std::move(lock);

  sensor_->PushColor(CoordinatePicture(1920, 1080));
  UpdateBodies(stage_);
  auto word_at = [&](int32_t i, int32_t j) {
    uint32_t w;
    std::memcpy(&w, padded.data() + static_cast<size_t>(j) * kPitch + 4 * i, 4);
    return w;
  };
  for (int32_t j : {0, 1, 539})
    for (int32_t i : {0, 959}) EXPECT_EQ(word_at(i, j), CoordinateWord(2 * i, 2 * j));
  // The padding between rows is left alone.
  EXPECT_EQ(padded[3840], 0xAB);
  EXPECT_EQ(padded[static_cast<size_t>(kPitch) * 539 + 3840], 0xAB);
  EXPECT_EQ(stage_.m_textures[body_texture].lock, nullptr);  // unlocked again
}

TEST_F(BodyUpdateTest, YuyvFramesGoThroughTheConversion) {
  sensor_->PushColor(ScriptedColorFrame(1920, 1080, ColorImageFormat_Yuy2, 0xFFC08040));
  UpdateBodies(stage_);
  const uint32_t texel = Texel(123, 45);
  // Within the rounding of an 8-bit YUV round trip.
  EXPECT_NEAR((texel >> 16) & 0xFF, 0xC0, 2);
  EXPECT_NEAR((texel >> 8) & 0xFF, 0x80, 2);
  EXPECT_NEAR(texel & 0xFF, 0x40, 2);
}

TEST_F(BodyUpdateTest, SmallerFrameFillsOnlyItsPartAndLargerRawFrameIsCropped) {
  sensor_->PushColor(CoordinatePicture(640, 480));
  UpdateBodies(stage_);
  EXPECT_EQ(Texel(319, 239), CoordinateWord(638, 478));
  EXPECT_EQ(stage_.Pixel(body_texture, 320, 0), 0u);
  EXPECT_EQ(stage_.Pixel(body_texture, 0, 240), 0u);

  sensor_->PushColor(CoordinatePicture(2000, 1100));
  UpdateBodies(stage_);
  EXPECT_EQ(Texel(959, 539), CoordinateWord(1918, 1078));
  EXPECT_EQ(Texel(10, 1), CoordinateWord(20, 2));  // source rows are 2000 pixels apart
}

// ---- the backend's half-size picture ----

TEST_F(BodyUpdateTest, BackendsHalfPictureIsCopiedAsItIs) {
  // The full picture says one thing, the half picture another: the half one
  // is what the stage shows, row for row (no second halving).
  ColorFrameData frame = ScriptedColorFrame(1920, 1080, ColorImageFormat_Bgra, 0xFF102030);
  const ColorFrameData half = CoordinatePicture(960, 540);
  frame.half_width = 960;
  frame.half_height = 540;
  frame.half_pixels = half.pixels;
  sensor_->PushColor(frame);
  EXPECT_EQ(UpdateBodies(stage_), 0);
  for (int32_t j : {0, 1, 270, 539})
    for (int32_t i : {0, 1, 480, 959}) EXPECT_EQ(Texel(i, j), CoordinateWord(i, j));
  EXPECT_EQ(stage_.unlocked, std::vector<int>{body_texture});
}

TEST_F(BodyUpdateTest, HalfPictureWithoutFullPixelsIsEnough) {
  // As the camera sends them: no full pixels at all.
  ColorFrameData frame;
  frame.format = ColorImageFormat_Bgra;
  const ColorFrameData half = CoordinatePicture(640, 600);  // taller than the texture
  frame.half_width = 640;
  frame.half_height = 600;
  frame.half_pixels = half.pixels;
  sensor_->PushColor(frame);
  UpdateBodies(stage_);
  EXPECT_EQ(Texel(639, 539), CoordinateWord(639, 539));
  EXPECT_EQ(Texel(10, 1), CoordinateWord(10, 1));  // source rows are 640 pixels apart
  EXPECT_EQ(stage_.Pixel(body_texture, 640, 0), 0u);
}

TEST(CopyPictureRows, AnySizeAndPitchStaysInsideBothBuffers) {
  const CopyCase cases[] = {
      {960, 540, 960, 540, 3840},  // the stage's own size: one block
      {17, 5, 960, 540, 3840},  {1000, 600, 960, 540, 3840},  // cropped to the texture
      {960, 540, 960, 540, 4096},                             // padded rows
      {8, 8, 8, 8, 28},                                        // pitch too short: nothing
  };
  for (const CopyCase& c : cases) CheckCopy(CopyPictureRows, 1, c);
}

// A backend's half picture is what the loop made itself from the full one.
TEST(MakeHalfPicture, EqualsHalvingTheConvertedFullPicture) {
  struct Case {
    ColorImageFormat format;
    int32_t width, height;
  };
  const Case cases[] = {
      {ColorImageFormat_Yuy2, 1920, 1080}, {ColorImageFormat_Yuy2, 10, 7},
      {ColorImageFormat_Bgra, 1920, 1080}, {ColorImageFormat_Bgra, 17, 5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.format << " " << c.width << "x" << c.height);
    ColorFrameData frame = ScriptedColorFrame(c.width, c.height, c.format, 0);
    // Every byte different, so a wrong pixel or chroma pair shows.
    for (size_t i = 0; i < frame.pixels.size(); ++i) frame.pixels[i] = uint8_t(i * 131 + i / 7);
    ASSERT_TRUE(MakeHalfPicture(&frame));
    ASSERT_EQ(frame.half_width, (c.width + 1) / 2);
    ASSERT_EQ(frame.half_height, (c.height + 1) / 2);

    std::vector<uint8_t> full(static_cast<size_t>(c.width) * c.height * 4);
    IColorFrame handle(std::make_shared<const ColorFrameData>(frame));
    ASSERT_EQ(handle.CopyConvertedFrameDataToArray(uint32_t(full.size()), full.data(),
                                                   ColorImageFormat_Bgra),
              S_OK);
    std::vector<uint8_t> halved(frame.half_pixels.size());
    CopyHalvedPicture(full.data(), c.width, c.height, halved.data(), frame.half_width * 4,
                      frame.half_width, frame.half_height);
    EXPECT_EQ(frame.half_pixels, halved);
  }
}

TEST(MakeHalfPicture, RefusesWhatItCannotRead) {
  ColorFrameData rgba = ScriptedColorFrame(4, 4, ColorImageFormat_Rgba, 0);
  ColorFrameData short_buffer = ScriptedColorFrame(4, 4, ColorImageFormat_Bgra, 0);
  short_buffer.pixels.pop_back();
  ColorFrameData odd_pairs = ScriptedColorFrame(4, 4, ColorImageFormat_Yuy2, 0);
  odd_pairs.width = 3;
  for (ColorFrameData* frame : {&rgba, &short_buffer, &odd_pairs}) {
    EXPECT_FALSE(MakeHalfPicture(frame));
    EXPECT_TRUE(frame->half_pixels.empty());
  }
}

TEST_F(BodyUpdateTest, FailedLockSkipsTheCopyButNotTheBodies) {
  const int texture = body_texture;
  body_texture = 77;  // no such texture: LockTexture refuses
  PushAll(0xFF445566, FrameWith(TrackedBody(3)));
  EXPECT_EQ(UpdateBodies(stage_), 1);
  EXPECT_EQ(stage_.Pixel(texture, 0, 0), 0u);
  EXPECT_EQ(tracked_bodies[0].id, 3);
}

// ---- the body slots ----

TEST_F(BodyUpdateTest, TrackedBodyFillsEveryField) {
  BodyData body = TrackedBody(0x123456789ABCDEF0ull);
  body.hand_left = HandState_Closed;
  body.hand_right = HandState_Lasso;
  body.joints[JointType_Head].Position = {0.1f, 0.2f, 2.3f};
  BodyFrameData frame;
  frame.bodies[3] = body;
  PushAll(0xFF000000, frame);
  ASSERT_EQ(UpdateBodies(stage_), 1);

  const ::TrackedBody& s = tracked_bodies[3];
  EXPECT_EQ(s.tracked, 1);
  EXPECT_EQ(s.id, static_cast<int32_t>(0x9ABCDEF0u));
  EXPECT_EQ(s.hand_l, kHandRock);
  EXPECT_EQ(s.hand_r, kHandScissors);
  struct Field {
    JointType joint;
    int32_t ::TrackedBody::*x;
    int32_t ::TrackedBody::*y;
  };
  const Field fields[] = {
      {JointType_HandLeft, &::TrackedBody::hand_lx, &::TrackedBody::hand_ly},
      {JointType_HandRight, &::TrackedBody::hand_rx, &::TrackedBody::hand_ry},
      {JointType_SpineBase, &::TrackedBody::spine_base_x, &::TrackedBody::spine_base_y},
      {JointType_SpineMid, &::TrackedBody::spine_mid_x, &::TrackedBody::spine_mid_y},
      {JointType_SpineShoulder, &::TrackedBody::spine_shoulder_x, &::TrackedBody::spine_shoulder_y},
      {JointType_ElbowLeft, &::TrackedBody::elbow_lx, &::TrackedBody::elbow_ly},
      {JointType_ElbowRight, &::TrackedBody::elbow_rx, &::TrackedBody::elbow_ry},
      {JointType_ShoulderLeft, &::TrackedBody::shoulder_lx, &::TrackedBody::shoulder_ly},
      {JointType_ShoulderRight, &::TrackedBody::shoulder_rx, &::TrackedBody::shoulder_ry},
      {JointType_HipLeft, &::TrackedBody::hip_lx, &::TrackedBody::hip_ly},
      {JointType_HipRight, &::TrackedBody::hip_rx, &::TrackedBody::hip_ry},
      {JointType_KneeLeft, &::TrackedBody::knee_lx, &::TrackedBody::knee_ly},
      {JointType_KneeRight, &::TrackedBody::knee_rx, &::TrackedBody::knee_ry},
      {JointType_FootLeft, &::TrackedBody::foot_lx, &::TrackedBody::foot_ly},
      {JointType_FootRight, &::TrackedBody::foot_rx, &::TrackedBody::foot_ry},
  };
  for (const Field& f : fields) {
    SCOPED_TRACE(f.joint);
    EXPECT_EQ(s.*f.x, JointX(f.joint));
    EXPECT_EQ(s.*f.y, JointY(f.joint));
  }
  // Head distance: squares, sum and root in single precision.
  const float x = 0.1f, y = 0.2f, z = 2.3f;
  EXPECT_EQ(s.head_dist, static_cast<double>(std::sqrt(x * x + y * y + z * z)));
  EXPECT_NE(s.head_dist, std::sqrt(double(x) * x + double(y) * y + double(z) * z));
  // The other slots are untouched.
  EXPECT_EQ(tracked_bodies[0].tracked, 0);
  EXPECT_EQ(tracked_bodies[0].head_x, 0);
}

TEST_F(BodyUpdateTest, HandStatesMapToHandShapes) {
  const std::pair<HandState, int32_t> cases[] = {
      {HandState_Unknown, kHandNone},   {HandState_NotTracked, kHandNone},
      {HandState_Open, kHandPaper},     {HandState_Closed, kHandRock},
      {HandState_Lasso, kHandScissors}, {static_cast<HandState>(9), kHandNone},
  };
  for (const auto& [state, shape] : cases) {
    SCOPED_TRACE(state);
    tracked_bodies[0].hand_r = 77;
    BodyData body = TrackedBody(1);
    body.hand_right = state;
    PushAll(0xFF000000, FrameWith(body));
    ASSERT_EQ(UpdateBodies(stage_), 1);
    EXPECT_EQ(tracked_bodies[0].hand_r, shape);
    EXPECT_EQ(tracked_bodies[0].hand_rx,
              JointX(JointType_HandRight));  // point set whatever the state
  }
}

// What an update leaves in a slot that was filled before, for each way a body
// can fall short of fully tracked.
TEST_F(BodyUpdateTest, PartlyTrackedBodiesKeepWhatTheRulesKeep) {
  struct Case {
    const char* what;
    void (*change)(BodyData&);
    void (*check)(const ::TrackedBody& before, const ::TrackedBody& after);
  };
  const Case cases[] = {
      {"left hand only inferred",
       [](BodyData& b) { b.joints[JointType_HandLeft].TrackingState = TrackingState_Inferred; },
       [](const ::TrackedBody& before, const ::TrackedBody& after) {
         EXPECT_EQ(after.hand_lx, -1);
         EXPECT_EQ(after.hand_ly, -1);
         EXPECT_EQ(after.hand_l, before.hand_l);
         EXPECT_EQ(after.hand_rx, JointX(JointType_HandRight));
       }},
      {"left hand state call fails", [](BodyData& b) { b.hand_left_status = E_FAIL; },
       [](const ::TrackedBody& before, const ::TrackedBody& after) {
         EXPECT_EQ(after.hand_lx, -1);
         EXPECT_EQ(after.hand_l, before.hand_l);
       }},
      {"head not tracked",
       [](BodyData& b) { b.joints[JointType_Head].TrackingState = TrackingState_NotTracked; },
       [](const ::TrackedBody& before, const ::TrackedBody& after) {
         EXPECT_EQ(after.head_x, -1);
         EXPECT_EQ(after.head_y, -1);
         EXPECT_EQ(after.head_dist, before.head_dist);
         EXPECT_EQ(after.elbow_lx, JointX(JointType_ElbowLeft));
       }},
      {"body left the view", [](BodyData& b) { b.is_tracked = false; },
       [](const ::TrackedBody& before, const ::TrackedBody& after) {
         ::TrackedBody expected = before;
         expected.tracked = 0;
         // Every field up to the last one (not the trailing padding).
         EXPECT_EQ(std::memcmp(&after, &expected, offsetof(::TrackedBody, foot_ry) + 4), 0);
       }},
      {"tracked query fails", [](BodyData& b) { b.is_tracked_status = E_FAIL; },
       [](const ::TrackedBody& before, const ::TrackedBody& after) {
         EXPECT_EQ(after.tracked, 0);
         EXPECT_EQ(after.head_x, before.head_x);
       }},
      {"joints cannot be read",
       [](BodyData& b) {
         b.joints_status = E_FAIL;
         b.tracking_id = 99;
       },
       [](const ::TrackedBody& before, const ::TrackedBody& after) {
         EXPECT_EQ(after.tracked, 1);
         EXPECT_EQ(after.id, 99);
         EXPECT_EQ(after.hand_lx, before.hand_lx);
         EXPECT_EQ(after.head_x, before.head_x);
       }},
      {"elbow inferred, foot not tracked",
       [](BodyData& b) {
         b.joints[JointType_ElbowRight].TrackingState = TrackingState_Inferred;
         b.joints[JointType_FootLeft].TrackingState = TrackingState_NotTracked;
       },
       [](const ::TrackedBody&, const ::TrackedBody& after) {
         EXPECT_EQ(after.elbow_rx, -1);
         EXPECT_EQ(after.foot_lx, -1);
         EXPECT_EQ(after.foot_ly, -1);
         EXPECT_EQ(after.foot_rx, JointX(JointType_FootRight));
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BodyData full = TrackedBody(42);
    full.hand_left = HandState_Closed;
    full.joints[JointType_Head].Position = {0.0f, 0.0f, 2.5f};
    PushAll(0xFF000000, FrameWith(full));
    ASSERT_EQ(UpdateBodies(stage_), 1);
    const ::TrackedBody before = tracked_bodies[0];
    ASSERT_EQ(before.hand_l, kHandRock);
    ASSERT_EQ(before.head_dist, 2.5);

    BodyData partial = TrackedBody(42);
    partial.hand_left = HandState_Open;
    partial.joints[JointType_Head].Position = {0.0f, 0.0f, 3.0f};
    c.change(partial);
    PushAll(0xFF000000, FrameWith(partial));
    ASSERT_EQ(UpdateBodies(stage_), 1);
    c.check(before, tracked_bodies[0]);
  }
}

TEST_F(BodyUpdateTest, BodyDataFailureLeavesAllSlotsAlone) {
  tracked_bodies[2].tracked = 1;
  BodyFrameData frame = FrameWith(TrackedBody(1));
  frame.refresh_status = E_FAIL;
  PushAll(0xFF000000, frame);
  EXPECT_EQ(UpdateBodies(stage_), 0);
  EXPECT_EQ(tracked_bodies[0].tracked, 0);
  EXPECT_EQ(tracked_bodies[2].tracked, 1);
}

// ---- the mapper ----

TEST_F(BodyUpdateTest, MappingsThatAreNotNumbersLeaveThePointAtMinusOne) {
  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    const char* what;
    ColorSpacePoint mapped;
    Status status;
    int32_t x, y;  // expected picture point
  };
  const Case cases[] = {
      {"NaN across", {nan, 100.0f}, S_OK, -1, -1},
      {"NaN down", {100.0f, nan}, S_OK, -1, -1},
      {"minus infinity", {-inf, -inf}, S_OK, -1, -1},
      {"plus infinity", {inf, 50.0f}, S_OK, -1, -1},
      {"too large for an integer", {1e20f, 50.0f}, S_OK, -1, -1},
      {"mapper fails", {100.0f, 100.0f}, E_FAIL, -1, -1},
      {"left of and above the picture", {-21.0f, -3.0f}, S_OK, -10, -1},
      {"right of and below the picture", {5000.0f, 1081.0f}, S_OK, 2500, 540},
      {"fraction truncates toward zero", {-1.5f, 3.9f}, S_OK, 0, 1},
  };
  show_markers = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    sensor_->SetMapper([&c](const CameraSpacePoint&, ColorSpacePoint* out) {
      *out = c.mapped;
      return c.status;
    });
    tracked_bodies[0].hand_l = 3;
    BodyData body = TrackedBody(1);
    body.hand_left = HandState_Closed;
    PushAll(0xFF000000, FrameWith(body));
    ASSERT_EQ(UpdateBodies(stage_), 1);
    EXPECT_EQ(tracked_bodies[0].hand_lx, c.x);
    EXPECT_EQ(tracked_bodies[0].hand_ly, c.y);
    EXPECT_EQ(tracked_bodies[0].head_x, c.x);
    // A failed mapping keeps the old hand shape.
    EXPECT_EQ(tracked_bodies[0].hand_l, c.x == -1 && c.y == -1 ? 3 : kHandRock);
  }
}

// ---- markers ----

TEST_F(BodyUpdateTest, WithoutMarkersTheTextureHoldsOnlyThePicture) {
  PushAll(0xFF123456, FrameWith(TrackedBody(1)));
  ASSERT_EQ(UpdateBodies(stage_), 1);
  for (int j = 0; j < JointType_Count; ++j) EXPECT_EQ(Texel(JointX(j), JointY(j)), 0xFF123456u);
}

TEST_F(BodyUpdateTest, MarkersSitOnHandsAndLimbsButNotOnTheSpine) {
  show_markers = 1;
  BodyData body = TrackedBody(1);
  body.hand_left = HandState_Closed;
  body.hand_right = HandState_Unknown;
  PushAll(0xFF123456, FrameWith(body));
  ASSERT_EQ(UpdateBodies(stage_), 1);
  struct Case {
    JointType joint;
    uint32_t colour;
  };
  const Case cases[] = {
      {JointType_HandLeft, 0xFFFF0000},      {JointType_HandRight, kJointBlue},
      {JointType_SpineBase, 0xFF123456},     {JointType_SpineMid, 0xFF123456},
      {JointType_SpineShoulder, 0xFF123456}, {JointType_Head, kJointBlue},
      {JointType_ElbowLeft, kJointBlue},     {JointType_ShoulderRight, kJointBlue},
      {JointType_HipLeft, kJointBlue},       {JointType_KneeRight, kJointBlue},
      {JointType_FootLeft, kJointBlue},      {JointType_Neck, 0xFF123456},
      {JointType_WristLeft, 0xFF123456},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.joint);
    EXPECT_EQ(Texel(JointX(c.joint), JointY(c.joint)), c.colour);
  }
  // Radius 8: inside at 8 along the axis, outside at 9.
  EXPECT_EQ(Texel(JointX(JointType_HandLeft) + 8, JointY(JointType_HandLeft)), 0xFFFF0000u);
  EXPECT_EQ(Texel(JointX(JointType_HandLeft) + 9, JointY(JointType_HandLeft)), 0xFF123456u);
}

TEST_F(BodyUpdateTest, LaterMarkersCoverEarlierOnes) {
  show_markers = 1;
  BodyData body = TrackedBody(1);
  body.hand_left = HandState_Open;    // yellow, painted first
  body.hand_right = HandState_Lasso;  // green, painted second
  body.joints[JointType_HandRight].Position = AtPicture(300, 300);
  body.joints[JointType_HandLeft].Position = AtPicture(296, 300);
  body.joints[JointType_Head].Position = AtPicture(600, 300);
  body.joints[JointType_FootRight].Position = AtPicture(604, 300);  // last row of the table
  PushAll(0xFF000000, FrameWith(body));
  ASSERT_EQ(UpdateBodies(stage_), 1);
  EXPECT_EQ(Texel(296, 300), 0xFF00FF00u);  // right hand over left
  EXPECT_EQ(Texel(288, 300), 0xFFFFFF00u);  // left hand where the right does not reach
  EXPECT_EQ(Texel(600, 300), kJointBlue);
}

TEST_F(BodyUpdateTest, DiscsOffThePictureAreClipped) {
  show_markers = 1;
  BodyData body = TrackedBody(1);
  body.joints[JointType_HandLeft].Position = AtPicture(-3, 2);
  body.joints[JointType_HandRight].Position = AtPicture(962, 541);
  body.hand_left = body.hand_right = HandState_Closed;
  PushAll(0xFF000000, FrameWith(body));
  ASSERT_EQ(UpdateBodies(stage_), 1);
  EXPECT_EQ(tracked_bodies[0].hand_lx, -2);  // colour x -5 halves to -2.5, truncated toward 0
  EXPECT_EQ(tracked_bodies[0].hand_rx, 962);
  EXPECT_EQ(Texel(0, 2), 0xFFFF0000u);
  EXPECT_EQ(Texel(959, 539), 0xFFFF0000u);
}

// ---- ownership ----

TEST_F(BodyUpdateTest, EveryFrameIsReleasedBeforeTheUpdateReturns) {
  auto colour = std::make_shared<const ColorFrameData>(
      ScriptedColorFrame(1920, 1080, ColorImageFormat_Yuy2, 0xFF000000));
  auto bodies = std::make_shared<const BodyFrameData>(FrameWith(TrackedBody(1)));
  auto depth = std::make_shared<const DepthFrameData>();
  auto index = std::make_shared<const BodyIndexFrameData>();
  sensor_->streams().PublishSet(SensorFrameSet{colour, depth, bodies, index});
  ASSERT_EQ(UpdateBodies(stage_), 1);
  // Held only here, by the stream's mailbox and by the set in the set mailbox
  // (each keeps its newest).
  EXPECT_EQ(colour.use_count(), 3);
  EXPECT_EQ(bodies.use_count(), 3);
  EXPECT_EQ(depth.use_count(), 3);
  EXPECT_EQ(index.use_count(), 3);
}

}  // namespace
