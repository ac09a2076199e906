#pragma once
// The camera sensor: a webcam (or a video file) seen by pose and hand models.
//
// Threads: a capture thread reads pictures at the camera's rate, turns each
// into a 1920 x 1080 BGRA colour frame (carrying the stage's half-size
// picture; the full one is drawn when read) and leaves the newest for the inference
// thread, which turns it into a body frame (stamped with that picture's capture
// time) when it is free and then publishes the picture with its bodies as one
// frame set of those two (the camera has no depth, so it offers no depth or
// body-index frames).
// Pictures that arrive while it is busy are neither analysed nor shown, so a
// slow machine shows fewer pictures, never pictures without their bodies, and
// never holds up the UI.
//
// A camera that stops delivering (unplugged) or a file that ends leaves the
// device a zombie: no new frames, IsAvailable() false, every call safe.

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "body/backends/camera/video/camera_picture.h"
#include "body/backends/camera/video/camera_settings.h"
#include "body/sensor/frame_mailbox.h"
#include "body/sensor/pinhole_camera.h"
#include "body/sensor/sensor_device.h"

class BodyEstimator;
class SessionRecorder;
class VideoSource;

struct CameraSensorStats {
  uint64_t color_frames = 0;   // captured pictures
  uint64_t scaled_frames = 0;  // of them, pictures of another size scaled to the first's
  uint64_t body_frames = 0;    // published body frames
  double latency_ms_sum = 0;   // capture -> body frame published, summed over body_frames
  double latency_ms_max = 0;
};

class CameraSensor : public SensorDevice {
 public:
  CameraSensor(std::string device_or_file, const CameraSettings& settings);
  ~CameraSensor() override;

  // Opens the camera or file and loads the models (a few hundred ms), then
  // starts the threads. E_FAIL with last_error() when either fails.
  Status Open() override;
  Status Close() override;
  bool IsAvailable() const override;
  SensorStreamFlags OfferedStreams() const override {
    return StreamFlag(SensorStream::kColor) | StreamFlag(SensorStream::kBody);
  }
  // The device or file, the main settings and the model files with their SHA-256.
  void Describe(SensorDescription* description) const override;
  Status MapCameraPointToColorSpace(const CameraSpacePoint& point,
                                    ColorSpacePoint* color) const override;

  const std::string& last_error() const { return last_error_; }
  CameraSensorStats stats() const;
  // Which clock the frames' times come from (for the run's record): the
  // camera driver's, our read time when the driver's cannot be used, or a
  // replayed file's. May change from kDriver to kReadTime during a run.
  CaptureClock capture_clock() const { return capture_clock_; }

  // Records the run's pictures when camera.ini turns recording on (see
  // session_recorder.h); the report says "off" otherwise. Close finishes a
  // recording still going. Started before Open, it begins with the first
  // picture.
  SessionRecordingReport StartSessionRecording(const SessionRecordingPlan& plan) override;
  SessionRecordingReport FinishSessionRecording() override;

 private:
  void CaptureLoop();
  void InferenceLoop();
  std::unique_ptr<SessionRecorder> TakeRecorder();
  SessionRecordingReport StartRecorder(const SessionRecordingPlan& plan);

  std::string device_;
  CameraSettings settings_;
  PinholeCamera camera_;  // written by Open before the threads start
  std::unique_ptr<VideoSource> source_;
  std::unique_ptr<BodyEstimator> estimator_;
  std::shared_ptr<FramePool<ColorFrameData>> color_pool_;
  std::string last_error_;
  mutable std::vector<SensorDescription::ModelFile> model_digests_;  // Describe's, UI thread

  std::thread capture_thread_, inference_thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> lost_{false};
  std::atomic<CaptureClock> capture_clock_{CaptureClock::kReadTime};
  bool open_ = false;

  // The newest picture waiting for inference.
  std::mutex pending_mutex_;
  std::condition_variable pending_cv_;
  CameraPicture pending_;
  std::shared_ptr<ColorFrameData> pending_color_;  // the same picture, as it is shown
  bool has_pending_ = false;
  bool capture_ended_ = false;  // no more pictures will come

  // The run's recorder; the capture thread hands it every picture.
  std::mutex recorder_mutex_;
  std::unique_ptr<SessionRecorder> recorder_;
  std::optional<SessionRecordingReport> finished_recording_;  // finished by Close
  std::optional<SessionRecordingPlan> planned_recording_;     // asked for before Open

  mutable std::mutex stats_mutex_;
  CameraSensorStats stats_;
};

// What the camera backend takes from the command line (camera_driver.cpp).
struct CameraOptions {
  std::string device;               // --camera=DEVICE_OR_FILE; empty: camera.ini's device
  bool replay_every_frame = false;  // --replay-every-frame (or the camera.ini key)
};

// Makes the camera device for one run: reads camera.ini from the working
// directory; missing runtime or models are reported and give E_FAIL.
Status CreateCameraSensor(const CameraOptions& options, std::shared_ptr<SensorDevice>* device);
