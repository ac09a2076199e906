#include "body/backends/camera/video/v4l2_camera.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "body/backends/camera/video/capture_clock.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

std::string Unplugged() {
  return MessageText(QT_TRANSLATE_NOOP("Message", "カメラが抜かれました"));
}

constexpr int kBufferCount = 4;
constexpr int kFirstPictureTimeoutMs = 5000;    // some cameras take a second or two to start
constexpr int kPictureTimeoutMs = 2000;         // then: no usable picture this long means gone
constexpr TIMESPAN kMaxDriverDelay = 10000000;  // 1 s
constexpr size_t kJpegEndSearch = 1024;         // cameras may pad a picture after its end marker

int Ioctl(int fd, unsigned long request, void* arg) {
  int r;
  do r = ioctl(fd, request, arg);
  while (r == -1 && errno == EINTR);
  return r;
}

// A JPEG picture that starts and ends: one cut short in the USB transfer
// decodes to a half-grey picture without any error from the decoder.
bool IsWholeJpeg(const uint8_t* data, size_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return false;
  const size_t from = size > kJpegEndSearch ? size - kJpegEndSearch : 2;
  for (size_t i = size - 1; i > from; --i)
    if (data[i - 1] == 0xFF && data[i] == 0xD9) return true;
  return false;
}

