// The simulated sensor: the virtual participant pops balloons by the rules,
// the scene is plausible and reproducible, the picture shows the children
// where their joints are, and the live device delivers frames at camera rate.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <thread>

#include "app/program_body_update.h"
#include "body/backends/sim/balloon_probe.h"
#include "body/backends/sim/sim_painter.h"
#include "body/backends/sim/sim_scene.h"
#include "body/backends/sim/sim_sensor.h"
#include "body/backends/sim/virtual_participant.h"
#include "body/sensor/color_conversion.h"
#include "body/sensor/sensor_registry.h"
#include "body/sensor_connection.h"
#include "state/program_state.h"
#include "support/recording_stage.h"

namespace {

constexpr double kFrameMs = 1000.0 / 30.0;

TEST(JankenAnswer, FollowsTheRuleOfEachMode) {
  struct Case {
    int32_t janken, tgthand, answer;
  };
  const Case cases[] = {
      {1, 1, 3}, {1, 2, 1}, {1, 3, 2},  // normal: the shape that beats the sign
      {2, 1, 2}, {2, 2, 3}, {2, 3, 1},  // late: the shape that loses to it
      {5, 1, 2},                        // any other nonzero value is late
      {0, 1, 0}, {1, 0, 0},
  };
  for (const Case& c : cases)
    EXPECT_EQ(JankenAnswer(c.janken, c.tgthand), c.answer) << c.janken << " " << c.tgthand;
}

// Picture point of a joint as the body update and the trial loop see it: the
// mapper's colour pixel halved, then mirrored when the mirror display is off.
struct ShownPoint {
  bool valid = false;
  int32_t x = 0, y = 0;
};
ShownPoint Shown(const Joint& joint, int32_t mirror) {
  if (joint.TrackingState != TrackingState_Tracked) return {};
  const ColorSpacePoint c = PinholeCamera{}.Project(joint.Position);
  ShownPoint p{true, static_cast<int32_t>(c.X * 0.5f), static_cast<int32_t>(c.Y * 0.5f)};
  if (!mirror) p.x = 960 - p.x;
  return p;
}

int32_t ShapeOf(HandState state) {
  switch (state) {
    case HandState_Closed:
      return 1;
    case HandState_Lasso:
      return 2;
    case HandState_Open:
      return 3;
    default:
      return 0;
  }
}

struct SessionResult {
  int hits = 0;
  int trials = 0;
  std::vector<double> reaction_ms;
  int wrong_shape_frames = 0;  // a hand on the balloon with the wrong shape
};

// A small stand-in for the trial loop: balloons at random places away from the
// bodies, the hit test with the janken rules, a one-second pause after a pop.
SessionResult RunSession(uint32_t seed, int32_t janken, int32_t mirror, int trials) {
  SimScene scene(2, seed, PinholeCamera{}, kFrameMs);
  SimRandom placement(seed + 99);
  BalloonProbe probe{0, 0, 0, 0, janken, mirror};
  SessionResult result;
  int64_t frame = 0;
  BodyFrameData bodies;
  for (int t = 0; t < trials; ++t) {
    // Pause with no balloon.
    probe.shown = 0;
    for (int i = 0; i < 30; ++i) scene.Advance(frame++, probe);
    scene.FillBodyFrame(&bodies);
    // Place: 150 px from every tracked joint, as the program does.
    for (int attempt = 0; attempt < 2000; ++attempt) {
      probe.target_x = 160 + placement.Below(640);
      probe.target_y = 70 + placement.Below(400);
      bool clear = true;
      for (const BodyData& b : bodies.bodies) {
        if (!b.is_tracked) continue;
        for (const Joint& j : b.joints) {
          // Close enough on either side counts, which is stricter than the program.
          const ShownPoint p = Shown(j, 1);
          for (int32_t x : {p.x, 960 - p.x})
            if (p.valid && std::hypot(x - probe.target_x, p.y - probe.target_y) < 150)
              clear = false;
        }
      }
      if (clear) break;
    }
    probe.tgthand = janken ? 1 + (t % 3) : 0;
    probe.shown = 1;
    ++result.trials;
    const int32_t wanted = JankenAnswer(janken, probe.tgthand);
    for (int i = 0; i < 150; ++i) {  // 5 s
      scene.Advance(frame++, probe);
      scene.FillBodyFrame(&bodies);
      const BodyData& child = bodies.bodies[0];
      auto inside = [&](const ShownPoint& p) {
        return p.valid && p.x >= probe.target_x - 64 && p.x < probe.target_x + 64 &&
               p.y >= probe.target_y - 64 && p.y < probe.target_y + 64;
      };
      const ShownPoint left = Shown(child.joints[JointType_HandLeft], mirror);
      const ShownPoint right = Shown(child.joints[JointType_HandRight], mirror);
      bool hit = false;
      if (!janken) {
        hit = inside(left) || inside(right);
      } else if (inside(left)) {
        hit = ShapeOf(child.hand_left) == wanted;
        if (!hit && child.hand_left != HandState_Unknown) ++result.wrong_shape_frames;
      } else if (inside(right)) {
        hit = ShapeOf(child.hand_right) == wanted;
        if (!hit && child.hand_right != HandState_Unknown) ++result.wrong_shape_frames;
      }
      if (hit) {
        ++result.hits;
        result.reaction_ms.push_back((i + 1) * kFrameMs);
        break;
      }
    }
  }
  return result;
}

TEST(VirtualParticipant, PopsBalloonsWithHumanReactionTimes) {
  struct Case {
    int32_t janken, mirror;
  };
  for (const Case c : {Case{0, 1}, Case{0, 0}, Case{1, 0}, Case{2, 1}}) {
    SCOPED_TRACE(testing::Message() << "janken " << c.janken << " mirror " << c.mirror);
    const SessionResult r = RunSession(7, c.janken, c.mirror, 30);
    EXPECT_EQ(r.hits, r.trials);
    ASSERT_FALSE(r.reaction_ms.empty());
    std::vector<double> rt = r.reaction_ms;
    std::sort(rt.begin(), rt.end());
    EXPECT_GE(rt.front(), 350.0);
    EXPECT_LE(rt[rt.size() / 2], 1500.0);
    EXPECT_GT(rt.back() - rt.front(), 200.0);  // they vary
    if (c.janken) {
      EXPECT_GT(r.wrong_shape_frames, 0);  // wrong shapes happen, then get fixed
    }
    std::printf("janken %d mirror %d: %d/%d popped, rt min %.0f median %.0f max %.0f ms\n",
                c.janken, c.mirror, r.hits, r.trials, rt.front(), rt[rt.size() / 2], rt.back());
  }
}

TEST(VirtualParticipant, WithoutABalloonItOnlyIdles) {
  VirtualParticipant participant(3, PinholeCamera{});
  for (int i = 0; i < 100; ++i) {
    const ParticipantIntent intent =
        participant.Step(i * kFrameMs, std::nullopt, 0.0f, 1.8f, 0.12f, 0.36f);
    EXPECT_FALSE(intent.reaching);
  }
}

// ---- the scene ----

TEST(SimScene, SameSeedSameFramesOtherSeedOtherFrames) {
  auto run = [](uint32_t seed) {
    SimScene scene(3, seed, PinholeCamera{}, kFrameMs);
    std::vector<BodyFrameData> frames;
    for (int64_t f = 0; f < 120; ++f) {
      BalloonProbe probe{f > 30 ? 1 : 0, 700, 200, 2, 1, 0};
      scene.Advance(f, probe);
      frames.emplace_back();
      scene.FillBodyFrame(&frames.back());
    }
    return frames;
  };
  auto same = [](const std::vector<BodyFrameData>& a, const std::vector<BodyFrameData>& b) {
    for (size_t f = 0; f < a.size(); ++f)
      for (int i = 0; i < BODY_COUNT; ++i) {
        const BodyData &x = a[f].bodies[i], &y = b[f].bodies[i];
        if (x.is_tracked != y.is_tracked || x.hand_left != y.hand_left ||
            x.hand_right != y.hand_right || x.tracking_id != y.tracking_id)
          return false;
        for (int j = 0; j < JointType_Count; ++j)
          if (x.joints[j].Position.X != y.joints[j].Position.X ||
              x.joints[j].TrackingState != y.joints[j].TrackingState)
            return false;
      }
    return true;
  };
  EXPECT_TRUE(same(run(11), run(11)));
  EXPECT_FALSE(same(run(11), run(12)));
}

TEST(SimScene, ChildrenLookLikeSmallChildrenSeenByASensor) {
  SimScene scene(6, 5, PinholeCamera{}, kFrameMs);
  int joints = 0, tracked = 0, inferred = 0, unknown_hands = 0, frames_with_bodies = 0;
  BodyFrameData frame;
  for (int64_t f = 0; f < 600; ++f) {
    scene.Advance(f, std::nullopt);
    scene.FillBodyFrame(&frame);
    int bodies = 0;
    for (const BodyData& b : frame.bodies) {
      if (!b.is_tracked) continue;
      ++bodies;
      EXPECT_GT(b.tracking_id, 0xFFFFFFFFull);
      const auto& j = b.joints;
      auto y = [&](JointType t) { return j[t].Position.Y; };
      EXPECT_GT(y(JointType_Head), y(JointType_SpineShoulder));
      EXPECT_GT(y(JointType_SpineShoulder), y(JointType_SpineMid));
      EXPECT_GT(y(JointType_SpineMid), y(JointType_SpineBase));
      EXPECT_GT(y(JointType_HipLeft), y(JointType_KneeLeft));
      EXPECT_GT(y(JointType_KneeRight), y(JointType_FootRight));
      const float height = (y(JointType_Head) - SimScene::kFloorY) / 0.89f;
      EXPECT_GE(height, 0.99f);
      EXPECT_LE(height, 1.16f);
      const float z = j[JointType_Head].Position.Z;
      EXPECT_GT(z, 1.7f);
      EXPECT_LT(z, 2.8f);
      EXPECT_LT(j[JointType_HandLeft].Position.X, j[JointType_HandRight].Position.X);
      for (const Joint& joint : j) {
        ++joints;
        tracked += joint.TrackingState == TrackingState_Tracked;
        inferred += joint.TrackingState == TrackingState_Inferred;
      }
      unknown_hands += (b.hand_left == HandState_Unknown) + (b.hand_right == HandState_Unknown);
    }
    frames_with_bodies += bodies > 0;
  }
  EXPECT_EQ(frames_with_bodies, 600);
  EXPECT_GT(tracked, joints * 9 / 10);
  EXPECT_GT(inferred, 0);
  EXPECT_GT(unknown_hands, 0);
}

// ---- the picture ----

uint32_t BgraAt(const std::vector<uint8_t>& bgra, const ColorSpacePoint& p) {
  const size_t at = (static_cast<size_t>(p.Y) * kColorWidth + static_cast<size_t>(p.X)) * 4;
  return (uint32_t(bgra[at + 2]) << 16) | (uint32_t(bgra[at + 1]) << 8) | bgra[at];
}

bool Near(uint32_t a, uint32_t b, int tolerance) {
  for (int shift : {0, 8, 16})
    if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance) return false;
  return true;
}

