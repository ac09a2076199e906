// The timing of a run, with a fake clock and a stage and sensor that state when
// each picture was captured and each frame presented: every column of the
// timing rows, and the run record built from the same run.

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "results/run_record.h"
#include "results/timing_format.h"
#include "run_harness.h"
#include "trial/active_target.h"
#include "trial/target_placement.h"

namespace {

constexpr int64_t kCameraDelay_ns = 40'000'000;  // capture to the update that takes it
constexpr int64_t kPresentDelay_ns = 7'000'000;  // frame ended to its swap returning
constexpr int kFramePeriodPasses = 30;           // a frame set every 30 passes (30 ms)
constexpr int kHitPasses[] = {60, 1200, 2400};   // drawn passes in which the hand is in
constexpr int kUnknownFromPass = 2221;           // from here on pictures carry no time
constexpr uint64_t kNeverPresentedFrom = 76;     // trial 2's frames are all replaced

// A sensor whose pictures were captured 40 ms before the update that takes them.
class ScriptedFrameInfo : public FrameInfoPort {
 public:
  int64_t PictureCaptured_ns() const override { return captured_ns; }
  uint64_t PicturesCaptured() const override { return 2 * taken; }
  uint64_t PicturesShown() const override { return taken; }
  uint64_t BodyFramesTaken() const override { return taken; }
  int64_t captured_ns = 0;
  uint64_t taken = 0;
};

// Body 7, its hands away from the balloon, or both in it.
TrackedBody Child(bool hands_in_balloon) {
  TrackedBody body = AwayBody(7);
  if (hands_in_balloon) {
    const ActiveTargetSnapshot balloon = ReadActiveTarget();
    body.hand_lx = body.hand_rx = balloon.target_x;
    body.hand_ly = body.hand_ry = balloon.target_y;
  }
  return body;
}

class RunTimingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.frame_info = &frames;
    h.stage.now_ns = [this] { return h.clock.Now_ns(); };
    h.stage.present_time_ns = [this](uint64_t n) -> int64_t {
      if (n >= kNeverPresentedFrom || n > h.stage.end_times_ns.size()) return 0;
      return h.stage.end_times_ns[n - 1] + kPresentDelay_ns;
    };
    h.bodies = [this](int pass) {
      if (pass % kFramePeriodPasses != 0) return 0;
      ++frames.taken;
      frames.captured_ns = pass < kUnknownFromPass ? h.clock.Now_ns() - kCameraDelay_ns : 0;
      const bool hit =
          std::find(std::begin(kHitPasses), std::end(kHitPasses), pass) != std::end(kHitPasses);
      h.run.tracked_bodies[0] = Child(hit);
      return 1;
    };
    h.PressKeyAfterPass(2450, VK_ESCAPE);
    h.Run();
  }

  RunHarness h;
  ScriptedFrameInfo frames;
};

TEST_F(RunTimingTest, EveryColumnOfTheTimingRows) {
  ASSERT_EQ(h.run.trial_count, 3);
  std::string rows;
  AppendTimingRows(rows, {h.run.timing->trials, 3});
  // Trial 0: placed at clock 0 (pass 0), its first frame ended in pass 0 and
  // presented 7 ms later; popped in pass 60 by a picture captured 40 ms before.
  // Trial 1: the clock restarts at its placement in pass 1081; its first frame
  // is drawn in pass 1110 (clock 29) and presented at 36; popped in pass 1200
  // (clock 119) by a picture of clock 79.
  // Trial 2: placed in pass 2221 (clock 1140), none of its frames presented,
  // its pictures without a capture time; popped in pass 2400 (clock 1319).
  // The hands were nowhere before they were in: no crossing.
  EXPECT_EQ(rows,
            "0,0,7,20,60,60,13,-1,-1\r\n"
            "1,0,36,79,119,119,43,-1,-1\r\n"
            "2,1140,-1,-1,1319,179,-1,-1,-1\r\n");
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(h.run.timing->trials[i].rt_ms, h.run.trial_records[i].rt) << i;
  }
  // The journal gets each timing right after its record, and every drawn pass
  // of the run's pictures: 60, 90, ..., 2430 (those of passes 0 and 30 were
  // captured before the run started).
  ASSERT_EQ(h.sink.timings.size(), 3u);
  EXPECT_EQ(h.sink.timings[1].first, 1);
  EXPECT_EQ(h.sink.timings[1].second.onset_shown_ms, 36);
  EXPECT_EQ(h.sink.drawn_passes.size(), 80u);
}

