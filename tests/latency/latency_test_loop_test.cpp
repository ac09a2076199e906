// The latency test's loop against a stage and a camera of the test's own, on
// a fake clock: the delays it finds are the camera's latency plus where in its
// frame period each flip fell, Esc ends it, and the screen timeline (what the
// simulated camera sees) follows the presentations.

#include "latency/latency_test_loop.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "latency/screen_timeline.h"
#include "support/recording_stage.h"
#include "trial/trial_ports.h"

namespace {

constexpr int64_t kMs = 1'000'000;

struct FakeHost : HostPort {
  int64_t* now;
  std::function<void()> on_pump;
  explicit FakeHost(int64_t* clock) : now(clock) {}
  void PumpMessages() override {
    if (on_pump) on_pump();
  }
  void FlushInput() override {}
  void Sleep(int32_t ms) override { *now += ms * kMs; }
  void ShowScore(const std::string&, const std::string&) override {}
};

// A stage whose frames are presented `present_delay` after they are handed
// over, except those `never_presented` names and those `late` holds back
// longer.
struct FakeStage : RecordingStage {
  FakeStage(int64_t* clock, int64_t present_delay) {
    now_ns = [clock] { return *clock; };
    present_time_ns = [this, present_delay](uint64_t n) -> int64_t {
      if (n == 0 || n > end_times_ns.size() || never_presented(n)) return 0;
      return end_times_ns[n - 1] + present_delay + late(n);
    };
    InitLikeDevice();
  }
  std::function<bool(uint64_t)> never_presented = [](uint64_t) { return false; };
  std::function<int64_t(uint64_t)> late = [](uint64_t) { return int64_t{0}; };
  int flash_texture = -1;

