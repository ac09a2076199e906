// Per-frame costs of the body tracking path: the halved copy of a 1920 x 1080
// picture and the YUY2 to BGRA conversion, each next to a plain memcpy of the
// same bytes; the whole UpdateBodies with and without a new frame; and one
// frame of the simulated sensor.

#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "app/program_body_update.h"
#include "body/backends/scripted/scripted_sensor.h"
#include "body/backends/sim/sim_painter.h"
#include "body/backends/sim/sim_scene.h"
#include "body/picture_copy.h"
#include "body/sensor/color_conversion.h"
#include "body/sensor_connection.h"
#include "state/program_state.h"
#include "support/recording_stage.h"

namespace {

constexpr size_t kSourceBgraBytes = 1920u * 1080u * 4u;  // 8,294,400
constexpr size_t kHalvedBytes = 960u * 540u * 4u;        // 2,073,600
constexpr size_t kYuy2Bytes = 1920u * 1080u * 2u;        // 4,147,200

std::vector<uint8_t> Noise(size_t bytes) {
  std::vector<uint8_t> v(bytes);
  uint32_t s = 12345;
  for (auto& b : v) b = static_cast<uint8_t>((s = s * 1664525u + 1013904223u) >> 24);
  return v;
}

// Runs `work(src, dst)` over a noise source of `src_bytes`, reporting the
// `dst_bytes` written per iteration.
template <class Work>
void RunPictureWork(benchmark::State& state, size_t src_bytes, size_t dst_bytes, Work work) {
  const std::vector<uint8_t> src = Noise(src_bytes);
  std::vector<uint8_t> dst(dst_bytes);
  for (auto _ : state) {
    work(src.data(), dst.data());
    benchmark::DoNotOptimize(dst.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * dst_bytes);
}

void BM_HalvedCopy(benchmark::State& state) {
  RunPictureWork(state, kSourceBgraBytes, kHalvedBytes, [](const uint8_t* src, uint8_t* dst) {
    CopyHalvedPicture(src, 1920, 1080, dst, 3840, 960, 540);
  });
}
BENCHMARK(BM_HalvedCopy)->Unit(benchmark::kMicrosecond);

// The reference for the copy: memcpy of the bytes the copy writes.
void BM_MemcpyHalvedBytes(benchmark::State& state) {
  RunPictureWork(state, kSourceBgraBytes, kHalvedBytes,
                 [](const uint8_t* src, uint8_t* dst) { std::memcpy(dst, src, kHalvedBytes); });
}
BENCHMARK(BM_MemcpyHalvedBytes)->Unit(benchmark::kMicrosecond);

void BM_Yuy2ToBgra(benchmark::State& state) {
  RunPictureWork(state, kYuy2Bytes, kSourceBgraBytes,
                 [](const uint8_t* src, uint8_t* dst) { ConvertYuy2ToBgra(src, 1920, 1080, dst); });
}
BENCHMARK(BM_Yuy2ToBgra)->Unit(benchmark::kMicrosecond);

// The reference for the conversion: memcpy of the bytes it writes.
void BM_MemcpyBgraBytes(benchmark::State& state) {
  RunPictureWork(state, kSourceBgraBytes, kSourceBgraBytes,
                 [](const uint8_t* src, uint8_t* dst) { std::memcpy(dst, src, kSourceBgraBytes); });
}
BENCHMARK(BM_MemcpyBgraBytes)->Unit(benchmark::kMicrosecond);

// UpdateBodies as the trial loop calls it: arg 1 with a new YUY2 frame and two
// tracked children each time, arg 0 with no new frame (the common pass).
void BM_UpdateBodies(benchmark::State& state) {
  const bool new_frame = state.range(0) != 0;
  ResetProgramState();
  RecordingStage stage;
  stage.InitLikeDevice();
  body_texture = stage.AddTexture(960, 540, D3DFMT_X8R8G8B8);
  color_buffer = std::make_unique<uint8_t[]>(kColorBufferBytes);
  show_markers = 1;
  auto sensor = InstallScriptedSensor();
  OpenSensor();

  SimScene scene(2, 1, PinholeCamera{}, 1000.0 / 30);
  scene.Advance(0, std::nullopt);
  auto bodies = std::make_shared<BodyFrameData>();
  scene.FillBodyFrame(bodies.get());
  auto colour = std::make_shared<const ColorFrameData>(
      ScriptedColorFrame(1920, 1080, ColorImageFormat_Yuy2, 0xFF806040));
  auto depth = std::make_shared<const DepthFrameData>();
  auto index = std::make_shared<const BodyIndexFrameData>();
  for (auto _ : state) {
    if (new_frame) {
      state.PauseTiming();
      sensor->streams().PublishSet(SensorFrameSet{colour, depth, bodies, index});
      state.ResumeTiming();
    }
    benchmark::DoNotOptimize(UpdateBodies(stage));
  }
  CloseSensor();
  UninstallScriptedSensor();
  ResetProgramState();
}
BENCHMARK(BM_UpdateBodies)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// One frame of the simulated sensor (scene, colour picture, depth and body
// index) with 2 and with 6 children: its share of a 33 ms frame period.
void BM_SimFrame(benchmark::State& state) {
  const PinholeCamera camera;
  SimScene scene(static_cast<int32_t>(state.range(0)), 1, camera, 1000.0 / 30);
  const SimPainter painter(camera, ColorImageFormat_Yuy2, SimScene::kFloorY);
  ColorFrameData colour;
  DepthFrameData depth;
  BodyIndexFrameData index;
  BodyFrameData bodies;
  int64_t frame = 0;
  for (auto _ : state) {
    scene.Advance(frame++, BalloonProbe{1, 300, 200, 0, 0, 1});
    scene.FillBodyFrame(&bodies);
    painter.PaintColour(scene, &colour);
    painter.PaintDepth(scene, &depth, &index);
    benchmark::DoNotOptimize(colour.pixels.data());
  }
}
BENCHMARK(BM_SimFrame)->Arg(2)->Arg(6)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
