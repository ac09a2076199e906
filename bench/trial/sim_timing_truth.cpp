// Checks the timing file's figures against what really happened: a real run of
// the trial loop (real millisecond clock, real 1 ms sleep, the body update)
// against the simulated sensor, whose virtual participant records when each
// balloon reached its frames and when its hand was really inside it. The
// simulator publishes each picture with its bodies N ms after capture
// (--latency-ms), like a slow camera and model.
//
// Prints, over the trials after the start balloon:
//   HitPass - HitPicture (median, p95): should be about N;
//   RTPicture - true RT: the participant's hand-in-balloon minus balloon-shown,
//     both on its own frames; within one frame period when the file is right.
//   RTCrossing and RTPicture against the true RT from the moment the balloon
//     was shown (OnsetShown: the stage has no display, so a frame counts as
//     presented when it is ended, and that is exact) to the moment the hand
//     really went in, found between two of the simulator's frames to 0.1 ms.
//
//   trial_sim_timing_truth [--latency-ms=N ...] [--trials=K] [--fps=F]
//   (K 30, F 30 by default; the last line sums up every latency measured)

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "body/backends/scripted/scripted_sensor.h"
#include "body/backends/sim/balloon_probe.h"
#include "body/backends/sim/sim_sensor.h"
#include "body/body_update.h"
#include "body/sensor/sensor_registry.h"
#include "body/sensor_connection.h"
#include "headless_stage.h"
#include "state/program_state.h"
#include "state/random.h"
#include "support/own_run_state.h"
#include "trial/active_target.h"
#include "trial/ms_timer_clock.h"
#include "trial/pass_trace.h"
#include "trial/target_placement.h"
#include "trial/trial_loop.h"

namespace {

// Ends the run by Esc once `trials` balloons after the start balloon were popped.
class CountingHost : public HostPort {
 public:
  CountingHost(StageSurface& stage, const RunState& run, int32_t trials, int64_t give_up_ns)
      : stage_(stage), run_(run), trials_(trials), give_up_ns_(give_up_ns) {}
  void PumpMessages() override {
    if (run_.trial_count > trials_ || MonotonicNanoseconds() > give_up_ns_)
      stage_.m_input.key = VK_ESCAPE;
  }
  void FlushInput() override {}
  void Sleep(int32_t duration_ms) override {
    timespec pause{duration_ms / 1000, (duration_ms % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0) {
    }
  }
  void ShowScore(const std::string&, const std::string&) override {}

 private:
  StageSurface& stage_;
  const RunState& run_;
  int32_t trials_;
  int64_t give_up_ns_;
};

class ReportFrameInfo : public FrameInfoPort {
 public:
  explicit ReportFrameInfo(const BodyUpdateReport& report) : report_(report) {}
  int64_t PictureCaptured_ns() const override { return report_.picture_captured_ns; }
  uint64_t PicturesCaptured() const override {
    return sensor_connection.frame_set_reader
               ? sensor_connection.frame_set_reader->PicturesCaptured()
               : 0;
  }
  uint64_t PicturesShown() const override { return report_.pictures_taken; }
  uint64_t BodyFramesTaken() const override { return report_.body_frames_taken; }

