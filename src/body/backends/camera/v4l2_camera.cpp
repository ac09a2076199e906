#include "body/backends/camera/v4l2_camera.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "body/backends/camera/video_source.h"

namespace {

constexpr int kBufferCount = 4;
constexpr int kFirstPictureTimeoutMs = 5000;    // some cameras take a second or two to start
constexpr int kPictureTimeoutMs = 2000;         // then: silent this long means unplugged
constexpr TIMESPAN kMaxDriverDelay = 10000000;  // 1 s

int Ioctl(int fd, unsigned long request, void* arg) {
  int r;
  do r = ioctl(fd, request, arg);
  while (r == -1 && errno == EINTR);
  return r;
}

std::string FourCc(uint32_t f) {
  return {char(f & 0xFF), char((f >> 8) & 0xFF), char((f >> 16) & 0xFF), char((f >> 24) & 0xFF)};
}

}  // namespace

TIMESPAN ChooseCaptureTime(uint32_t buffer_flags, TIMESPAN driver_time, TIMESPAN read_time,
                           CaptureClock* clock) {
  const bool monotonic =
      (buffer_flags & V4L2_BUF_FLAG_TIMESTAMP_MASK) == V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
  const TIMESPAN delay = read_time - driver_time;
  if (monotonic && driver_time > 0 && delay >= 0 && delay < kMaxDriverDelay) {
    *clock = CaptureClock::kDriver;
    return driver_time;
  }
  *clock = CaptureClock::kReadTime;
  return read_time;
}

V4l2Camera::~V4l2Camera() {
  Close();
}

bool V4l2Camera::Fail(const std::string& what, std::string* error) {
  if (error) *error = what;
  Close();
  return false;
}

bool V4l2Camera::Open(const std::string& path, int width, int height, int fps, std::string* error) {
  Close();
  path_ = path;
  fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0)
    return Fail("cannot open the camera device " + path + " (" + std::strerror(errno) + ")", error);

  v4l2_capability cap{};
  if (Ioctl(fd_, VIDIOC_QUERYCAP, &cap) < 0)
    return Fail(path + " is no V4L2 camera (" + std::strerror(errno) + ")", error);
  const uint32_t caps =
      (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
  if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING))
    return Fail(path + " gives no video (a camera's second node carries only metadata)", error);

  // MJPEG first: at 720p and more, most USB cameras reach 30 fps only in it.
  v4l2_format format{};
  uint32_t pixel_format = 0;
  for (uint32_t wanted : {V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_YUYV}) {
    format = v4l2_format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = static_cast<uint32_t>(width);
    format.fmt.pix.height = static_cast<uint32_t>(height);
    format.fmt.pix.pixelformat = wanted;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    if (Ioctl(fd_, VIDIOC_S_FMT, &format) == 0 && format.fmt.pix.pixelformat == wanted) {
      pixel_format = wanted;
      break;
    }
  }
  if (!pixel_format)
    return Fail(path + " offers neither MJPEG nor YUYV pictures (it gives " +
                    FourCc(format.fmt.pix.pixelformat) + ")",
                error);

  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  parm.parm.capture.timeperframe = {1, static_cast<uint32_t>(fps > 0 ? fps : 30)};
  if (Ioctl(fd_, VIDIOC_S_PARM, &parm) == 0 && parm.parm.capture.timeperframe.numerator > 0)
    fps_ = double(parm.parm.capture.timeperframe.denominator) /
           parm.parm.capture.timeperframe.numerator;

  v4l2_requestbuffers request{};
  request.count = kBufferCount;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  if (Ioctl(fd_, VIDIOC_REQBUFS, &request) < 0 || request.count < 2)
    return Fail(path + " gives no capture buffers (" + std::strerror(errno) +
                    "); is another program using the camera?",
                error);
  for (uint32_t i = 0; i < request.count; ++i) {
    v4l2_buffer buf{};
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_MMAP;
    buf.index = i;
    if (Ioctl(fd_, VIDIOC_QUERYBUF, &buf) < 0)
      return Fail(path + ": " + std::strerror(errno), error);
    void* start = mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buf.m.offset);
    if (start == MAP_FAILED) return Fail(path + ": " + std::strerror(errno), error);
    buffers_.push_back({start, buf.length});
    if (Ioctl(fd_, VIDIOC_QBUF, &buf) < 0) return Fail(path + ": " + std::strerror(errno), error);
  }
  v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  if (Ioctl(fd_, VIDIOC_STREAMON, &type) < 0)
    return Fail("cannot start the camera " + path + " (" + std::strerror(errno) +
                    "); is another program using it?",
                error);
  streaming_ = true;

  codec_ = avcodec_parameters_alloc();
  codec_->codec_type = AVMEDIA_TYPE_VIDEO;
  codec_->width = static_cast<int>(format.fmt.pix.width);
  codec_->height = static_cast<int>(format.fmt.pix.height);
  if (pixel_format == V4L2_PIX_FMT_MJPEG) {
    codec_->codec_id = AV_CODEC_ID_MJPEG;
  } else {
    codec_->codec_id = AV_CODEC_ID_RAWVIDEO;
    codec_->format = AV_PIX_FMT_YUYV422;
  }
  first_ = true;
  clock_ = CaptureClock::kDriver;
  return true;
}