int MillisecondsLeft(TIMESPAN deadline) {
  return int(std::max<TIMESPAN>(0, (deadline - MonotonicNow100ns() + 9999) / 10000));
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

bool V4l2Camera::Negotiate(int width, int height, int fps, std::string* error) {
  // The mode ChooseCameraMode picks from those the camera lists; a driver
  // that lists none is asked for MJPEG, then YUYV, at the size wanted.
  std::vector<uint32_t> formats = {V4L2_PIX_FMT_MJPEG, V4L2_PIX_FMT_YUYV};
  CameraMode wanted;
  if (ChooseCameraMode(ListCameraModes(fd_), width, height, fps, &wanted)) {
    formats = {wanted.pixel_format};
    width = wanted.width;
    height = wanted.height;
    if (wanted.fps > 0 && wanted.fps < fps) fps = int(wanted.fps + 0.5);
  }
  v4l2_format format{};
  for (uint32_t pixel_format : formats) {
    format = v4l2_format{};
    format.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    format.fmt.pix.width = static_cast<uint32_t>(width);
    format.fmt.pix.height = static_cast<uint32_t>(height);
    format.fmt.pix.pixelformat = pixel_format;
    format.fmt.pix.field = V4L2_FIELD_ANY;
    if (Ioctl(fd_, VIDIOC_S_FMT, &format) < 0) {
      if (errno == EBUSY)
        return Fail(MessageText(QT_TRANSLATE_NOOP("Message",
                                                  "カメラ %1 はほかのプログラムが使っています。"
                                                  "そのプログラムを閉じてから、もう一度試してください。"),
                                {path_}),
                    error);
      continue;
    }
    if (format.fmt.pix.pixelformat == V4L2_PIX_FMT_MJPEG ||
        format.fmt.pix.pixelformat == V4L2_PIX_FMT_YUYV)
      break;
  }
  const uint32_t granted = format.fmt.pix.pixelformat;
  if (granted != V4L2_PIX_FMT_MJPEG && granted != V4L2_PIX_FMT_YUYV)
    return Fail(granted ? MessageText(QT_TRANSLATE_NOOP("Message",
                                                        "カメラ %1 は MJPEG の画像も YUYV の画像も"
                                                        "出せません（出せるのは %2）。"),
                                      {path_, FourCcText(granted)})
                        : MessageText(QT_TRANSLATE_NOOP("Message",
                                                        "カメラ %1 は MJPEG の画像も YUYV の画像も"
                                                        "出せません。"),
                                      {path_}),
                error);
  bytes_per_picture_ =
      granted == V4L2_PIX_FMT_YUYV ? size_t(format.fmt.pix.width) * format.fmt.pix.height * 2 : 0;

  v4l2_streamparm parm{};
  parm.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  parm.parm.capture.timeperframe = {1, static_cast<uint32_t>(fps > 0 ? fps : 30)};
  fps_ = wanted.fps > 0 ? wanted.fps : 30;
  if (Ioctl(fd_, VIDIOC_S_PARM, &parm) == 0 && parm.parm.capture.timeperframe.numerator > 0)
    fps_ = double(parm.parm.capture.timeperframe.denominator) /
           parm.parm.capture.timeperframe.numerator;
  identity_.mode = {granted, int(format.fmt.pix.width), int(format.fmt.pix.height), fps_};
  return true;
}

bool V4l2Camera::Open(const std::string& path, int width, int height, int fps, std::string* error) {
  Close();
  path_ = path;
  fd_ = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    const int why = errno;
    if (why == EACCES)
      return Fail(MessageText(QT_TRANSLATE_NOOP("Message",
                                                "このユーザーはカメラ %1 を使えません。コンピューターの"
                                                "管理者に、このユーザーを \"video\" グループに加えて"
                                                "もらってください。"),
                              {path}),
                  error);
    return Fail(MessageText(QT_TRANSLATE_NOOP("Message", "カメラ %1 を開けません（%2）。"),
                            {path, std::strerror(why)}),
                error);
  }

  v4l2_capability cap{};
  if (Ioctl(fd_, VIDIOC_QUERYCAP, &cap) < 0)
    return Fail(MessageText(QT_TRANSLATE_NOOP("Message", "%1 は V4L2 のカメラではありません（%2）。"),
                            {path, std::strerror(errno)}),
                error);
  const uint32_t caps =
      (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
  if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING))
    return Fail(MessageText(QT_TRANSLATE_NOOP("Message",
                                              "%1 は映像を出しません（カメラの 2 つ目の装置ファイルは"
                                              "メタデータだけを出します）。"),
                            {path}),
                error);
  identity_.card = DriverText(cap.card, sizeof cap.card);
  identity_.bus = DriverText(cap.bus_info, sizeof cap.bus_info);
  identity_.driver = DriverText(cap.driver, sizeof cap.driver);

  if (!Negotiate(width, height, fps, error)) return false;

  v4l2_requestbuffers request{};
  request.count = kBufferCount;
  request.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  request.memory = V4L2_MEMORY_MMAP;
  if (Ioctl(fd_, VIDIOC_REQBUFS, &request) < 0 || request.count < 2)
    return Fail(MessageText(QT_TRANSLATE_NOOP("Message",
                                              "カメラ %1 から取り込み用のバッファーをもらえません"
                                              "（%2）。ほかのプログラムが使っていませんか？"),
                            {path, std::strerror(errno)}),
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
    return Fail(MessageText(QT_TRANSLATE_NOOP("Message",
                                              "カメラ %1 を開始できません（%2）。"
                                              "ほかのプログラムが使っていませんか？"),
                            {path, std::strerror(errno)}),
                error);
  streaming_ = true;
  clock_ = CaptureClock::kDriver;
  last_driver_time_ = 0;
  for (std::atomic<uint64_t>& count : dropped_) count = 0;

  // A camera that streams but sends nothing is refused here, before the run.
  first_ = av_packet_alloc();
  std::string why;
  if (Dequeue(first_, kFirstPictureTimeoutMs, &why) != Result::kPacket)
    return Fail(MessageText(QT_TRANSLATE_NOOP("Message",
                                              "カメラ %1 は開始後に使える画像を送ってきませんでした"
                                              "（%2）。カメラを抜いて、差し込み直してください。"),
                            {path, why}),
                error);

  codec_ = avcodec_parameters_alloc();
  codec_->codec_type = AVMEDIA_TYPE_VIDEO;
  codec_->width = identity_.mode.width;
  codec_->height = identity_.mode.height;
  if (identity_.mode.pixel_format == V4L2_PIX_FMT_MJPEG) {
    codec_->codec_id = AV_CODEC_ID_MJPEG;
  } else {
    codec_->codec_id = AV_CODEC_ID_RAWVIDEO;
    codec_->format = AV_PIX_FMT_YUYV422;
  }
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
  av_packet_free(&first_);
  avcodec_parameters_free(&codec_);
}

DroppedPictures V4l2Camera::dropped() const {
  DroppedPictures d;
  for (int i = 0; i < kDropReasonCount; ++i) d.by_reason[i] = dropped_[i].load();
  return d;
}

void V4l2Camera::Drop(DropReason reason) {
  dropped_[static_cast<int>(reason)].fetch_add(1);
}