TEST(SimPainter, ThePictureShowsEachChildWhereItsJointsMap) {
  for (ColorImageFormat format : {ColorImageFormat_Yuy2, ColorImageFormat_Bgra}) {
    SCOPED_TRACE(format);
    const PinholeCamera camera;
    SimScene scene(2, 3, camera, kFrameMs);
    scene.Advance(0, std::nullopt);
    SimPainter painter(camera, format, SimScene::kFloorY);
    ColorFrameData frame;
    painter.PaintColour(scene, &frame);
    ASSERT_EQ(frame.format, format);
    ASSERT_EQ(frame.pixels.size(),
              size_t(kColorWidth) * kColorHeight * (format == ColorImageFormat_Yuy2 ? 2 : 4));
    std::vector<uint8_t> bgra(kColorBufferBytes);
    if (format == ColorImageFormat_Yuy2)
      ConvertYuy2ToBgra(frame.pixels.data(), kColorWidth, kColorHeight, bgra.data());
    else
      bgra = frame.pixels;
    for (const SimChildLook& look : scene.looks()) {
      EXPECT_TRUE(
          Near(BgraAt(bgra, camera.Project(look.joints[JointType_SpineMid])), look.shirt_rgb, 6));
      EXPECT_TRUE(Near(BgraAt(bgra, camera.Project(look.joints[JointType_KneeLeft])),
                       look.trousers_rgb, 6));
      const ColorSpacePoint head = camera.Project(look.joints[JointType_Head]);
      EXPECT_TRUE(Near(BgraAt(bgra, {head.X, head.Y + 20}), look.skin_rgb, 6));
      EXPECT_FALSE(Near(BgraAt(bgra, {head.X, head.Y - 200}), look.skin_rgb, 20));  // room above
    }
  }
}

