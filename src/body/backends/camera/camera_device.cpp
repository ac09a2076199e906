#include "body/backends/camera/camera_device.h"

#include <pthread.h>

#include <cstdio>

#include "body/backends/camera/inference/body_estimator.h"
#include "body/backends/camera/inference/camera_assets.h"
#include "body/backends/camera/camera_color_frame.h"
#include "body/backends/camera/video/color_frame_geometry.h"
#include "body/backends/camera/inference/file_digest.h"
#include "body/backends/camera/inference/keypoint_body_mapping.h"
#include "body/backends/camera/video/picture_scaler.h"
#include "body/backends/camera/recording/session_recorder.h"
#include "body/backends/camera/video/v4l2_camera.h"
#include "body/backends/camera/video/video_source.h"
#include "body/sensor/sensor_problem.h"
#include "platform/thread_scheduling.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

constexpr int kInferenceNiceness = 2;

// Why the camera gives no bodies: on stderr at once, and for the checks before
// the run, which tell the experimenter in their one message.
void Report(const std::string& text) {
  std::fprintf(stderr, "tavelin2: %s\n", text.c_str());
  NoteSensorProblem(text);
}

}  // namespace

Status CreateCameraSensor(const CameraOptions& options, std::shared_ptr<SensorDevice>* device) {
  CameraSettings settings;
  std::string warnings;
  LoadCameraSettings(kCameraSettingsFile, &settings, &warnings);
  if (!warnings.empty()) std::fprintf(stderr, "tavelin2: %s", warnings.c_str());
  settings.replay_every_frame = settings.replay_every_frame || options.replay_every_frame;
  const std::string missing = MissingCameraAssets(settings);
  if (!missing.empty()) {
    Report(missing);
    return E_FAIL;
  }
  // --camera, else camera.ini's device, else the first camera.
  *device = std::make_shared<CameraSensor>(
      options.device.empty() ? settings.device : options.device, settings);
  return S_OK;
}

CameraSensor::CameraSensor(std::string device_or_file, const CameraSettings& settings)
    : device_(std::move(device_or_file)),
      settings_(settings),
      color_pool_(FramePool<ColorFrameData>::Create(4)) {
  camera_ = ColorCameraModel(kColorWidth, 1.0f, settings_.horizontal_fov_deg);
}

CameraSensor::~CameraSensor() {
  Close();
}

Status CameraSensor::Open() {
  if (open_) return S_OK;
  last_error_.clear();
  auto source = std::make_unique<VideoSource>();
  auto estimator = std::make_unique<BodyEstimator>(settings_);
  std::string error;
  if (!source->Open(device_, settings_, &error) || !estimator->Load(&error)) {
    last_error_ =
        MessageText(QT_TRANSLATE_NOOP("Message", "カメラセンサーを開始できません: %1"), {error});
    Report(last_error_);
    lost_ = true;
    return E_FAIL;
  }
  estimator->SetCameraSize(source->size());
  camera_ = estimator->camera_model();
  capture_clock_ = source->capture_clock();
  source_ = std::move(source);
  estimator_ = std::move(estimator);
  stop_ = false;
  lost_ = false;
  has_pending_ = false;
  capture_ended_ = false;
  open_ = true;
  if (planned_recording_) {
    finished_recording_ = StartRecorder(*planned_recording_);
    if (recorder_) finished_recording_.reset();
    planned_recording_.reset();
  }
  // Both need throughput, not timing: batch threads (thread_scheduling.h).
  inference_thread_ = std::thread([this] {
    pthread_setname_np(pthread_self(), "t2-inference");
    RunAsBatchThread();
    // A little below the stage's threads, as the rasteriser: with one other
    // busy process the trial loop's pass interval p99 fell from 3.2-4.0 to
    // 2.1-2.3 ms with every picture still analysed; with two, 0.98 of them
    // were (bench/stage/full_rate_run.sh). More would starve it then.
    LowerThreadPriority(kInferenceNiceness);
    InferenceLoop();
  });
  capture_thread_ = std::thread([this] {
    pthread_setname_np(pthread_self(), "t2-capture");
    RunAsBatchThread();
    CaptureLoop();
  });
  return S_OK;
}