// Why a dequeued buffer cannot be used; none when it can.
std::optional<DropReason> V4l2Camera::Damage(const v4l2_buffer& buf) const {
  if (buf.flags & V4L2_BUF_FLAG_ERROR) return DropReason::kErrorFlag;
  if (buf.bytesused == 0) return DropReason::kEmpty;
  if (buf.index >= buffers_.size() || buf.bytesused > buffers_[buf.index].length)
    return DropReason::kIncomplete;
  const auto* data = static_cast<const uint8_t*>(buffers_[buf.index].start);
  const bool whole = identity_.mode.pixel_format == V4L2_PIX_FMT_MJPEG
                         ? IsWholeJpeg(data, buf.bytesused)
                         : buf.bytesused >= bytes_per_picture_;
  if (!whole) return DropReason::kIncomplete;
  return std::nullopt;
}

PacketReader::Result V4l2Camera::Read(AVPacket* packet, std::string* error) {
  av_packet_unref(packet);
  if (!streaming_) return Result::kLost;
  if (first_ && first_->size > 0) {
    av_packet_move_ref(packet, first_);
    return Result::kPacket;
  }
  return Dequeue(packet, kPictureTimeoutMs, error);
}

PacketReader::Result V4l2Camera::Dequeue(AVPacket* packet, int timeout_ms, std::string* error) {
  const TIMESPAN deadline = MonotonicNow100ns() + TIMESPAN(timeout_ms) * 10000;
  const uint64_t dropped_before = dropped().total();
  auto lost = [&](const std::string& why) {
    if (error) *error = why;
    return Result::kLost;
  };
  for (;;) {
    const int left = MillisecondsLeft(deadline);
    if (left <= 0)
      return lost(MessageText(dropped().total() > dropped_before
                                  ? QT_TRANSLATE_NOOP("Message", "%1 秒間、壊れた画像しか来ませんでした")
                                  : QT_TRANSLATE_NOOP("Message", "%1 秒間、画像が来ませんでした"),
                              {std::to_string(timeout_ms / 1000)}));
    pollfd p{fd_, POLLIN, 0};
    const int ready = poll(&p, 1, left);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return lost(std::strerror(errno));
    if (ready == 0) continue;  // the deadline says what happened
    if (p.revents & (POLLERR | POLLHUP | POLLNVAL)) return lost(Unplugged());
    v4l2_buffer buf{};
    buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    buf.memory = V4L2_MEMORY_MMAP;
    if (Ioctl(fd_, VIDIOC_DQBUF, &buf) < 0) {
      if (errno == EAGAIN) {
        // Ready, yet nothing to take: a driver hiccup; don't spin on it.
        usleep(1000);
        continue;
      }
      if (errno == EIO) {  // a transfer error; the picture is lost, the camera may go on
        Drop(DropReason::kReadError);
        continue;
      }
      if (errno == ENODEV) return lost(Unplugged());
      return lost(std::strerror(errno));
    }
    const TIMESPAN read_time = MonotonicNow100ns();
    // Damaged pictures are left out: flagged by the driver, empty, larger
    // than their buffer, or cut short.
    const std::optional<DropReason> damage = Damage(buf);
    if (damage) {
      Drop(*damage);
    } else if (av_new_packet(packet, static_cast<int>(buf.bytesused)) == 0) {
      std::memcpy(packet->data, buffers_[buf.index].start, buf.bytesused);
      const TIMESPAN driver_time =
          TIMESPAN(buf.timestamp.tv_sec) * 10000000 + buf.timestamp.tv_usec * 10;
      CaptureClock used = CaptureClock::kDriver;
      TIMESPAN taken = ChooseCaptureTime(buf.flags, driver_time, read_time, &used);
      // A stamp not after the one before it is no capture time either.
      if (used == CaptureClock::kDriver && driver_time <= last_driver_time_)
        used = CaptureClock::kReadTime, taken = read_time;
      last_driver_time_ = driver_time;
      // One clock for the whole run: once a stamp was unusable, read times only.
      if (used != CaptureClock::kDriver) clock_ = CaptureClock::kReadTime;
      start_of_exposure_ =
          (buf.flags & V4L2_BUF_FLAG_TSTAMP_SRC_MASK) == V4L2_BUF_FLAG_TSTAMP_SRC_SOE;
      packet->pts = packet->dts = clock_ == CaptureClock::kDriver ? taken : read_time;
    }
    if (Ioctl(fd_, VIDIOC_QBUF, &buf) < 0)
      return lost(errno == ENODEV ? Unplugged() : std::string(std::strerror(errno)));
    if (packet->size > 0) return Result::kPacket;
  }
}
