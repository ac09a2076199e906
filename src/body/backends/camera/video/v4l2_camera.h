#pragma once
// A V4L2 camera read directly: MJPEG (or, for cameras without it, YUYV) in
// memory-mapped buffers, each with the driver's capture timestamp.
//
// Directly rather than through libavdevice: libavdevice hides the buffer
// flags that say which clock a timestamp is on, and on Debian it brings SDL,
// OpenAL, JACK and some thirty more packages for inputs we never use.

#include <array>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <vector>

#include "body/backends/camera/video/packet_reader.h"
#include "body/backends/camera/video/v4l2_modes.h"

struct v4l2_buffer;

// The camera as the driver names it, and the mode it granted.
struct CameraIdentity {
  std::string card, bus, driver;
  CameraMode mode;
};

// The capture time of a buffer the driver stamped `driver_time` (100 ns units)
// with `buffer_flags`, dequeued at `read_time` (CLOCK_MONOTONIC): the driver's
// stamp when it is on CLOCK_MONOTONIC and plausible (not after the read, and
// less than a second before it), otherwise the read time. *clock says which.
TIMESPAN ChooseCaptureTime(uint32_t buffer_flags, TIMESPAN driver_time, TIMESPAN read_time,
                           CaptureClock* clock);

class V4l2Camera : public PacketReader {
 public:
  V4l2Camera() = default;
  V4l2Camera(const V4l2Camera&) = delete;
  V4l2Camera& operator=(const V4l2Camera&) = delete;
  ~V4l2Camera() override;

  // Opens the device, asks for the mode ChooseCameraMode picks for this size
  // and rate, starts streaming and waits for the first usable picture. Uses
  // what the driver grants. False with a message naming the device and the
  // reason (also when no picture comes).
  bool Open(const std::string& path, int width, int height, int fps, std::string* error);
  void Close();

  Result Read(AVPacket* packet, std::string* error) override;
  const AVCodecParameters& codec() const override { return *codec_; }
  AVRational time_base() const override { return {1, 10000000}; }  // packets carry 100 ns times
  double fps() const override { return fps_; }
  // kDriver until a buffer's own stamp could not be used; kReadTime from then on.
  CaptureClock clock() const override { return clock_; }
  DroppedPictures dropped() const override;
  // Whether the driver stamps the start of the exposure (else the end of the frame).
  bool stamps_start_of_exposure() const { return start_of_exposure_; }
  const CameraIdentity& identity() const { return identity_; }

 private:
  bool Fail(const std::string& what, std::string* error);
  bool Negotiate(int width, int height, int fps, std::string* error);
  // The next usable buffer as a packet, waiting up to `timeout_ms` from the
  // last usable one; damaged buffers are counted in dropped_.
  Result Dequeue(AVPacket* packet, int timeout_ms, std::string* error);
  std::optional<DropReason> Damage(const v4l2_buffer& buf) const;
  void Drop(DropReason reason);

  struct Buffer {
    void* start = nullptr;
    size_t length = 0;
  };
  int fd_ = -1;
  std::string path_;
  std::vector<Buffer> buffers_;
  bool streaming_ = false;
  AVPacket* first_ = nullptr;  // read by Open, handed out by the first Read
  AVCodecParameters* codec_ = nullptr;
  double fps_ = 30;
  // Read by the run record's thread while the capture thread writes them.
  std::atomic<CaptureClock> clock_{CaptureClock::kDriver};
  std::atomic<bool> start_of_exposure_{false};
  TIMESPAN last_driver_time_ = 0;
  // By DropReason; read by the run record's thread.
  std::array<std::atomic<uint64_t>, kDropReasonCount> dropped_{};
  size_t bytes_per_picture_ = 0;  // YUYV; 0 for MJPEG, whose pictures vary
  CameraIdentity identity_;
};
