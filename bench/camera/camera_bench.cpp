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
//   BM_ColorPicture      BGR camera picture -> 1920 x 1080 BGRA colour frame.
//   BM_CaptureToTexture/ a picture's way from the camera's MJPEG frame (4:2:2,
//     {old,new}/H        H rows at 16:9 or, for 480, 640 x 480) through the
//                        1920 x 1080 BGRA colour frame to the stage's 960 x
//                        540 body texture: old = OpenCV's V4L2 path (JPEG
//                        decode to BGR, then ConvertToColorPicture); new =
//                        libavcodec to YUV, then one swscale step. CPU time
//                        of the whole process per picture. "old" is built
//                        only where libopencv-imgcodecs-dev is installed.
//   BM_ModelPicture/H    the inference thread's extra step on the new path:
//                        decoded YUV -> BGR at camera size.

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <opencv2/imgproc.hpp>
#include <thread>
#ifdef T2_BENCH_OPENCV_IMGCODECS
#include <opencv2/imgcodecs.hpp>
#endif

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "body/backends/camera/body_estimator.h"
#include "body/backends/camera/camera_device.h"
#include "body/backends/camera/color_frame_geometry.h"
#include "body/backends/camera/picture_scaler.h"
#include "body/backends/camera/video_decoder.h"
#include "body/picture_copy.h"
#include "test_media.h"

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
  const cv::Mat photo = ReadPictureFile(kMessi);
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

