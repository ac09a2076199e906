#include "body/backends/camera/video_source.h"

#include <sys/stat.h>
#include <time.h>

#include <cctype>
#include <opencv2/videoio.hpp>
#include <thread>

namespace {

bool IsCharDevice(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISCHR(st.st_mode);
}

bool IsNumber(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (!std::isdigit(static_cast<unsigned char>(c))) return false;
  return true;
}

void SleepUntil100ns(TIMESPAN when) {
  timespec ts{static_cast<time_t>(when / 10000000), static_cast<long>((when % 10000000) * 100)};
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
  }
}

}  // namespace

TIMESPAN MonotonicNow100ns() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<TIMESPAN>(ts.tv_sec) * 10000000 + ts.tv_nsec / 100;
}

VideoSource::VideoSource() = default;
VideoSource::~VideoSource() {
  Close();
}

bool VideoSource::Open(const std::string& device_or_file, const CameraSettings& settings,
                       std::string* error) {
  Close();
  auto cap = std::make_unique<cv::VideoCapture>();
  auto open_camera = [&](const std::string& path) {
    const std::vector<int> params = {
        cv::CAP_PROP_FOURCC,       cv::VideoWriter::fourcc('M', 'J', 'P', 'G'),
        cv::CAP_PROP_FRAME_WIDTH,  settings.capture_width,
        cv::CAP_PROP_FRAME_HEIGHT, settings.capture_height,
        cv::CAP_PROP_FPS,          settings.capture_fps};
    return cap->open(path, cv::CAP_V4L2, params) && cap->isOpened();
  };
  if (device_or_file.empty()) {
    for (int i = 0; i < 64 && !cap->isOpened(); ++i) {
      const std::string path = "/dev/video" + std::to_string(i);
      if (IsCharDevice(path) && open_camera(path)) name_ = path;
    }
    if (!cap->isOpened()) {
      if (error) *error = "no camera found (/dev/video*); connect one or give --camera=FILE";
      return false;
    }
  } else if (IsNumber(device_or_file) || IsCharDevice(device_or_file)) {
    name_ = IsNumber(device_or_file) ? "/dev/video" + device_or_file : device_or_file;
    if (!open_camera(name_)) {
      if (error) *error = "cannot open the camera " + name_;
      return false;
    }
  } else if (device_or_file.rfind("/dev/", 0) == 0) {
    // A device path that is no character device: an unplugged or mistyped camera.
    name_ = device_or_file;
    if (error) *error = "cannot open the camera device " + name_ + ": no such camera is connected";
    return false;
  } else {
    name_ = device_or_file;
    is_file_ = true;
    // The two file decoders only: letting OpenCV try every backend would also
    // probe the USB bus for still cameras (gphoto2) on each file.
    const bool opened = (cap->open(device_or_file, cv::CAP_FFMPEG) && cap->isOpened()) ||
                        (cap->open(device_or_file, cv::CAP_GSTREAMER) && cap->isOpened());
    if (!opened) {
      if (error) *error = "cannot open the video file " + device_or_file;
      return false;
    }
  }
  size_ = {static_cast<int>(cap->get(cv::CAP_PROP_FRAME_WIDTH)),
           static_cast<int>(cap->get(cv::CAP_PROP_FRAME_HEIGHT))};
  const double fps = cap->get(cv::CAP_PROP_FPS);
  fps_ = fps > 1 && fps < 1000 ? fps : 30;
  realtime_ = !is_file_ || settings.replay_realtime;
  if (size_.width <= 0 || size_.height <= 0) {
    if (error) *error = name_ + " gives no picture size";
    return false;
  }
  capture_ = std::move(cap);
  frames_ = 0;
  start_ = MonotonicNow100ns();
  return true;
}

void VideoSource::Close() {
  if (capture_) capture_->release();
  capture_.reset();
  is_file_ = false;
}

VideoSource::Read VideoSource::Next(cv::Mat* bgr, TIMESPAN* capture_time) {
  if (!capture_) return Read::kLost;
  if (is_file_ && realtime_) SleepUntil100ns(start_ + static_cast<TIMESPAN>(frames_ * 1e7 / fps_));
  if (!capture_->grab()) return is_file_ ? Read::kEnded : Read::kLost;
  *capture_time = MonotonicNow100ns();
  if (!capture_->retrieve(*bgr) || bgr->empty() || bgr->type() != CV_8UC3)
    return is_file_ ? Read::kEnded : Read::kLost;
  ++frames_;
  return Read::kFrame;
}
