// CPU cost of one pass of the trial loop at 1920 x 1080: a drawn pass (hit
// tests, samples, the frame with the real pixel operations) and a pass without
// a new frame. Sleeping, the sensor's picture copy, text rasterising and GPU
// work are not part of it.

#include <benchmark/benchmark.h>

#include "app/program_state.h"
#include "app/random.h"
#include "headless_stage.h"
#include "trial/pass_trace.h"
#include "trial/trial_loop.h"

namespace {

class CountingClock : public RunClock {
 public:
  bool IsRunning() const override { return running_; }
  void Start() override { running_ = true; }
  void Stop() override { running_ = false; }
  int32_t Read() const override { return now_ms; }
  void Reset() override { now_ms = 0; }
  void InstallIdleHook() override {}
  void RemoveHook() override {}
  int32_t now_ms = 0;

 private:
  bool running_ = false;
};

// Every pump is one benchmark iteration; the run ends by Esc when the
// benchmark has enough.
class BenchHost : public HostPort {
 public:
  BenchHost(benchmark::State& state, StageSurface& stage, CountingClock& clock)
      : state_(state), stage_(stage), clock_(clock) {}
  void PumpMessages() override {
    if (!state_.KeepRunning()) stage_.m_input.key = VK_ESCAPE;
  }
  void FlushInput() override {}
  void Sleep(int32_t duration_ms) override { clock_.now_ms += duration_ms; }
  void ShowScore(const std::string&, const std::string&) override {}

 private:
  benchmark::State& state_;
  StageSurface& stage_;
  CountingClock& clock_;
};

void RunPasses(benchmark::State& state, bool new_frames, int32_t mirror, bool traced) {
  ResetProgramState();
  SeedRandom(1);
  settings.mirror = mirror;
  HeadlessStage stage(1920, 1080);
  CountingClock clock;
  NullCursor cursor;
  NullSound sound;
  BenchHost host(state, stage, clock);
  TrackedBody sensor_bodies[kBodySlotCount];
  FillTwoChildren(sensor_bodies);
  PassTrace trace;
  TrialPorts ports{stage,
                   [&] {
                     if (!new_frames) return 0;
                     // What the body update leaves: fresh, unmirrored joints.
                     for (int i = 0; i < kBodySlotCount; ++i) tracked_bodies[i] = sensor_bodies[i];
                     return 1;
                   },
                   clock,
                   cursor,
                   sound,
                   host,
                   nullptr,
                   traced ? &trace : nullptr};
  TrialLoop(ports);
  state.counters["frames"] = static_cast<double>(stage.frames);
  state.counters["samples"] = sample_count;
}

void BM_DrawnPass(benchmark::State& state) {
  RunPasses(state, true, static_cast<int32_t>(state.range(0)), false);
}
BENCHMARK(BM_DrawnPass)->ArgName("mirror")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_PassWithoutFrame(benchmark::State& state) {
  RunPasses(state, false, 1, false);
}
BENCHMARK(BM_PassWithoutFrame)->Unit(benchmark::kNanosecond);

void BM_PassWithoutFrameTraced(benchmark::State& state) {
  RunPasses(state, false, 1, true);
}
BENCHMARK(BM_PassWithoutFrameTraced)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