// A screen slower than the hit test: the start balloon is popped before its
// first frame is presented. The row is completed when the presentation
// arrives; the hand's path gives the crossing, before the balloon was seen.
TEST(RunTimingLateScreen, OnsetShownArrivesAfterThePopAndTheCrossingIsInterpolated) {
  constexpr int64_t kSlowPresent_ns = 120'000'000;
  RunHarness h;
  ScriptedFrameInfo frames;
  h.frame_info = &frames;
  h.stage.now_ns = [&] { return h.clock.Now_ns(); };
  h.stage.present_time_ns = [&](uint64_t n) -> int64_t {
    return n <= h.stage.end_times_ns.size() ? h.stage.end_times_ns[n - 1] + kSlowPresent_ns : 0;
  };
  h.bodies = [&](int pass) {
    if (pass % kFramePeriodPasses != 0) return 0;
    ++frames.taken;
    frames.captured_ns = h.clock.Now_ns();  // no camera delay
    const ActiveTargetSnapshot balloon = ReadActiveTarget();
    TrackedBody body = AwayBody(7);
    // Pass 30: the right hand 2.5 balloon halves left of the centre; pass 60: at it.
    body.hand_rx = balloon.target_x - (pass >= 60 ? 0 : 5 * kHitHalfSize / 2);
    body.hand_ry = balloon.target_y;
    if (pass >= 90) body.hand_rx = body.hand_ry = -1;
    h.run.tracked_bodies[0] = body;
    return 1;
  };
  h.PressKeyAfterPass(400, VK_ESCAPE);
  h.Run();
  ASSERT_GE(h.run.trial_count, 1);
  const TrialTiming& t = h.run.timing->trials[0];
  EXPECT_EQ(t.hit_picture_ms, 60);
  EXPECT_EQ(t.onset_shown_ms, 120) << "presented after the pop, still recorded";
  // Outside at clock 30, inside at 60, entering 3/5 of the way along: 48 ms.
  EXPECT_EQ(t.hit_crossing_ms, 48);
  EXPECT_EQ(CrossingRt_ms(t), 48 - 120);
  // The journal was told again once the presentation was known.
  ASSERT_FALSE(h.sink.timings.empty());
  EXPECT_EQ(h.sink.timings.back().first, 0);
  EXPECT_EQ(h.sink.timings.back().second.onset_shown_ms, 120);
}

// The run's first update takes a picture the sensor captured before the run
// started: it is not one of the run's pictures, neither captured nor shown,
// nor a body frame whose tracking counts.
TEST(RunTimingStart, APictureCapturedBeforeTheRunIsNotCountedAsShown) {
  RunHarness h;
  ScriptedFrameInfo frames;  // two pictures captured for each one taken
  frames.taken = 10;
  h.frame_info = &frames;
  const int64_t before_run_ns = h.clock.Now_ns() - 1'000'000;
  h.bodies = [&](int pass) {
    if (pass % kFramePeriodPasses != 0) return 0;
    ++frames.taken;
    frames.captured_ns = pass == 0 ? before_run_ns : h.clock.Now_ns();
    h.run.tracked_bodies[0] = Child(false);
    return 1;
  };
  h.PressKeyAfterPass(300, VK_ESCAPE);
  h.Run();
  const DrawnPassFacts& f = h.run.timing->frames.last;
  // Pictures taken at passes 0, 30, ..., 300: the ten after the first count.
  EXPECT_EQ(f.pictures_shown, 10u);
  EXPECT_EQ(f.body_frames, 10u);
  EXPECT_EQ(f.pictures_captured, 22u);
  // The tracking counts and the journal's passes have the same ten frames.
  EXPECT_EQ(h.run.timing->frames.drawn_passes, 10u);
  EXPECT_EQ(h.run.timing->frames.frames_with_body, 10u);
  EXPECT_EQ(h.sink.drawn_passes.size(), 10u);
}

