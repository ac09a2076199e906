#include "body/backends/camera/video/video_source.h"

#include <time.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
}

#include "body/backends/camera/video/camera_list.h"
#include "body/backends/camera/video/capture_clock.h"
#include "body/backends/camera/video/recorded_frame_times.h"
#include "body/backends/camera/video/v4l2_camera.h"
#include "body/backends/camera/video/video_file_reader.h"
#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

constexpr AVRational k100ns = {1, 10000000};

// Where to see which cameras there are: after a sentence about the camera.
std::string ListCamerasHint() {
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "メニューの Experiment > Camera check で、つながっているカメラを"
                                       "一覧して使うカメラを選べます（Debian パッケージ v4l-utils の "
                                       "v4l2-ctl --list-devices でも一覧できます）。"));
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

int64_t PacketKey(const AVPacket& p) {
  return p.pts != AV_NOPTS_VALUE ? p.pts : p.dts;
}
int64_t FrameKey(const AVFrame& f) {
  return f.pts != AV_NOPTS_VALUE ? f.pts : f.pkt_dts;
}

}  // namespace

VideoSource::VideoSource() = default;
VideoSource::~VideoSource() {
  Close();
}

bool VideoSource::OpenCamera(const std::string& path, const CameraSettings& settings,
                             std::string* error) {
  auto camera = std::make_unique<V4l2Camera>();
  if (!camera->Open(path, settings.capture_width, settings.capture_height, settings.capture_fps,
                    error))
    return false;
  camera_ = camera.get();
  reader_ = std::move(camera);
  name_ = path;
  return true;
}

bool VideoSource::Open(const std::string& device_or_file, const CameraSettings& settings,
                       std::string* error) {
  Close();
  av_log_set_level(AV_LOG_ERROR);  // FFmpeg's notes on odd but readable frames stay quiet
  std::string reason;
  if (device_or_file.empty()) {
    std::string last;
    for (const std::string& path : VideoDeviceNodes()) {
      if (OpenCamera(path, settings, &reason)) break;
      last = reason;
    }
    if (!reader_) {
      if (error)
        *error = (last.empty() ? MessageText(QT_TRANSLATE_NOOP("Message",
                                                               "カメラが見つかりません（/dev/video*）。"
                                                               "カメラをつなぐか、--camera=ファイル で"
                                                               "動画ファイルを指定してください。"))
                               : MessageText(QT_TRANSLATE_NOOP("Message",
                                                               "使えるカメラが見つかりません（/dev/video*。"
                                                               "最後のカメラは: %1）。カメラをつなぐか、"
                                                               "--camera=ファイル で動画ファイルを指定して"
                                                               "ください。"),
                                             {last})) +
                 "\n" + ListCamerasHint();
      return false;
    }
  } else if (IsNumber(device_or_file) || device_or_file.rfind("/dev/", 0) == 0 ||
             IsCharDevice(device_or_file)) {
    const std::string path =
        IsNumber(device_or_file) ? "/dev/video" + device_or_file : device_or_file;
    name_ = path;
    // No device there: an unplugged camera, or one the system numbered anew.
    if (!IsCharDevice(path))
      reason = MessageText(QT_TRANSLATE_NOOP("Message", "カメラ %1 はつながっていません。"), {path});
    if (!reason.empty() || !OpenCamera(path, settings, &reason)) {
      if (error) *error = reason + "\n" + ListCamerasHint();
      return false;
    }
  } else {
    auto file = std::make_unique<VideoFileReader>();
    if (!file->Open(device_or_file, error)) return false;
    reader_ = std::move(file);
    name_ = device_or_file;
    is_file_ = true;
    std::string problem;
    if (auto times = ReadRecordedFrameTimes(VideoTablePathFor(name_), &problem)) {
      recorded_times_ = std::move(*times);
    } else if (!problem.empty()) {
      std::fprintf(stderr, "tavelin2: %s; the video plays at its frame rate\n", problem.c_str());
    }
  }

  const AVCodecParameters& codec = reader_->codec();
  size_ = {codec.width, codec.height};
  if (size_.width <= 0 || size_.height <= 0) {
    if (error)
      *error = MessageText(QT_TRANSLATE_NOOP("Message", "%1 の画像の大きさがわかりません。"), {name_});
    Close();
    return false;
  }
  if (!decoder_.Open(codec, &reason)) {
    if (error) *error = name_ + ": " + reason;
    Close();
    return false;
  }
  fps_ = reader_->fps();
  realtime_ = !is_file_ || settings.replay_realtime;
  keep_compressed_ = codec.codec_id == AV_CODEC_ID_MJPEG;
  packet_ = av_packet_alloc();
  decoded_ = av_frame_alloc();
  return true;
}

