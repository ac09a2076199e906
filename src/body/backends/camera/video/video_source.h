#pragma once
// Pictures from a V4L2 camera or a video file, decoded by FFmpeg. A camera is
// asked for MJPEG at the settings' size and rate; a file plays at its own
// rate (or as fast as it decodes, for tests and benchmarks). Cameras and files
// differ only in where the compressed frames come from (PacketReader):
// decoding, timing and the kept compressed frames are one path.

#include <atomic>
#include <deque>
#include <memory>
#include <opencv2/core.hpp>
#include <string>
#include <vector>

#include "body/backends/camera/video/camera_picture.h"
#include "body/backends/camera/video/camera_settings.h"
#include "body/backends/camera/video/dropped_pictures.h"
#include "body/backends/camera/video/video_decoder.h"
#include "body/sensor/sensor_types.h"

class PacketReader;
class V4l2Camera;
struct CameraIdentity;

class VideoSource {
 public:
  enum class Read { kFrame, kEnded, kLost };

  VideoSource();
  ~VideoSource();

  // `device_or_file`: empty for the first camera that opens (/dev/video0,
  // /dev/video1, ...), a /dev/... path or camera number, or a video file.
  bool Open(const std::string& device_or_file, const CameraSettings& settings, std::string* error);
  void Close();

  // The next picture. Blocks until it arrives (a file played in real time
  // waits for its moment on the replay clock, which starts at the first
  // picture). kEnded: a file is over; kLost: the camera stopped delivering.
  Read Next(CameraPicture* picture);

  cv::Size size() const { return size_; }
  double fps() const { return fps_; }
  bool is_file() const { return is_file_; }
  const std::string& name() const { return name_; }
  // True when pictures come with their compressed frame (MJPEG).
  bool keeps_compressed() const { return keep_compressed_; }
  // True when a file's pictures are timed by its frame table (a session
  // video with its "_V.csv" beside it).
  bool timed_by_table() const { return !recorded_times_.empty(); }
  // Which clock the capture times are read from: a camera's driver, our read
  // time (a driver whose stamps are not on CLOCK_MONOTONIC), or a file's own.
  CaptureClock capture_clock() const;
  // How the pictures' times were taken, as the run record names it:
  // "driver_start_of_exposure", "driver_end_of_frame", "read_time" or "file".
  const char* timestamp_source() const;
  // The camera and the mode it granted; null for a file.
  const CameraIdentity* camera() const;
  // Pictures left out since Open: damaged as they came, or not decodable.
  // Any thread.
  DroppedPictures pictures_dropped() const;

 private:
  struct Pending {
    int64_t key;
    std::shared_ptr<const std::vector<uint8_t>> data;
  };
  bool OpenCamera(const std::string& path, const CameraSettings& settings, std::string* error);
  TIMESPAN CaptureTime(int64_t pts);
  TIMESPAN RecordedOffset(int64_t frame) const;

  std::unique_ptr<PacketReader> reader_;
  V4l2Camera* camera_ = nullptr;  // reader_, when it is a camera
  std::atomic<uint64_t> undecodable_{0};
  VideoDecoder decoder_;
  AVPacket* packet_ = nullptr;
  AVFrame* decoded_ = nullptr;
  std::deque<Pending> compressed_;  // sent to the decoder, its picture not out yet
  cv::Size size_;
  double fps_ = 30;
  bool is_file_ = false;
  bool realtime_ = true;
  bool keep_compressed_ = false;
  bool draining_ = false;
  Read end_ = Read::kEnded;
  std::string name_;
  // The replay clock: the first picture's file time and when it was read.
  bool started_ = false;
  int64_t first_pts_ = 0, last_pts_ = 0;
  TIMESPAN start_ = 0;
  // A session video's capture times by frame number (empty: the file's own).
  std::vector<TIMESPAN> recorded_times_;
};