 private:
  const BodyUpdateReport& report_;
};

double Median(std::vector<double> v) {
  return Percentile(std::move(v), 50);
}

struct Errors {
  std::vector<double> crossing, picture;  // RTCrossing and RTPicture minus the true RT, ms
  int unknown = 0;
};

double AbsPercentile(const std::vector<double>& errors, double p) {
  std::vector<double> v;
  for (double e : errors) v.push_back(std::fabs(e));
  return v.empty() ? 0.0 : Percentile(std::move(v), p);
}

int Measure(int32_t latency_ms, int32_t trials, int32_t fps, Errors* all) {
  ResetProgramState();
  SeedRandom(1);
  const auto own = std::make_unique<OwnRunState>();
  own->settings.timelimit = 100000;
  auto timing = std::make_unique<RunTiming>();

  SimSensorOptions options;
  options.publish_latency_ms = latency_ms;
  options.frame_interval_us = 1000000 / fps;
  std::shared_ptr<SimSensor> device;
  SetSensorFactoryForTesting([&](std::shared_ptr<SensorDevice>* out) {
    device = std::make_shared<SimSensor>(options);
    *out = device;
    return S_OK;
  });
  SetSimBalloonProbe([]() -> std::optional<BalloonProbe> {
    const ActiveTargetSnapshot s = ReadActiveTarget();
    if (!s.running) return std::nullopt;
    return BalloonProbe{s.shown,  s.target_x, s.target_y,  s.tgthand,
                        s.janken, s.mirror,   kHitHalfSize};
  });
  if (OpenSensor() != 1 || !device) {
    std::fprintf(stderr, "the simulated sensor does not open\n");
    return 1;
  }
  color_buffer = std::make_unique<uint8_t[]>(kColorBufferBytes);

  HeadlessStage stage(1920, 1080);
  MsTimerClock clock;
  NullCursor cursor;
  NullSound sound;
  RunState run = own->View(stage.textures);
  run.timing = timing.get();
  CountingHost host(stage, run, trials, MonotonicNanoseconds() + int64_t{trials} * 10 * 1000000000);
  BodyUpdateReport report;
  ReportFrameInfo frame_info(report);
  const std::span<uint8_t> buffer(color_buffer.get(), kColorBufferBytes);
  TrialPorts ports{
      stage,
      [&] {
        return UpdateBodies(BodyUpdateTarget{stage, run.textures.body, run.tracked_bodies, buffer,
                                             run.show_markers != 0, &report});
      },
      clock,
      cursor,
      sound,
      host};
  ports.frame_info = &frame_info;
  RunTask(ports, run);

  const std::vector<ParticipantTrial> truth = device->ParticipantTrials();
  SetSimBalloonProbe({});
  CloseSensor();
  color_buffer.reset();
  SetSensorFactoryForTesting(nullptr);

  // Balloon k of the participant is trial k of the run (each was popped).
  std::vector<double> pass_minus_picture, picture_rt_error;
  Errors errors;
  int unknown = 0;
  const int64_t reset_ns = clock.ResetAt_ns();
  for (int32_t k = 1; k < run.trial_count && k < static_cast<int32_t>(truth.size()); ++k) {
    const TrialTiming& t = timing->trials[k];
    if (t.hit_picture_ms == kUnknownMs || t.onset_shown_ms == kUnknownMs ||
        truth[k].hand_in_ns == 0) {
      ++unknown;
      continue;
    }
    pass_minus_picture.push_back(t.hit_pass_ms - t.hit_picture_ms);
    const double true_rt_ms = (truth[k].hand_in_ns - truth[k].shown_ns) / 1e6;
    picture_rt_error.push_back(PictureRt_ms(t) - true_rt_ms);
    // The true RT from the presented balloon to the hand really going in.
    if (truth[k].crossing_ns == 0 || t.hit_crossing_ms == kUnknownMs) {
      ++errors.unknown;
      continue;
    }
    const double true_crossing_ms = (truth[k].crossing_ns - reset_ns) / 1e6;
    const double true_rt = true_crossing_ms - t.onset_shown_ms;
    errors.crossing.push_back(CrossingRt_ms(t) - true_rt);
    errors.picture.push_back(PictureRt_ms(t) - true_rt);
  }
  std::printf(
      "latency %3d ms, %d fps: against the moment the hand went in (%zu trials, %d unknown): "
      "RTCrossing error median %+.1f ms, |p95| %.1f ms; RTPicture error median %+.1f ms, "
      "|p95| %.1f ms\n",
      latency_ms, fps, errors.crossing.size(), errors.unknown, Median(errors.crossing),
      AbsPercentile(errors.crossing, 95), Median(errors.picture),
      AbsPercentile(errors.picture, 95));
  all->crossing.insert(all->crossing.end(), errors.crossing.begin(), errors.crossing.end());
  all->picture.insert(all->picture.end(), errors.picture.begin(), errors.picture.end());
  all->unknown += errors.unknown;
  std::vector<double> abs_error;
  for (double e : picture_rt_error) abs_error.push_back(std::fabs(e));
  const double frame_ms = options.frame_interval_us / 1000.0;
  std::printf(
      "latency %3d ms: %zu trials compared (%d unknown); HitPass-HitPicture median %.1f ms, "
      "p95 %.1f ms; RTPicture-trueRT median %+.1f ms, |max| %.1f ms, within one frame "
      "(%.1f ms): %s; capture-to-hit-test mean %.1f ms\n",
      latency_ms, pass_minus_picture.size(), unknown, Median(pass_minus_picture),
      Percentile(pass_minus_picture, 95), Median(picture_rt_error),
      abs_error.empty() ? 0.0 : *std::max_element(abs_error.begin(), abs_error.end()), frame_ms,
      !abs_error.empty() && *std::max_element(abs_error.begin(), abs_error.end()) <= frame_ms
          ? "yes"
          : "NO",
      timing->frames.capture_to_test.mean_ms());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<int32_t> latencies;
  int32_t trials = 30, fps = 30;
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--latency-ms=", 13) == 0)
      latencies.push_back(std::atoi(argv[i] + 13));
    else if (std::strncmp(argv[i], "--trials=", 9) == 0)
      trials = std::max(1, std::atoi(argv[i] + 9));
    else if (std::strncmp(argv[i], "--fps=", 6) == 0)
      fps = std::clamp(std::atoi(argv[i] + 6), 1, 120);
    else {
      std::fprintf(stderr, "usage: %s [--latency-ms=N ...] [--trials=K] [--fps=F]\n", argv[0]);
      return 2;
    }
  }
  if (latencies.empty()) latencies = {0, 100};
  Errors all;
  for (int32_t latency : latencies) {
    if (Measure(latency, trials, fps, &all) != 0) return 1;
  }
  // The absolute errors' median and 95th percentile over every latency.
  std::printf("RTCrossing error: median %.1f ms, p95 %.1f ms; RTPicture error: median %.1f ms, "
              "p95 %.1f ms\n",
              AbsPercentile(all.crossing, 50), AbsPercentile(all.crossing, 95),
              AbsPercentile(all.picture, 50), AbsPercentile(all.picture, 95));
  return 0;
}
