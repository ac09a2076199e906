#include "body/backends/sim/sim_sensor.h"

#include <time.h>

#include <algorithm>

#include "body/backends/sim/balloon_probe_access.h"
#include "body/backends/sim/sim_painter.h"
#include "body/backends/sim/sim_scene.h"

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

}  // namespace

SimSensor::SimSensor(const SimSensorOptions& options) : options_(options) {}

SimSensor::~SimSensor() {
  Close();
}

Status SimSensor::Open() {
  if (thread_.joinable()) return S_OK;
  stop_ = false;
  thread_ = std::thread([this] { Run(); });
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

void SimSensor::Run() {
  const double interval_ms = options_.frame_interval_us / 1000.0;
  SimScene scene(options_.body_count, options_.seed, camera_, interval_ms);
  const SimPainter painter(camera_, options_.color_format, SimScene::kFloorY);
  auto colour_pool = FramePool<ColorFrameData>::Create();
  auto depth_pool = FramePool<DepthFrameData>::Create();
  auto index_pool = FramePool<BodyIndexFrameData>::Create();

  const int64_t interval_ns = static_cast<int64_t>(options_.frame_interval_us) * 1000;
  int64_t deadline = MonotonicNow_ns();
  for (int64_t frame = 0; !stop_.load(); ++frame) {
    SleepUntil(deadline, stop_);
    if (stop_.load()) break;
    const TIMESPAN captured = deadline / 100;

    scene.Advance(frame, ReadSimBalloonProbe());

    auto colour = colour_pool->Acquire();
    painter.PaintColour(scene, colour.get());
    colour->relative_time = captured;
    auto body = std::make_shared<BodyFrameData>();
    scene.FillBodyFrame(body.get());
    body->relative_time = captured;
    auto depth = depth_pool->Acquire();
    auto index = index_pool->Acquire();
    painter.PaintDepth(scene, depth.get(), index.get());
    depth->relative_time = index->relative_time = captured;

    // Colour last: a reader that sees the new colour frame finds the others.
    streams().body.Publish(std::move(body));
    streams().depth.Publish(std::move(depth));
    streams().body_index.Publish(std::move(index));
    streams().color.Publish(std::move(colour));
    frames_produced_.fetch_add(1);

    // Absolute deadlines keep 30 fps without drift; after a stall (a loaded
    // machine) the next frame is due now rather than in a burst of late ones.
    deadline += interval_ns;
    if (MonotonicNow_ns() > deadline + interval_ns) deadline = MonotonicNow_ns();
  }
}