void V4l2Camera::Close() {
  if (fd_ >= 0 && streaming_) {
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    Ioctl(fd_, VIDIOC_STREAMOFF, &type);
  }
  streaming_ = false;
  for (const Buffer& b : buffers_) munmap(b.start, b.length);
  buffers_.clear();
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  avcodec_parameters_free(&codec_);
}

PacketReader::Result V4l2Camera::Read(AVPacket* packet, std::string* error) {
  av_packet_unref(packet);
  if (!streaming_) return Result::kLost;
  for (;;) {
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, first_ ? kFirstPictureTimeoutMs : kPictureTimeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0 || (p.revents & (POLLERR | POLLHUP | POLLNVAL))) {
      if (error) *error = ready == 0 ? "no picture for a while" : "the device went away";
      return Result::kLost;
    }
    v4l2_buffer buf{};
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_MMAP;
    if (Ioctl(fd_, VIDIOC_DQBUF, &buf) < 0) {
      if (errno == EAGAIN) continue;
      if (error) *error = std::strerror(errno);
      return Result::kLost;
    }
    const TIMESPAN read_time = MonotonicNow100ns();
    first_ = false;
    // A buffer the driver marks damaged, or an empty one, is skipped.
    const bool usable = !(buf.flags & V4L2_BUF_FLAG_ERROR) && buf.bytesused > 0 &&
                        buf.index < buffers_.size() && buf.bytesused <= buffers_[buf.index].length;
    if (usable && av_new_packet(packet, static_cast<int>(buf.bytesused)) == 0) {
      std::memcpy(packet->data, buffers_[buf.index].start, buf.bytesused);
      const TIMESPAN driver_time =
          TIMESPAN(buf.timestamp.tv_sec) * 10000000 + buf.timestamp.tv_usec * 10;
      CaptureClock used = CaptureClock::kDriver;
      const TIMESPAN taken = ChooseCaptureTime(buf.flags, driver_time, read_time, &used);
      // One clock for the whole run: once a stamp was unusable, read times only.
      if (used != CaptureClock::kDriver) clock_ = CaptureClock::kReadTime;
      packet->pts = packet->dts = clock_ == CaptureClock::kDriver ? taken : read_time;
    }
    if (Ioctl(fd_, VIDIOC_QBUF, &buf) < 0) {
      if (error) *error = std::strerror(errno);
      return Result::kLost;
    }
    if (packet->size > 0) return Result::kPacket;
  }
}