void VideoSource::Close() {
  decoder_.Close();
  reader_.reset();
  camera_ = nullptr;
  undecodable_ = 0;
  av_packet_free(&packet_);
  av_frame_free(&decoded_);
  compressed_.clear();
  is_file_ = false;
  draining_ = false;
  started_ = false;
  end_ = Read::kEnded;
  recorded_times_.clear();
}

CaptureClock VideoSource::capture_clock() const {
  return reader_ ? reader_->clock() : CaptureClock::kReadTime;
}

const char* VideoSource::timestamp_source() const {
  if (is_file_) return "file";
  if (!camera_ || camera_->clock() != CaptureClock::kDriver) return "read_time";
  return camera_->stamps_start_of_exposure() ? "driver_start_of_exposure" : "driver_end_of_frame";
}

const CameraIdentity* VideoSource::camera() const {
  return camera_ ? &camera_->identity() : nullptr;
}

DroppedPictures VideoSource::pictures_dropped() const {
  DroppedPictures d = reader_ ? reader_->dropped() : DroppedPictures{};
  d.by_reason[static_cast<int>(DropReason::kUndecodable)] += undecodable_.load();
  return d;
}

TIMESPAN VideoSource::CaptureTime(int64_t pts) {
  const AVRational base = reader_->time_base();
  if (!is_file_) return av_rescale_q(pts, base, k100ns);  // the camera's clock already
  // A file: its presentation times, counted from the first picture, on a
  // replay clock started when that picture was read.
  if (pts == AV_NOPTS_VALUE)
    pts = started_ ? last_pts_ + av_rescale_q(int64_t(1e7 / fps_), k100ns, base) : 0;
  if (!started_) {
    started_ = true;
    first_pts_ = pts;
    start_ = MonotonicNow100ns();
  }
  last_pts_ = pts;
  if (!recorded_times_.empty()) return start_ + RecordedOffset(pts) - RecordedOffset(first_pts_);
  return start_ + av_rescale_q(pts - first_pts_, base, k100ns);
}

// A session video's frames are numbered by their presentation time (one
// tick a frame); frames the table does not reach (cut off by a kill) follow
// its last one at the frame rate.
TIMESPAN VideoSource::RecordedOffset(int64_t frame) const {
  const int64_t last = int64_t(recorded_times_.size()) - 1;
  const int64_t clamped = std::clamp<int64_t>(frame, 0, last);
  return recorded_times_[size_t(clamped)] - recorded_times_[0] +
         (frame - clamped) * TIMESPAN(1e7 / fps_);
}

VideoSource::Read VideoSource::Next(CameraPicture* picture) {
  if (!reader_) return Read::kLost;
  for (;;) {
    const VideoDecoder::Result got = decoder_.Receive(decoded_);
    if (got == VideoDecoder::Result::kFrame) {
      picture->frame.reset(av_frame_alloc());
      av_frame_move_ref(picture->frame.get(), decoded_);
      picture->compressed.reset();
      // The compressed frame this picture came from; older ones never decoded.
      const int64_t key = FrameKey(*picture->frame);
      while (!compressed_.empty() && compressed_.front().key != key && key != AV_NOPTS_VALUE)
        compressed_.pop_front();
      if (!compressed_.empty()) {
        picture->compressed = std::move(compressed_.front().data);
        compressed_.pop_front();
      }
      picture->capture_time = CaptureTime(is_file_ ? picture->frame->best_effort_timestamp : key);
      picture->clock = reader_->clock();
      if (is_file_ && realtime_) SleepUntil100ns(picture->capture_time);
      return Read::kFrame;
    }
    if (got == VideoDecoder::Result::kDrained ||
        (draining_ && got != VideoDecoder::Result::kBadFrame))
      return end_;
    if (got == VideoDecoder::Result::kBadFrame) ++undecodable_;
    if (draining_) continue;
    std::string error;
    const PacketReader::Result read = reader_->Read(packet_, &error);
    if (read != PacketReader::Result::kPacket) {
      if (!error.empty()) std::fprintf(stderr, "tavelin2: %s: %s\n", name_.c_str(), error.c_str());
      end_ = read == PacketReader::Result::kEnded ? Read::kEnded : Read::kLost;
      draining_ = true;
      decoder_.Send(nullptr);  // let out what the decoder holds back
      continue;
    }
    if (keep_compressed_)
      compressed_.push_back(
          {PacketKey(*packet_), std::make_shared<const std::vector<uint8_t>>(
                                    packet_->data, packet_->data + packet_->size)});
    if (!decoder_.Send(packet_)) {
      ++undecodable_;
      if (keep_compressed_) compressed_.pop_back();
    }
  }
}