Status CameraSensor::Close() {
  {
    std::lock_guard<std::mutex> guard(pending_mutex_);
    stop_ = true;
  }
  pending_cv_.notify_all();
  if (capture_thread_.joinable()) capture_thread_.join();
  if (inference_thread_.joinable()) inference_thread_.join();
  if (std::unique_ptr<SessionRecorder> recorder = TakeRecorder())
    finished_recording_ = recorder->Finish();
  if (source_ && source_->pictures_dropped().total() > 0)
    std::fprintf(stderr, "tavelin2: %s: %llu damaged pictures were left out\n",
                 source_->name().c_str(),
                 static_cast<unsigned long long>(source_->pictures_dropped().total()));
  source_.reset();
  estimator_.reset();
  open_ = false;
  return S_OK;
}

bool CameraSensor::IsAvailable() const {
  return !lost_;
}

void CameraSensor::Describe(SensorDescription* d) const {
  d->device = source_ ? source_->name() : device_;
  const CameraSettings& c = settings_;
  d->camera_ini = CameraSettingsRecord(c);
  if (source_) {
    SensorDescription::Camera camera;
    camera.width = source_->size().width;
    camera.height = source_->size().height;
    camera.fps = source_->fps();
    camera.timestamp_source = source_->timestamp_source();
    const DroppedPictures dropped = source_->pictures_dropped();
    camera.pictures_dropped = dropped.total();
    for (int i = 0; i < kDropReasonCount; ++i)
      camera.pictures_dropped_by_reason.emplace_back(kDropReasonNames[i], dropped.by_reason[i]);
    if (const CameraIdentity* id = source_->camera()) {
      camera.card = id->card;
      camera.bus = id->bus;
      camera.driver = id->driver;
      camera.pixel_format = FourCcText(id->mode.pixel_format);
    }
    d->camera = camera;
  }
  // Hashed once: a run is described at its start and again at its end.
  if (model_digests_.empty())
    for (const std::string& name : CameraModelNames(c)) {
      const std::string path = ModelPath(name);
      model_digests_.push_back({path, FileSha256(path)});
    }
  d->models = model_digests_;
}

Status CameraSensor::MapCameraPointToColorSpace(const CameraSpacePoint& point,
                                                ColorSpacePoint* color) const {
  if (!color) return E_POINTER;
  *color = camera_.Project(point);
  return S_OK;
}

std::unique_ptr<SessionRecorder> CameraSensor::TakeRecorder() {
  std::lock_guard<std::mutex> guard(recorder_mutex_);
  return std::move(recorder_);
}

SessionRecordingReport CameraSensor::StartSessionRecording(const SessionRecordingPlan& plan) {
  if (!settings_.record_video) return {};
  FinishSessionRecording();  // one recording at a time
  finished_recording_.reset();
  if (!open_) {
    // Begins with the first picture once the camera is open.
    planned_recording_ = plan;
    SessionRecordingReport report;
    report.on = true;
    return report;
  }
  return StartRecorder(plan);
}

SessionRecordingReport CameraSensor::StartRecorder(const SessionRecordingPlan& plan) {
  SessionRecorderOptions options;
  options.width = source_->size().width;
  options.height = source_->size().height;
  options.frame_rate = av_d2q(source_->fps() > 0 ? source_->fps() : 30, 1000);
  auto recorder = std::make_unique<SessionRecorder>(plan, options);
  if (!recorder->Start()) {
    std::fprintf(stderr, "tavelin2: %s\n", recorder->report().problem.c_str());
    return recorder->report();
  }
  std::lock_guard<std::mutex> guard(recorder_mutex_);
  recorder_ = std::move(recorder);
  return recorder_->report();
}

SessionRecordingReport CameraSensor::FinishSessionRecording() {
  if (std::unique_ptr<SessionRecorder> recorder = TakeRecorder()) return recorder->Finish();
  if (finished_recording_) return *finished_recording_;
  SessionRecordingReport off;
  off.on = settings_.record_video;
  return off;
}

CameraSensorStats CameraSensor::stats() const {
  std::lock_guard<std::mutex> guard(stats_mutex_);
  return stats_;
}

