// How fast the camera backend turns pictures into bodies on this machine.
//
// Scenes: 1280 x 720 pictures (the camera's default size) with 1, 2 or 6
// copies of the footballer of Debian's messi5.jpg, standing in for children.
//
//   BM_Pipeline/N        one frame through pose + hands, synchronously: the
//                        body frames a second the machine can compute.
//   BM_LiveDevice/N      the camera device on a 30 fps clip of the scene, in
//                        real time, capture and inference on their threads:
//                        body frames a second delivered and the delay from
//                        capture to body frame (mean and worst).
//   BM_ColorPicture      camera picture -> 1920 x 1080 BGRA colour frame.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <opencv2/imgcodecs.hpp>
#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>
#include <thread>

#include "body/backends/camera/body_estimator.h"
#include "body/backends/camera/camera_assets.h"
#include "body/backends/camera/onnx_model.h"
#include "body/backends/camera/camera_device.h"
#include "body/backends/camera/color_frame_geometry.h"

namespace {

// CPU time of the whole process (all threads, ONNX Runtime's included), ms.
// On a machine shared with other work this shows the cost of a frame better
// than the wall clock does.
double ProcessCpuMs() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

const std::string kMessi = std::string(T2_OPENCV_DOC_DIR) + "/examples/data/messi5.jpg";

// `people` copies of the photo, in a row (1, 2) or a 3 x 2 grid (6), on a
// 1280 x 720 grey picture.
cv::Mat Scene(int people) {
  cv::Mat scene(720, 1280, CV_8UC3, cv::Scalar::all(90));
  const cv::Mat photo = cv::imread(kMessi);
  if (photo.empty()) return cv::Mat();
  const int cols = people <= 2 ? people : 3, rows = people <= 2 ? 1 : 2;
  const cv::Size cell(1280 / cols, 720 / rows);
  const double scale = std::min(double(cell.width) / photo.cols, double(cell.height) / photo.rows);
  cv::Mat small;
  cv::resize(photo, small, cv::Size(), scale, scale, cv::INTER_AREA);
  for (int i = 0; i < people; ++i) {
    const cv::Point at((i % cols) * cell.width + (cell.width - small.cols) / 2,
                       (i / cols) * cell.height + (cell.height - small.rows) / 2);
    small.copyTo(scene(cv::Rect(at, small.size())));
  }
  return scene;
}

// Args: people, pose input width, pose threads (0: chosen for the cores).
void BM_Pipeline(benchmark::State& state) {
  const int people = static_cast<int>(state.range(0));
  const cv::Mat scene = Scene(people);
  if (scene.empty()) return state.SkipWithError("messi5.jpg missing (opencv-doc)");
  CameraSettings settings;
  settings.pose_input_width = static_cast<int>(state.range(1));
  settings.inference_threads = static_cast<int>(state.range(2));
  BodyEstimator estimator(settings);
  std::string error;
  if (!estimator.Load(&error)) return state.SkipWithError(error.c_str());
  estimator.SetCameraSize(scene.size());
  BodyFrameData frame;
  BodyEstimateTiming timing, sum;
  const double cpu_start = ProcessCpuMs();
  for (auto _ : state) {
    estimator.Process(scene, 0, &frame, &timing);
    sum.pose_ms += timing.pose_ms, sum.hands_ms += timing.hands_ms;
    sum.people = timing.people, sum.hand_crops = timing.hand_crops;
  }
  const double n = double(state.iterations());
  state.counters["cpu_ms_per_frame"] = (ProcessCpuMs() - cpu_start) / n;
  state.counters["fps"] = benchmark::Counter(n, benchmark::Counter::kIsRate);
  state.counters["pose_ms"] = sum.pose_ms / n;
  state.counters["hands_ms"] = sum.hands_ms / n;
  state.counters["people_found"] = sum.people;
  state.counters["hand_crops"] = sum.hand_crops;
}
BENCHMARK(BM_Pipeline)
    ->ArgNames({"people", "width", "threads"})
    ->Args({1, 256, 0})
    ->Args({2, 256, 0})
    ->Args({2, 256, 1})
    ->Args({2, 256, 2})
    ->Args({6, 256, 0})
    ->Args({6, 384, 0})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->UseRealTime();

// Args: people, pose input width.
void BM_LiveDevice(benchmark::State& state) {
  const int people = static_cast<int>(state.range(0));
  CameraSettings settings;
  settings.pose_input_width = static_cast<int>(state.range(1));
  const cv::Mat scene = Scene(people);
  if (scene.empty()) return state.SkipWithError("messi5.jpg missing (opencv-doc)");
  constexpr int kFrames = 150;  // five seconds at 30 fps
  const std::string clip = "/tmp/camera_bench_" + std::to_string(people) + ".avi";
  {
    cv::VideoWriter writer(clip, cv::CAP_OPENCV_MJPEG, cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
                           30, scene.size());
    for (int i = 0; i < kFrames; ++i) writer.write(scene);
  }
  for (auto _ : state) {
    CameraSensor sensor(clip, settings);
    const double cpu_start = ProcessCpuMs();
    const auto start = std::chrono::steady_clock::now();
    if (sensor.Open() != S_OK) return state.SkipWithError(sensor.last_error().c_str());
    // The UI thread's side: poll the newest frames about once a millisecond.
    uint64_t color_seen = 0, body_seen = 0;
    while (sensor.IsAvailable()) {
      sensor.streams().color.TakeNewerThan(&color_seen);
      sensor.streams().body.TakeNewerThan(&body_seen);
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sensor.Close();
    const CameraSensorStats s = sensor.stats();
    state.SetIterationTime(seconds);
    state.counters["colour_fps"] = s.color_frames / seconds;
    state.counters["body_fps"] = s.body_frames / seconds;
    state.counters["delay_ms_mean"] = s.body_frames ? s.latency_ms_sum / s.body_frames : 0;
    state.counters["delay_ms_max"] = s.latency_ms_max;
    // Both cores would be busy at this share of CPU per second of video.
    state.counters["cpu_share"] = (ProcessCpuMs() - cpu_start) / (seconds * 1e3);
  }
  std::remove(clip.c_str());
}
BENCHMARK(BM_LiveDevice)
    ->Args({1, 256})
    ->Args({2, 256})
    ->Args({6, 384})
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kSecond);

// One model alone on a prepared input: the session options side by side.
// Args: model (0 pose at 256 x 160, 1 hand), intra-op threads, XNNPACK (skipped
// when the runtime has none).
void BM_ModelRun(benchmark::State& state) {
  const bool hand = state.range(0) != 0;
  OnnxSessionOptions options;
  options.threads = static_cast<int>(state.range(1));
  options.xnnpack = state.range(2) != 0;
  if (options.xnnpack && !OnnxRuntimeHasXnnpack())
    return state.SkipWithError("this ONNX Runtime has no XNNPACK provider");
  OnnxModel model;
  std::string error;
  if (!model.Load(ModelPath(hand ? "handlandmark-lite" : "movenet-multipose"), options, &error))
    return state.SkipWithError(error.c_str());
  const std::vector<int64_t> shape =
      hand ? std::vector<int64_t>{1, 224, 224, 3} : std::vector<int64_t>{1, 160, 256, 3};
  std::vector<float> input(size_t(shape[1] * shape[2] * 3));
  for (size_t i = 0; i < input.size(); ++i) input[i] = float((i * 37) % 256) / (hand ? 255 : 1);
  std::vector<Tensor> outputs;
  const double cpu_start = ProcessCpuMs();
  for (auto _ : state) {
    if (!model.Run(input.data(), shape, &outputs, &error)) return state.SkipWithError(error.c_str());
  }
  state.counters["cpu_ms_per_run"] = (ProcessCpuMs() - cpu_start) / double(state.iterations());
}
BENCHMARK(BM_ModelRun)
    ->ArgNames({"hand", "threads", "xnnpack"})
    ->ArgsProduct({{0, 1}, {1, 2}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

void BM_ColorPicture(benchmark::State& state) {
  const cv::Mat scene = Scene(1);
  if (scene.empty()) return state.SkipWithError("messi5.jpg missing (opencv-doc)");
  const ColorFrameGeometry g = ColorFrameGeometry::For(scene.size());
  std::vector<uint8_t> out(size_t(1920) * 1080 * 4);
  for (auto _ : state) {
    ConvertToColorPicture(scene, g, out.data());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_ColorPicture)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
