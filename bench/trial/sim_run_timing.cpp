// A real run of the trial loop against the simulated sensor, timed pass by pass:
// the real millisecond clock, the real 1 ms sleep, the body update with the
// simulator's 30 fps frames and its virtual participant popping balloons, and
// the stage's pixel operations (no window: GPU presentation is not part of it).
//
// Reports the pass interval (median, 99th percentile, maximum) and how long
// after a sensor frame was published the loop took it up. A watcher thread
// notes when the simulator publishes a colour frame (the last of the four
// streams), polling every 50 us; frames published since its last look are left
// out of the take-up figures rather than guessed.
//
//   trial_sim_run_timing --benchmark_filter=SimulatedRun   (20 s time limit)

#include <benchmark/benchmark.h>

#include <atomic>
#include <ctime>
#include <memory>
#include <optional>
#include <thread>

#include "body/backends/scripted/scripted_sensor.h"
#include "body/backends/sim/balloon_probe.h"
#include "body/backends/sim/sim_sensor.h"
#include "body/body_update.h"
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

// Notes the monotonic time at which the colour mailbox's count last changed.
class PublishWatcher {
 public:
  explicit PublishWatcher(std::shared_ptr<SensorDevice> device)
      : device_(std::move(device)), thread_([this] { Run(); }) {}
  ~PublishWatcher() {
    stop_ = true;
    thread_.join();
  }
  // When the frame now in the mailbox was published; 0 when the watcher has
  // not seen it yet.
  int64_t ReadyTime() const {
    const uint64_t now_count = device_->streams().color.published_count();
    return now_count == seen_count_.load() ? seen_ns_.load() : 0;
  }

 private:
  void Run() {
    uint64_t last = device_->streams().color.published_count();
    while (!stop_.load()) {
      const uint64_t count = device_->streams().color.published_count();
      if (count != last) {
        seen_ns_ = MonotonicNanoseconds();
        seen_count_ = count;
        last = count;
      }
      timespec pause{0, 50000};
      nanosleep(&pause, nullptr);
    }
  }

  std::shared_ptr<SensorDevice> device_;
  std::atomic<bool> stop_{false};
  std::atomic<uint64_t> seen_count_{0};
  std::atomic<int64_t> seen_ns_{0};
  std::thread thread_;
};

class RealSleepHost : public HostPort {
 public:
  RealSleepHost(StageSurface& stage, int64_t give_up_ns) : stage_(stage), give_up_ns_(give_up_ns) {}
  // No window: the only event is the safety Esc of a run whose participant
  // never pops two balloons.
  void PumpMessages() override {
    if (MonotonicNanoseconds() > give_up_ns_) stage_.m_input.key = VK_ESCAPE;
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
  int64_t give_up_ns_;
};

void BM_SimulatedRun(benchmark::State& state) {
  const int32_t timelimit_s = static_cast<int32_t>(state.range(0));
  for (auto _ : state) {
    ResetProgramState();
    SeedRandom(1);
    const auto own = std::make_unique<OwnRunState>();
    own->settings.timelimit = timelimit_s;

    std::shared_ptr<SensorDevice> device;
    SetSensorFactoryForTesting([&device](std::shared_ptr<SensorDevice>* out) {
      device = std::make_shared<SimSensor>(SimSensorOptions{});
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
      state.SkipWithError("the simulated sensor does not open");
      break;
    }
    color_buffer = std::make_unique<uint8_t[]>(kColorBufferBytes);

    HeadlessStage stage(1920, 1080);
    MsTimerClock clock;
    NullCursor cursor;
    NullSound sound;
    RealSleepHost host(stage, MonotonicNanoseconds() + (timelimit_s + 60) * int64_t{1000000000});
    PassTrace trace;
    std::optional<PublishWatcher> watcher;
    watcher.emplace(device);
    trace.frame_ready_source = [&watcher] { return watcher->ReadyTime(); };
    const RunState run = own->View(stage.textures);
    const std::span<uint8_t> buffer(color_buffer.get(), kColorBufferBytes);
    TrialPorts ports{
        stage,
        [&] {
          return UpdateBodies(BodyUpdateTarget{stage, run.textures.body, run.tracked_bodies, buffer,
                                               run.show_markers != 0});
        },
        clock,
        cursor,
        sound,
        host,
        nullptr,
        &trace};
    const int result = RunTask(ports, run);

    watcher.reset();
    SetSimBalloonProbe({});
    CloseSensor();
    color_buffer.reset();
    SetSensorFactoryForTesting(nullptr);

    const PassTimingSummary s = SummarizePasses(trace.Entries());
    state.counters["ended_by_time"] = result;
    state.counters["trials"] = run.trial_count;
    state.counters["passes"] = static_cast<double>(s.passes);
    state.counters["drawn"] = static_cast<double>(s.drawn_passes);
    state.counters["interval_med_us"] = s.interval_median_us;
    state.counters["interval_p99_us"] = s.interval_p99_us;
    state.counters["interval_max_us"] = s.interval_max_us;
    state.counters["takeup_med_us"] = s.takeup_median_us;
    state.counters["takeup_p99_us"] = s.takeup_p99_us;
    state.counters["takeup_max_us"] = s.takeup_max_us;
    state.counters["drawn_work_p99_us"] = s.drawn_work_p99_us;
    state.counters["drawn_update_med_us"] = s.drawn_update_median_us;
    state.counters["drawn_update_p99_us"] = s.drawn_update_p99_us;
    state.counters["drawn_rest_med_us"] = s.drawn_rest_median_us;
    state.counters["drawn_rest_p99_us"] = s.drawn_rest_p99_us;
    state.counters["idle_work_med_us"] = s.idle_work_median_us;
  }
}
BENCHMARK(BM_SimulatedRun)->Arg(20)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
