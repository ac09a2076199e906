// How fast the camera backend turns pictures into bodies on this machine.
//
// Scenes: 1280 x 720 pictures (the camera's default size) with 1, 2 or 6
// copies of the footballer of Debian's messi5.jpg, standing in for children.
//
//   BM_Pipeline/N/W/T/R  one frame through pose (+ refiner R) + hands, synchronously: the
//                        body frames a second the machine can compute.
//   BM_LiveDevice/N      the camera device on a 30 fps clip of the scene, in
//                        real time, capture and inference on their threads:
//                        body frames a second delivered and the delay from
//                        capture to body frame (mean and worst).
//   BM_ColorPicture      BGR camera picture -> 1920 x 1080 BGRA colour frame.
//   BM_CaptureToTexture/ a picture's way from the camera's MJPEG frame (4:2:2,
//     path/H             H rows at 16:9 or, for 480, 640 x 480) to the
//                        stage's 960 x 540 body texture. path 0 = OpenCV's
//                        V4L2 path (JPEG decode to BGR, ConvertToColorPicture
//                        to 1920 x 1080, halved copy; built only where
//                        libopencv-imgcodecs-dev is installed); 1 = libavcodec
//                        to YUV, one swscale step to 1920 x 1080, halved copy
//                        (the path before the half-size picture); 2 =
//                        libavcodec, one swscale step straight to 960 x 540,
//                        rows copied (the path now); 3 = the decode alone.
//                        CPU time of the whole process per picture.
//   BM_DecodedToTexture/ the part after the decoder: path 1 or 2 as above
//     path/H             from the decoded picture; path 4 = a memcpy of the
//                        texture's 2 MB, the floor of any copy.
//   BM_ModelPicture/H    the inference thread's extra step on the new path:
//                        decoded YUV -> BGR at camera size.
//   BM_PalmDetector/S    one palm search (scaling to 256 x 256, the palm
//                        model on 1 thread, decoding) in a square of S pixels
//                        of the 1-person scene: 1280 for the whole picture
//                        (letterboxed), 300 for a hand-sized square.

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

#include "body/backends/camera/inference/body_estimator.h"
#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/camera_device.h"
#include "body/backends/camera/video/color_frame_geometry.h"
#include "body/backends/camera/inference/onnx_model.h"
#include "body/backends/camera/inference/palm_detector.h"
#include "body/backends/camera/video/picture_scaler.h"
#include "body/backends/camera/video/video_decoder.h"
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