  // White when the newest frame presented by `t` drew the flash texture.
  bool WhiteAt(int64_t t) const {
    int newest = 0;
    for (uint64_t n = 1; n <= end_times_ns.size(); ++n) {
      const int64_t at = present_time_ns(n);
      if (at != 0 && at <= t) newest = static_cast<int>(n);
    }
    for (const Sprite& s : SpritesOfFrame(newest))
      if (s.index == flash_texture) return true;
    return false;
  }
};

// A camera turned to the stage: a picture every `period` from `phase`, seeing
// the screen `latency` before its capture, handed over 5 ms after capture.
struct FakeCamera : LatencyPictureSource {
  const FakeStage& stage;
  const int64_t* now;
  int64_t period, latency, next_capture;
  FakeCamera(const FakeStage& s, const int64_t* clock, int64_t p, int64_t l, int64_t phase)
      : stage(s), now(clock), period(p), latency(l), next_capture(phase) {}
  bool Take(PictureSample* picture) override {
    if (*now < next_capture + 5 * kMs) return false;
    picture->captured_ns = next_capture;
    picture->brightness = stage.WhiteAt(next_capture - latency) ? 200 : 15;
    next_capture += period;
    return true;
  }
};

struct LoopFixture {
  int64_t now = 1'000 * kMs;
  FakeHost host{&now};
  FakeStage stage;
  FakeCamera camera;
  ScreenTimeline screen;
  LatencyTestPorts ports;
  LoopFixture(int64_t latency, int64_t period = 33'333'333)
      : stage(&now, 2 * kMs),
        camera(stage, &now, period, latency, now + 7 * kMs),
        ports{stage, camera, host, [this] { return now; }, &screen} {
    stage.flash_texture = AddFlashTexture(stage);
  }
  LatencyTestRecording Run(int32_t flashes) {
    const std::vector<PlannedFlash> plan = PlanFlashes(flashes, 7);
    return RunLatencyTest(ports, stage.flash_texture, plan);
  }
};

TEST(LatencyTestLoopTest, RecoversTheCamerasLatency) {
  for (const int64_t latency : {0 * kMs, 40 * kMs, 120 * kMs}) {
    SCOPED_TRACE(latency / kMs);
    LoopFixture f(latency);
    const LatencyTestRecording rec = f.Run(50);
    EXPECT_FALSE(rec.stopped);
    ASSERT_EQ(rec.flashes.size(), 50u);
    EXPECT_EQ(rec.start_ns, f.stage.end_times_ns.front() + 2 * kMs);
    const auto results = FindFlashesInPictures(rec.flashes, rec.pictures, rec.start_ns);
    const LatencySummary s = SummariseFlashes(results);
    EXPECT_EQ(s.seen, 50);
    const double l = static_cast<double>(latency) / kMs, period_ms = 33.333;
    // Every phase of the period sampled: the shortest delay is the latency
    // itself (within a fiftieth of the period and the loop's millisecond),
    // the mean half a period more.
    EXPECT_GE(s.min_ms, l);
    EXPECT_LE(s.min_ms, l + period_ms / 50 + 1.0);
    EXPECT_NEAR(s.mean_ms, l + period_ms / 2, 1.5);
    for (const FlashResult& r : results) {
      EXPECT_GE(r.DelayMs(), l);
      EXPECT_LT(r.DelayMs(), l + period_ms + 0.01);
      EXPECT_NEAR(static_cast<double>(r.first_bright_ns - r.last_dark_ns) / kMs, period_ms, 0.01);
    }
    // The stage flashed white for the hold time and the text counted the flashes.
    for (const FlashTimes& t : rec.flashes)
      EXPECT_NEAR(static_cast<double>(t.dark_ns - t.flip_ns) / kMs, kFlashHold_ms, 1.0);
    EXPECT_EQ(f.stage.texts.back().text, "遅延テスト: フラッシュ 50 / 50（Esc で終了）");
  }
}

TEST(LatencyTestLoopTest, ScreenTimelineFollowsThePresentations) {
  LoopFixture f(40 * kMs);
  const LatencyTestRecording rec = f.Run(5);
  ASSERT_EQ(rec.flashes.size(), 5u);
  for (int64_t t = rec.start_ns; t < f.now - 10 * kMs; t += 3 * kMs) {
    const ScreenLook look = f.screen.Look(t);
    ASSERT_EQ(look.state, ScreenLook::State::kShown) << t;
    ASSERT_EQ(look.brightness == 1.0f, f.stage.WhiteAt(t)) << t;
  }
  EXPECT_EQ(f.screen.Look(f.now + kMs).state, ScreenLook::State::kPending);
}

TEST(LatencyTestLoopTest, EscEndsItWithTheFlashesMadeSoFar) {
  LoopFixture f(40 * kMs);
  const int64_t esc_at = f.now + 4'000 * kMs;
  f.host.on_pump = [&] {
    if (f.now >= esc_at) f.stage.m_input.key = VK_ESCAPE;
  };
  const LatencyTestRecording rec = f.Run(50);
  EXPECT_TRUE(rec.stopped);
  EXPECT_GE(rec.flashes.size(), 1u);
  EXPECT_LT(rec.flashes.size(), 5u);
  for (const FlashTimes& t : rec.flashes) EXPECT_NE(t.dark_ns, 0);
  EXPECT_LT(f.now, esc_at + 10 * kMs);
}

TEST(LatencyTestLoopTest, AStageFallingBehindStillShowsEachWhiteAsLongAsPlanned) {
  LoopFixture f(40 * kMs);
  // The first white frame (the second handed over) reaches the screen 700 ms
  // late, the black one after it 400 ms late.
  f.stage.late = [](uint64_t n) { return n == 2 ? 700 * kMs : n == 3 ? 400 * kMs : 0; };
  const LatencyTestRecording rec = f.Run(3);
  ASSERT_EQ(rec.flashes.size(), 3u);
  // White never shorter than planned (longer while the black frame is late).
  for (const FlashTimes& t : rec.flashes)
    EXPECT_GE(t.dark_ns - t.flip_ns, (kFlashHold_ms - 1) * kMs);
  EXPECT_NEAR(static_cast<double>(rec.flashes[1].dark_ns - rec.flashes[1].flip_ns) / kMs,
              kFlashHold_ms, 1.0);
  // The black before the next flip counts from its presentation, too.
  EXPECT_GE(rec.flashes[1].flip_ns - rec.flashes[0].dark_ns, kMinWait_ms * kMs);
  const auto results = FindFlashesInPictures(rec.flashes, rec.pictures, rec.start_ns);
  for (const FlashResult& r : results) EXPECT_TRUE(r.seen);
}

TEST(LatencyTestLoopTest, AWhiteFrameNeverPresentedLeavesItsFlashUnseen) {
  LoopFixture f(40 * kMs);
  // The second frame handed over is the first white one.
  f.stage.never_presented = [](uint64_t n) { return n == 2; };
  const LatencyTestRecording rec = f.Run(3);
  ASSERT_EQ(rec.flashes.size(), 3u);
  EXPECT_EQ(rec.flashes[0].flip_ns, 0);
  const auto results = FindFlashesInPictures(rec.flashes, rec.pictures, rec.start_ns);
  EXPECT_FALSE(results[0].seen);
  EXPECT_TRUE(results[1].seen);
  EXPECT_TRUE(results[2].seen);
}

}  // namespace