TEST(SimPainter, DepthAndBodyIndexMarkTheChildren) {
  SimScene scene(2, 3, PinholeCamera{}, kFrameMs);
  scene.Advance(0, std::nullopt);
  SimPainter painter(PinholeCamera{}, ColorImageFormat_Yuy2, SimScene::kFloorY);
  DepthFrameData depth;
  BodyIndexFrameData index;
  painter.PaintDepth(scene, &depth, &index);
  ASSERT_EQ(depth.depth_mm.size(), size_t(kDepthWidth) * kDepthHeight);
  const PinholeCamera cam = SimPainter::DepthCamera();
  for (size_t i = 0; i < scene.looks().size(); ++i) {
    const CameraSpacePoint spine = scene.looks()[i].joints[JointType_SpineMid];
    const ColorSpacePoint p = cam.Project(spine);
    const size_t at = static_cast<size_t>(p.Y) * kDepthWidth + static_cast<size_t>(p.X);
    EXPECT_EQ(index.body_index[at], i);
    EXPECT_NEAR(depth.depth_mm[at], spine.Z * 1000.0f, 2.0f);
  }
  EXPECT_EQ(index.body_index[0], kNoBodyIndex);
}

// ---- the live device ----

class LiveSimTest : public ::testing::Test {
 protected:
  void TearDown() override {
    CloseSensor();
    SetSimBalloonProbe(nullptr);
    SelectSensorBackend(DefaultSensorBackendName(), SensorBackendOptions{}, nullptr);
    ResetProgramState();
  }
};