// Args: people, pose input width.
void BM_Pipeline(benchmark::State& state) {
  const int people = static_cast<int>(state.range(0));
  const cv::Mat scene = Scene(people);
  if (scene.empty()) return state.SkipWithError("messi5.jpg missing (opencv-doc)");
  CameraSettings settings;
  settings.pose_input_width = static_cast<int>(state.range(1));
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
    ->Args({1, 256})
    ->Args({2, 256})
    ->Args({6, 256})
    ->Args({6, 384})
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
  if (WriteMjpegClip(clip, std::vector<cv::Mat>(kFrames, scene)).empty())
    return state.SkipWithError("cannot write the clip");
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

// The scene at a camera size (H rows: 480 -> 640 x 480, else 16:9) as the
// MJPEG frames such a camera sends: 4:2:2, a few frames to cycle through.
std::vector<std::vector<uint8_t>> CameraFrames(int rows, cv::Size* size) {
  const cv::Mat scene = Scene(1);
  if (scene.empty()) return {};
  *size = rows == 480 ? cv::Size(640, 480) : cv::Size(rows * 16 / 9, rows);
  cv::Mat picture;
  cv::resize(scene, picture, *size, 0, 0, cv::INTER_AREA);
  std::vector<cv::Mat> pictures;
  for (int i = 0; i < 4; ++i) {
    pictures.push_back(picture.clone());
    cv::circle(pictures.back(), {40 + 60 * i, 40}, 20, cv::Scalar(0, 0, 255), -1);
  }
  ClipOptions options;
  options.chroma_422 = true;
  return WriteMjpegClip("/tmp/camera_bench_frames.avi", pictures, options);
}

// The new path: what VideoSource and the capture thread do per picture.
class NewCapturePath {
 public:
  bool Open(cv::Size size) {
    AVCodecParameters* codec = avcodec_parameters_alloc();
    codec->codec_type = AVMEDIA_TYPE_VIDEO;
    codec->codec_id = AV_CODEC_ID_MJPEG;
    codec->width = size.width;
    codec->height = size.height;
    const bool ok = decoder_.Open(*codec, nullptr);
    avcodec_parameters_free(&codec);
    geometry_ = ColorFrameGeometry::For(size);
    return ok;
  }
  bool Picture(const std::vector<uint8_t>& mjpeg, uint8_t* bgra, AVFrame* frame) {
    // As from a driver's buffer: a packet, and the compressed frame kept.
    AVPacket* packet = av_packet_alloc();
    av_new_packet(packet, static_cast<int>(mjpeg.size()));
    std::memcpy(packet->data, mjpeg.data(), mjpeg.size());
    auto kept =
        std::make_shared<const std::vector<uint8_t>>(packet->data, packet->data + packet->size);
    benchmark::DoNotOptimize(kept.get());
    const bool sent = decoder_.Send(packet);
    av_packet_free(&packet);
    return sent && decoder_.Receive(frame) == VideoDecoder::Result::kFrame &&
           scaler_.ToColorPicture(*frame, geometry_, bgra);
  }

 private:
  VideoDecoder decoder_;
  PictureScaler scaler_;
  ColorFrameGeometry geometry_;
};

// Args: old (0) or new (1) path, camera rows.
void BM_CaptureToTexture(benchmark::State& state) {
  cv::Size size;
  const auto frames = CameraFrames(static_cast<int>(state.range(1)), &size);
  if (frames.empty()) return state.SkipWithError("cannot make the camera frames");
  std::vector<uint8_t> bgra(size_t(kColorWidth) * kColorHeight * 4);
  std::vector<uint8_t> texture(size_t(kColorWidth / 2) * (kColorHeight / 2) * 4);
  auto to_texture = [&] {
    CopyHalvedPicture(bgra.data(), kColorWidth, kColorHeight, texture.data(), kColorWidth * 2,
                      kColorWidth / 2, kColorHeight / 2);
  };
  size_t i = 0, bytes = 0;
  if (state.range(0) == 1) {
    NewCapturePath path;
    if (!path.Open(size)) return state.SkipWithError("no MJPEG decoder");
    AVFrame* frame = av_frame_alloc();
    for (auto _ : state) {
      const auto& mjpeg = frames[i++ % frames.size()];
      bytes += mjpeg.size();
      if (!path.Picture(mjpeg, bgra.data(), frame)) return state.SkipWithError("decoding failed");
      to_texture();
    }
    av_frame_free(&frame);
  } else {
#ifdef T2_BENCH_OPENCV_IMGCODECS
    const ColorFrameGeometry g = ColorFrameGeometry::For(size);
    cv::Mat bgr;
    for (auto _ : state) {
      const auto& mjpeg = frames[i++ % frames.size()];
      bytes += mjpeg.size();
      // What OpenCV's V4L2 capture did with each MJPEG buffer.
      bgr = cv::imdecode(cv::Mat(1, int(mjpeg.size()), CV_8U, const_cast<uint8_t*>(mjpeg.data())),
                         cv::IMREAD_COLOR);
      ConvertToColorPicture(bgr, g, bgra.data());
      to_texture();
    }
#else
    return state.SkipWithError("old path not built (libopencv-imgcodecs-dev not installed)");
#endif
  }
  benchmark::DoNotOptimize(texture.data());
  state.counters["kB_per_frame"] = double(bytes) / 1024 / double(state.iterations());
}
BENCHMARK(BM_CaptureToTexture)
    ->ArgNames({"new", "rows"})
    ->ArgsProduct({{0, 1}, {480, 720, 1080}})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Args: camera rows.
void BM_ModelPicture(benchmark::State& state) {
  cv::Size size;
  const auto frames = CameraFrames(static_cast<int>(state.range(0)), &size);
  NewCapturePath path;
  if (frames.empty() || !path.Open(size)) return state.SkipWithError("no camera frames");
  std::vector<uint8_t> bgra(size_t(kColorWidth) * kColorHeight * 4);
  AVFrame* frame = av_frame_alloc();
  path.Picture(frames[0], bgra.data(), frame);
  PictureScaler scaler;
  cv::Mat bgr;
  for (auto _ : state) {
    scaler.ToBgr(*frame, &bgr);
    benchmark::DoNotOptimize(bgr.data);
  }
  av_frame_free(&frame);
}
BENCHMARK(BM_ModelPicture)
    ->ArgName("rows")
    ->Arg(480)
    ->Arg(720)
    ->Arg(1080)
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