// Args: people, pose input width, pose threads (0: chosen for the cores),
// pose refiner (0 off, 1 Lightning, 2 Thunder).
void BM_Pipeline(benchmark::State& state) {
  const int people = static_cast<int>(state.range(0));
  const cv::Mat scene = Scene(people);
  if (scene.empty()) return state.SkipWithError("messi5.jpg missing (opencv-doc)");
  CameraSettings settings;
  settings.pose_input_width = static_cast<int>(state.range(1));
  settings.inference_threads = static_cast<int>(state.range(2));
  settings.pose_refine_model = static_cast<PoseRefineModel>(state.range(3));
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
    ->ArgNames({"people", "width", "threads", "refine"})
    ->Args({1, 256, 0, 0})
    ->Args({2, 256, 0, 0})
    ->Args({2, 256, 1, 0})
    ->Args({2, 256, 2, 0})
    ->Args({6, 256, 0, 0})
    ->Args({6, 384, 0, 0})
    ->Args({2, 320, 0, 0})
    ->Args({2, 384, 0, 0})
    ->Args({1, 256, 0, 1})
    ->Args({2, 256, 0, 1})
    ->Args({6, 256, 0, 1})
    ->Args({1, 256, 0, 2})
    ->Args({2, 256, 0, 2})
    ->Args({6, 256, 0, 2})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->UseRealTime();

// Args: people, pose input width, pose refiner (as BM_Pipeline).
void BM_LiveDevice(benchmark::State& state) {
  const int people = static_cast<int>(state.range(0));
  CameraSettings settings;
  settings.pose_input_width = static_cast<int>(state.range(1));
  settings.pose_refine_model = static_cast<PoseRefineModel>(state.range(2));
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
    ->ArgNames({"people", "width", "refine"})
    ->Args({1, 256, 0})
    ->Args({2, 256, 0})
    ->Args({6, 384, 0})
    ->Args({2, 256, 1})
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
    if (!model.Run(input.data(), shape, &outputs, &error))
      return state.SkipWithError(error.c_str());
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
  bool Decode(const std::vector<uint8_t>& mjpeg, AVFrame* frame) {
    // As from a driver's buffer: a packet, and the compressed frame kept.
    AVPacket* packet = av_packet_alloc();
    av_new_packet(packet, static_cast<int>(mjpeg.size()));
    std::memcpy(packet->data, mjpeg.data(), mjpeg.size());
    auto kept =
        std::make_shared<const std::vector<uint8_t>>(packet->data, packet->data + packet->size);
    benchmark::DoNotOptimize(kept.get());
    const bool sent = decoder_.Send(packet);
    av_packet_free(&packet);
    return sent && decoder_.Receive(frame) == VideoDecoder::Result::kFrame;
  }
  bool Picture(const std::vector<uint8_t>& mjpeg, uint8_t* bgra, AVFrame* frame) {
    return Decode(mjpeg, frame) && scaler_.ToColorPicture(*frame, geometry_, bgra);
  }
  // Path 1 (full picture, then halved) or 2 (half picture, rows copied) from
  // a decoded frame into the texture; `bgra` holds the full picture.
  bool ToTexture(int path, const AVFrame& frame, uint8_t* bgra, uint8_t* texture) {
    constexpr int kHalfW = kColorWidth / 2, kHalfH = kColorHeight / 2;
    if (path == 1) {
      if (!scaler_.ToColorPicture(frame, geometry_, bgra)) return false;
      CopyHalvedPicture(bgra, kColorWidth, kColorHeight, texture, kHalfW * 4, kHalfW, kHalfH);
      return true;
    }
    // The capture thread's half picture, then the trial loop's row copy. A
    // 1920 x 1080 camera is converted at full size and halved there.
    if (geometry_.crop.size() == cv::Size(kColorWidth, kColorHeight)) {
      if (!scaler_.ToColorPicture(frame, geometry_, bgra)) return false;
      CopyHalvedPicture(bgra, kColorWidth, kColorHeight, half_.data(), kHalfW * 4, kHalfW, kHalfH);
    } else if (!scaler_.ToStagePicture(frame, geometry_, half_.data())) {
      return false;
    }
    CopyPictureRows(half_.data(), kHalfW, kHalfH, texture, kHalfW * 4, kHalfW, kHalfH);
    return true;
  }

 private:
  VideoDecoder decoder_;
  PictureScaler scaler_;
  ColorFrameGeometry geometry_;
  std::vector<uint8_t> half_ = std::vector<uint8_t>(size_t(kColorWidth / 2) * kColorHeight / 2 * 4);
};

// Args: path (see the top of this file), camera rows.
void BM_CaptureToTexture(benchmark::State& state) {
  const int path_number = static_cast<int>(state.range(0));
  cv::Size size;
  const auto frames = CameraFrames(static_cast<int>(state.range(1)), &size);
  if (frames.empty()) return state.SkipWithError("cannot make the camera frames");
  std::vector<uint8_t> bgra(size_t(kColorWidth) * kColorHeight * 4);
  std::vector<uint8_t> texture(size_t(kColorWidth / 2) * (kColorHeight / 2) * 4);
  size_t i = 0, bytes = 0;
  if (path_number >= 1) {
    NewCapturePath path;
    if (!path.Open(size)) return state.SkipWithError("no MJPEG decoder");
    AVFrame* frame = av_frame_alloc();
    for (auto _ : state) {
      const auto& mjpeg = frames[i++ % frames.size()];
      bytes += mjpeg.size();
      if (!path.Decode(mjpeg, frame)) return state.SkipWithError("decoding failed");
      if (path_number != 3 && !path.ToTexture(path_number, *frame, bgra.data(), texture.data()))
        return state.SkipWithError("scaling failed");
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
      CopyHalvedPicture(bgra.data(), kColorWidth, kColorHeight, texture.data(), kColorWidth * 2,
                        kColorWidth / 2, kColorHeight / 2);
    }
#else
    return state.SkipWithError("old path not built (libopencv-imgcodecs-dev not installed)");
#endif
  }
  benchmark::DoNotOptimize(texture.data());
  state.counters["kB_per_frame"] = double(bytes) / 1024 / double(state.iterations());
}
BENCHMARK(BM_CaptureToTexture)
    ->ArgNames({"path", "rows"})
    ->ArgsProduct({{0, 1, 2, 3}, {480, 720, 1080}})
    ->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);

// Args: path (1, 2, or 4 for the memcpy floor), camera rows.
void BM_DecodedToTexture(benchmark::State& state) {
  const int path_number = static_cast<int>(state.range(0));
  cv::Size size;
  const auto frames = CameraFrames(static_cast<int>(state.range(1)), &size);
  NewCapturePath path;
  if (frames.empty() || !path.Open(size)) return state.SkipWithError("no camera frames");
  AVFrame* frame = av_frame_alloc();
  if (!path.Decode(frames[0], frame)) return state.SkipWithError("decoding failed");
  std::vector<uint8_t> bgra(size_t(kColorWidth) * kColorHeight * 4);
  std::vector<uint8_t> texture(size_t(kColorWidth / 2) * (kColorHeight / 2) * 4);
  std::vector<uint8_t> source(texture.size(), 7);
  for (auto _ : state) {
    if (path_number == 4) {
      std::memcpy(texture.data(), source.data(), texture.size());
    } else if (!path.ToTexture(path_number, *frame, bgra.data(), texture.data())) {
      return state.SkipWithError("scaling failed");
    }
    benchmark::DoNotOptimize(texture.data());
  }
  av_frame_free(&frame);
}
BENCHMARK(BM_DecodedToTexture)
    ->ArgNames({"path", "rows"})
    ->ArgsProduct({{1, 2, 4}, {480, 720, 1080}})
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

// Args: side of the search square.
void BM_PalmDetector(benchmark::State& state) {
  const cv::Mat scene = Scene(1);
  if (scene.empty()) return state.SkipWithError("messi5.jpg missing (opencv-doc)");
  PalmDetector detector;
  std::string error;
  if (!detector.Load(ModelPath("handdetect"), 1, &error)) return state.SkipWithError(error.c_str());
  const float side = static_cast<float>(state.range(0));
  std::vector<Palm> palms;
  const double cpu_start = ProcessCpuMs();
  for (auto _ : state) {
    if (!detector.Detect(scene, {639.5f, 359.5f}, side, &palms, &error))
      return state.SkipWithError(error.c_str());
  }
  state.counters["cpu_ms_per_call"] = (ProcessCpuMs() - cpu_start) / double(state.iterations());
}
BENCHMARK(BM_PalmDetector)
    ->ArgName("side")
    ->Arg(1280)
    ->Arg(300)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0)
    ->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