TEST_F(LiveSimTest, RunsThroughTheProgramsOwnPath) {
  ResetProgramState();
  std::atomic<int> probe_calls{0};
  const std::thread::id ui_thread = std::this_thread::get_id();
  std::atomic<bool> probed_from_ui{false};
  SetSimBalloonProbe([&]() -> std::optional<BalloonProbe> {
    ++probe_calls;
    if (std::this_thread::get_id() == ui_thread) probed_from_ui = true;
    return BalloonProbe{1, 480, 100, 0, 0, 1};
  });
  std::string error;
  ASSERT_TRUE(SelectSensorBackend("sim", SensorBackendOptions{}, &error)) << error;
  RecordingStage stage;
  stage.InitLikeDevice();
  body_texture = stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
  color_buffer = std::make_unique<uint8_t[]>(kColorBufferBytes);
  ASSERT_EQ(OpenSensor(), 1);

  int new_frames = 0;
  TIMESPAN last_time = 0;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (new_frames < 8 && std::chrono::steady_clock::now() < give_up) {
    // Frame times, read through a second reader of the same device.
    if (UpdateBodies(stage) == 1) ++new_frames;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_GE(new_frames, 8);
  EXPECT_EQ(tracked_bodies[0].tracked, 1);
  EXPECT_GT(tracked_bodies[0].head_dist, 1.5);
  EXPECT_GT(probe_calls.load(), 0);
  EXPECT_FALSE(probed_from_ui.load());
  // The picture reached the body texture (the room is never black).
  EXPECT_NE(stage.Pixel(body_texture, 10, 10) & 0xFFFFFF, 0u);
  (void)last_time;

  CloseSensor();
  const int calls_after_close = probe_calls.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(probe_calls.load(), calls_after_close);  // the producer has stopped
}

TEST(SimSensor, FramesComeAtCameraRateWithCaptureTimes) {
  SimSensorOptions options;
  options.body_count = 1;
  auto device = std::make_shared<SimSensor>(options);
  IKinectSensor sensor(device);
  std::unique_ptr<IColorFrameSource> source;
  ASSERT_EQ(sensor.get_ColorFrameSource(&source), S_OK);
  std::unique_ptr<IColorFrameReader> reader;
  ASSERT_EQ(source->OpenReader(&reader), S_OK);
  ASSERT_EQ(sensor.Open(), S_OK);
  std::vector<TIMESPAN> times;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (times.size() < 6 && std::chrono::steady_clock::now() < give_up) {
    std::unique_ptr<IColorFrame> frame;
    if (Succeeded(reader->AcquireLatestFrame(&frame))) {
      TIMESPAN t = 0;
      frame->get_RelativeTime(&t);
      times.push_back(t);
      ColorImageFormat format = ColorImageFormat_None;
      frame->get_RawColorImageFormat(&format);
      EXPECT_EQ(format, ColorImageFormat_Yuy2);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ASSERT_GE(times.size(), 6u);
  // Never faster than 30 per second (capture times are the absolute deadlines).
  for (size_t i = 1; i < times.size(); ++i) EXPECT_GE(times[i] - times[i - 1], 333330);
  EXPECT_EQ(sensor.Close(), S_OK);
  const uint64_t produced = device->frames_produced();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(device->frames_produced(), produced);
  EXPECT_EQ(sensor.Close(), S_OK);  // twice is fine
}

}  // namespace