TEST_F(RunTimingTest, RunRecordKeysAndValues) {
  RunRecordHead head;
  head.subject = "P1";
  head.start = LocalDateTime{2026, 12, 10, 10, 15, 0, 123};
  head.utc_offset_minutes = 9 * 60;
  head.settings.mirror = 1;
  head.random_seed_used = 4242;
  head.sensor.backend = "camera";
  head.sensor.device = "/dev/video2";
  head.sensor.models = {{"models/movenet-multipose.onnx", "ab12"}};
  const RunTiming& timing = *h.run.timing;
  RunRecordTail tail;
  tail.end_reason = timing.end_reason;
  tail.duration_ms = timing.duration_ms;
  tail.trials = {h.run.trial_records, 3};
  tail.timings = {timing.trials, 3};
  tail.body_samples = h.run.sample_count;
  tail.frames = &timing.frames;
  const nlohmann::json r = nlohmann::json::parse(RunRecordJson(RunRecordHeadJson(head), tail));

  EXPECT_EQ(r["format"], "tavelin2-run/1");
  EXPECT_EQ(r["program"]["name"], "tavelin2");
  EXPECT_EQ(r["timing_file_format"], 2);
  EXPECT_FALSE(r["program"]["version"].get<std::string>().empty());
  EXPECT_EQ(r["subject"], "P1");
  EXPECT_EQ(r["start"], "2026-12-10T10:15:00.123+09:00");
  EXPECT_EQ(r["settings"].size(), 13u);
  EXPECT_EQ(r["settings"]["mirror"], 1);
  EXPECT_EQ(r["random_seed_used"], 4242);
  EXPECT_EQ(r["sensor"]["backend"], "camera");
  EXPECT_EQ(r["simulated"], false);
  head.sensor.backend = "sim";
  EXPECT_EQ(nlohmann::json::parse(RunRecordHeadJson(head))["simulated"], true);
  EXPECT_EQ(r["sensor"]["device"], "/dev/video2");
  EXPECT_EQ(r["sensor"]["models"][0]["sha256"], "ab12");
  // Esc was seen by pass 2451, 2451 ms after the run started.
  EXPECT_EQ(r["end"], (nlohmann::json{{"reason", "escape"}, {"duration_ms", 2451}}));
  // 82 drawn passes, 69 of them in the pauses after the three pops: 13 samples.
  // Two of the passes took pictures from before the run: 80 are counted.
  EXPECT_EQ(r["counts"],
            (nlohmann::json{{"trials", 3}, {"body_samples", 13}, {"drawn_passes", 80}}));
  const nlohmann::json& f = r["frames"];
  EXPECT_EQ(f["pictures_captured"], 164);
  // The pictures of passes 0 and 30 were captured 40 ms before their update,
  // before the run started: not the run's.
  EXPECT_EQ(f["pictures_shown"], 80);
  EXPECT_EQ(f["body_frames"], 80);
  EXPECT_EQ(f["frames_presented"], 75) << "frames 1 to 75; 76 on were replaced";
  EXPECT_EQ(f["frame_interval_ms"]["median"], 30.0);
  EXPECT_EQ(f["frame_interval_ms"]["p99"], 30.0);
  const nlohmann::json& latency = r["latency_ms"];
  EXPECT_EQ(latency["capture_to_hit_test"]["frames"], 73);
  EXPECT_EQ(latency["capture_to_hit_test"]["mean"], 40.0);
  EXPECT_EQ(latency["capture_to_hit_test"]["sd"], 0.0);
  EXPECT_EQ(latency["capture_to_hit_test"]["p99"], 40.0);
  // Onsets shown after 7 and 36 ms; trial 2's never.
  EXPECT_EQ(latency["onset_to_shown"]["trials"], 2);
  EXPECT_EQ(latency["onset_to_shown"]["mean"], 21.5);
  EXPECT_EQ(latency["onset_to_shown"]["sd"], 20.5);
  EXPECT_EQ(latency["onset_to_shown"]["p99"], 36.0);
  EXPECT_EQ(latency["onset_to_shown"]["max"], 36.0);
  const nlohmann::json& tracking = r["tracking"];
  // The same frames as the frame counts above.
  EXPECT_EQ(tracking["body_frames"], 80);
  EXPECT_EQ(tracking["share_with_tracked_body"], 1.0);
  EXPECT_EQ(tracking["popping_body"]["id"], 7);
  EXPECT_EQ(tracking["popping_body"]["frames"], 80);
  EXPECT_EQ(tracking["popping_body"]["share_left_hand_tracked"], 0.0375);  // 3 of 80
  EXPECT_FALSE(r.contains("sensor_stop")) << "the sensor did not stop";
  EXPECT_FALSE(r.contains("session_video")) << "not known: nothing is said";

  // A sensor that stopped mid-run is named with its time and cause.
  SensorStopRecord stop;
  stop.cause = SensorStopCause::kNoFrames;
  stop.clock_ms = 1200;
  stop.run_elapsed_ms = 2100;
  tail.sensor_stop = &stop;
  const nlohmann::json stopped =
      nlohmann::json::parse(RunRecordJson(RunRecordHeadJson(head), tail))["sensor_stop"];
  EXPECT_EQ(
      stopped,
      (nlohmann::json{
          {"cause", "no frames"}, {"clock_ms", 1200}, {"run_elapsed_ms", 2100}, {"detail", ""}}));
}

TEST_F(RunTimingTest, RunRecordSaysWhatBecameOfTheSessionVideo) {
  using nlohmann::json;
  struct Case {
    const char* name;
    SessionVideoRecord video;
    json expected;
  };
  const Case cases[] = {
      {"off", {}, json{{"recorded", false}}},
      {"recorded",
       {true, "/d/P1_20261210_101500_V.avi", "/d/P1_20261210_101500_V.csv", 1790, 12, ""},
       json{{"recorded", true},
            {"video", "/d/P1_20261210_101500_V.avi"},
            {"frame_table", "/d/P1_20261210_101500_V.csv"},
            {"frames_written", 1790},
            {"frames_dropped", 12},
            {"problem", ""}}},
      // Asked for, but no folder took the files: the reason, and no paths.
      {"could not start",
       {true, "", "", 0, 0, "no folder can take the video"},
       json{{"recorded", false},
            {"video", nullptr},
            {"frame_table", nullptr},
            {"frames_written", 0},
            {"frames_dropped", 0},
            {"problem", "no folder can take the video"}}},
  };
  RunRecordHead head;
  head.subject = "P1";
  RunRecordTail tail;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    tail.session_video = &c.video;
    const json r = json::parse(RunRecordJson(RunRecordHeadJson(head), tail));
    EXPECT_EQ(r["session_video"], c.expected);
  }
}

}  // namespace
