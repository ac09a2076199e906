#include "body/backends/sim/sim_sensor.h"

#include <time.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>

#include "body/backends/sim/balloon_probe_access.h"
#include "body/backends/sim/screen_probe.h"
#include "body/backends/sim/sim_painter.h"
#include "body/backends/sim/sim_scene.h"
#include "platform/thread_scheduling.h"

namespace {

int64_t MonotonicNow_ns() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Sleeps until an absolute CLOCK_MONOTONIC time, in slices so that a stop
// request is seen within a few milliseconds.
void SleepUntil(int64_t deadline_ns, const std::atomic<bool>& stop) {
  constexpr int64_t kSlice_ns = 5'000'000;
  for (;;) {
    const int64_t now = MonotonicNow_ns();
    if (now >= deadline_ns || stop.load()) return;
    const int64_t until = std::min(deadline_ns, now + kSlice_ns);
    timespec ts{static_cast<time_t>(until / 1000000000), static_cast<long>(until % 1000000000)};
    clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr);
  }
}

// The screen at `at_ns`, once every frame presented up to then is known (the
// latency test tells them a pass of its loop after they were presented); after
// a quarter of a second of waiting, as far as they are known.
ScreenLook LookAtScreen(int64_t at_ns, const std::atomic<bool>& stop) {
  const int64_t give_up = MonotonicNow_ns() + 250'000'000;
  for (;;) {
    const ScreenLook look = ReadSimScreenProbe(at_ns);
    if (look.state != ScreenLook::State::kPending) return look;
    if (stop.load() || MonotonicNow_ns() > give_up)
      return {ScreenLook::State::kShown, look.brightness};
    SleepUntil(MonotonicNow_ns() + 1'000'000, stop);
  }
}

}  // namespace

SimSensor::SimSensor(const SimSensorOptions& options) : options_(options) {}

SimSensor::~SimSensor() {
  Close();
}

Status SimSensor::Open() {
  if (thread_.joinable()) return S_OK;
  stop_ = false;
  thread_ = std::thread([this] {
    RunAsBatchThread();  // painting needs throughput, not timing (thread_scheduling.h)
    Run();
  });
  return S_OK;
}

Status SimSensor::Close() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  return S_OK;
}

Status SimSensor::MapCameraPointToColorSpace(const CameraSpacePoint& point,
                                             ColorSpacePoint* color) const {
  if (!color) return E_POINTER;
  *color = camera_.Project(point);
  return S_OK;
}

void SimSensor::Describe(SensorDescription* d) const {
  d->options = {
      {"sim_bodies", std::to_string(options_.body_count)},
      {"sim_seed", std::to_string(options_.seed)},
      {"sim_color", options_.color_format == ColorImageFormat_Bgra ? "bgra" : "yuy2"},
      {"sim_latency_ms", std::to_string(options_.publish_latency_ms)},
      {"sim_screen_delay_ms",
       options_.screen_delay_ms < 0 ? "off" : std::to_string(options_.screen_delay_ms)},
      {"frame_interval_us", std::to_string(options_.frame_interval_us)},
  };
}

void SimSensor::Run() {
  const double interval_ms = options_.frame_interval_us / 1000.0;
  SimScene scene(options_.body_count, options_.seed, camera_, interval_ms);
  const SimPainter painter(camera_, options_.color_format, SimScene::kFloorY);
  // Frames held back by the publish latency (a few at most) plus one being filled.
  const size_t pool_frames = 4 + static_cast<size_t>(options_.publish_latency_ms * 1000 /
                                                     std::max(options_.frame_interval_us, 1));
  auto colour_pool = FramePool<ColorFrameData>::Create(pool_frames);
  auto depth_pool = FramePool<DepthFrameData>::Create(pool_frames);
  auto index_pool = FramePool<BodyIndexFrameData>::Create(pool_frames);
  const int64_t latency_ns = int64_t{options_.publish_latency_ms} * 1000000;
  std::deque<SensorFrameSet> held;  // captured, not yet due, oldest first

  const int64_t interval_ns = static_cast<int64_t>(options_.frame_interval_us) * 1000;
  int64_t deadline = MonotonicNow_ns();
  int64_t last_captured_ns = 0;
  for (int64_t frame = 0; !stop_.load();) {
    // The next thing to do: capture the next picture, or publish a held set.
    const int64_t publish_at =
        held.empty() ? INT64_MAX : held.front().color->relative_time * 100 + latency_ns;
    SleepUntil(std::min(deadline, publish_at), stop_);
    if (stop_.load()) break;
    if (publish_at <= deadline) {
      streams().PublishSet(std::move(held.front()));
      held.pop_front();
      frames_produced_.fetch_add(1);
      continue;
    }
    const TIMESPAN captured = deadline / 100;

    const std::optional<BalloonProbe> probe = ReadSimBalloonProbe();
    const SimScene before = scene;
    scene.Advance(frame, probe);
    ++frame;
    if (!scene.looks().empty()) {
      // Between the last frame and this one the scene's time runs evenly.
      const auto look_at = [&](int64_t ns) {
        SimScene between = before;
        const double share = double(ns - last_captured_ns) / double(captured * 100 - last_captured_ns);
        between.AdvanceTo((double(frame - 2) + share) * scene.frame_interval_ms(), probe);
        return between.looks()[0];
      };
      truth_.Observe(captured * 100, probe, scene.looks()[0], camera_, look_at);
    }
    last_captured_ns = captured * 100;

    auto colour = colour_pool->Acquire();
    painter.PaintColour(scene, colour.get());
    if (options_.screen_delay_ms >= 0) {
      const ScreenLook look =
          LookAtScreen(captured * 100 - int64_t{options_.screen_delay_ms} * 1000000, stop_);
      if (look.state == ScreenLook::State::kShown)
        painter.PaintScreen(look.brightness, colour.get());
    }
    MakeHalfPicture(colour.get());  // here, not on the trial loop's thread
    colour->relative_time = captured;
    auto body = std::make_shared<BodyFrameData>();
    scene.FillBodyFrame(body.get());
    body->relative_time = captured;
    auto depth = depth_pool->Acquire();
    auto index = index_pool->Acquire();
    painter.PaintDepth(scene, depth.get(), index.get());
    depth->relative_time = index->relative_time = captured;
    streams().pictures_captured.fetch_add(1);
    held.push_back(
        SensorFrameSet{std::move(colour), std::move(depth), std::move(body), std::move(index)});

    // Absolute deadlines keep 30 fps without drift; after a stall (a loaded
    // machine) the next frame is due now rather than in a burst of late ones.
    deadline += interval_ns;
    if (MonotonicNow_ns() > deadline + interval_ns) deadline = MonotonicNow_ns();
  }
}