void CameraSensor::CaptureLoop() {
  const ColorFrameGeometry geometry = estimator_->geometry();
  PictureScaler scaler;
  PictureScaler resizer;  // its own: the two would rebuild each other's context every picture
  cv::Size changed_to = source_->size();
  CameraPicture picture;
  while (!stop_) {
    const VideoSource::Read read = source_->Next(&picture);
    capture_clock_ = source_->capture_clock();
    streams().pictures_dropped = source_->pictures_dropped().total();
    if (read != VideoSource::Read::kFrame) {
      // Unplugged camera or ended file: once the inference thread has
      // published the last picture's bodies, a zombie.
      const char* what_text =
          !source_->is_file() ? QT_TRANSLATE_NOOP("Message", "カメラ %1 から画像が来なくなりました")
          : read == VideoSource::Read::kEnded
              ? QT_TRANSLATE_NOOP("Message", "動画ファイル %1 が終わりました")
              : QT_TRANSLATE_NOOP("Message", "動画ファイル %1 から画像が来なくなりました");
      const std::string what = MessageText(what_text, {source_->name()});
      std::fprintf(stderr, "tavelin2: %s; no more frames\n", what.c_str());
      NoteSensorProblem(what);
      {
        std::lock_guard<std::mutex> guard(pending_mutex_);
        capture_ended_ = true;
      }
      pending_cv_.notify_all();
      break;
    }
    // A camera that switched to another picture size mid-run (or a file whose
    // pictures change size): scaled back to the size the run began with, so
    // that the picture's crop, the models' coordinates and the session video
    // stay those of the run. The camera's JPEG no longer matches: the
    // recorder encodes the scaled picture instead.
    if (picture.width() != source_->size().width || picture.height() != source_->size().height) {
      AVFramePtr scaled;
      if (!resizer.ToSize(*picture.frame, source_->size(), &scaled)) continue;
      if (picture.width() != changed_to.width || picture.height() != changed_to.height) {
        changed_to = {picture.width(), picture.height()};
        std::fprintf(stderr, "tavelin2: %s: the pictures are %dx%d now; scaled to %dx%d\n",
                     source_->name().c_str(), changed_to.width, changed_to.height,
                     source_->size().width, source_->size().height);
      }
      picture.frame = std::move(scaled);
      picture.compressed.reset();
      std::lock_guard<std::mutex> guard(stats_mutex_);
      ++stats_.scaled_frames;
    }
    std::shared_ptr<ColorFrameData> color = color_pool_->Acquire();
    if (!MakeCameraColorFrame(scaler, *picture.frame, geometry, color.get())) continue;
    color->relative_time = picture.capture_time;
    streams().pictures_captured.fetch_add(1);
    {
      std::lock_guard<std::mutex> guard(recorder_mutex_);
      if (recorder_) recorder_->Offer(picture);
    }
    {
      std::lock_guard<std::mutex> guard(stats_mutex_);
      ++stats_.color_frames;
    }
    {
      std::unique_lock<std::mutex> lock(pending_mutex_);
      // Every picture analysed: wait until the inference thread took the last one.
      if (settings_.replay_every_frame && source_->is_file())
        pending_cv_.wait(lock, [this] { return !has_pending_ || stop_; });
      // Otherwise a picture still waiting is replaced: it is neither analysed nor shown.
      pending_ = std::move(picture);
      pending_color_ = std::move(color);
      has_pending_ = true;
    }
    pending_cv_.notify_all();
  }
}

void CameraSensor::InferenceLoop() {
  PictureScaler scaler;
  CameraPicture picture;
  cv::Mat bgr;
  bool reported = false;
  for (;;) {
    std::shared_ptr<const ColorFrameData> color;
    {
      std::unique_lock<std::mutex> lock(pending_mutex_);
      pending_cv_.wait(lock, [this] { return has_pending_ || stop_ || capture_ended_; });
      if (stop_) return;
      if (!has_pending_) {
        lost_ = true;  // the capture ended and everything it took is published
        return;
      }
      picture = std::move(pending_);
      color = std::move(pending_color_);
      has_pending_ = false;
    }
    pending_cv_.notify_all();  // a capture waiting to hand over the next picture
    const TIMESPAN taken = picture.capture_time;
    // Only the pictures analysed are converted for the models.
    if (!scaler.ToBgr(*picture.frame, &bgr)) continue;
    picture = CameraPicture{};  // back to the decoder's pool
    auto body = std::make_shared<BodyFrameData>();
    std::string error;
    if (!estimator_->Process(bgr, taken, body.get(), nullptr, &error)) {
      if (!reported) std::fprintf(stderr, "tavelin2: camera inference: %s\n", error.c_str());
      reported = true;
      continue;
    }
    // The analysed picture is shown with its bodies, never before them, so the
    // markers and the hit test always belong to the picture on the screen.
    streams().PublishSet(SensorFrameSet{std::move(color), nullptr, std::move(body), nullptr});
    const double latency_ms = (MonotonicNow100ns() - taken) / 1e4;
    std::lock_guard<std::mutex> guard(stats_mutex_);
    ++stats_.body_frames;
    stats_.latency_ms_sum += latency_ms;
    stats_.latency_ms_max = std::max(stats_.latency_ms_max, latency_ms);
  }
}
