#pragma once
// Runs the trial loop inside a benchmark, one pass per iteration: the clock
// advances 1 ms per pass without sleeping, the run ends by Esc once the
// benchmark has enough passes. Two children stand beside the draw area, so no
// balloon is popped and every drawn pass composes a frame with a balloon.

#include <benchmark/benchmark.h>

#include <memory>

#include "headless_stage.h"
#include "state/random.h"
#include "support/own_run_state.h"
#include "trial/pass_trace.h"
#include "trial/trial_loop.h"

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

struct PassOptions {
  bool new_frames = true;  // every pass brings a body frame (a drawn pass)
  int32_t mirror = 1;
  bool traced = false;
  bool timed = true;  // the run records its timing (timing file, run record)
};

// `stage` holds the run's textures already, at `textures`.
inline void RunPasses(benchmark::State& state, StageSurface& stage, const RunTextures& textures,
                      const PassOptions& options) {
  const auto own = std::make_unique<OwnRunState>();
  RunState run = own->View(textures);
  if (!options.timed) run.timing = nullptr;
  SeedRandom(1);
  run.settings.mirror = options.mirror;
  CountingClock clock;
  NullCursor cursor;
  NullSound sound;
  BenchHost host(state, stage, clock);
  TrackedBody sensor_bodies[kBodySlotCount];
  FillTwoChildren(sensor_bodies);
  PassTrace trace;
  TrialPorts ports{stage,
                   [&] {
                     if (!options.new_frames) return 0;
                     // What the body update leaves: fresh, unmirrored joints.
                     for (int i = 0; i < kBodySlotCount; ++i)
                       run.tracked_bodies[i] = sensor_bodies[i];
                     return 1;
                   },
                   clock,
                   cursor,
                   sound,
                   host,
                   nullptr,
                   options.traced ? &trace : nullptr};
  TrialLoop(ports, run);
  state.counters["samples"] = run.sample_count;
}
