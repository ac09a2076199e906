#include "body/backends/camera/video/video_file_reader.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {
std::string AvError(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, text, sizeof text);
  return text;
}
}  // namespace

VideoFileReader::~VideoFileReader() {
  avformat_close_input(&format_);
}

bool VideoFileReader::Open(const std::string& path, std::string* error) {
  avformat_close_input(&format_);
  int code = avformat_open_input(&format_, path.c_str(), nullptr, nullptr);
  if (code < 0) {
    if (error)
      *error = MessageText(QT_TRANSLATE_NOOP("Message", "動画ファイル %1 を開けません（%2）。"),
                           {path, AvError(code)});
    return false;
  }
  code = avformat_find_stream_info(format_, nullptr);
  if (code >= 0) code = av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (code < 0) {
    if (error)
      *error = MessageText(QT_TRANSLATE_NOOP("Message", "ファイル %1 には読める映像がありません（%2）。"),
                           {path, AvError(code)});
    avformat_close_input(&format_);
    return false;
  }
  stream_ = code;
  for (unsigned i = 0; i < format_->nb_streams; ++i)
    if (int(i) != stream_) format_->streams[i]->discard = AVDISCARD_ALL;
  const AVRational rate = av_guess_frame_rate(format_, format_->streams[stream_], nullptr);
  const double fps = rate.den > 0 ? av_q2d(rate) : 0;
  fps_ = fps > 1 && fps < 1000 ? fps : 30;
  return true;
}

PacketReader::Result VideoFileReader::Read(AVPacket* packet, std::string* error) {
  if (!format_) return Result::kEnded;
  for (;;) {
    av_packet_unref(packet);
    const int code = av_read_frame(format_, packet);
    if (code < 0) {
      if (code != AVERROR_EOF && error) *error = AvError(code);
      return Result::kEnded;
    }
    // A frame the file holds only part of (a recording cut short by a kill
    // or a power cut) would show as a half-grey picture: left out.
    if (packet->flags & AV_PKT_FLAG_CORRUPT) continue;
    if (packet->stream_index == stream_) return Result::kPacket;
  }
}

const AVCodecParameters& VideoFileReader::codec() const {
  return *format_->streams[stream_]->codecpar;
}

AVRational VideoFileReader::time_base() const {
  return format_->streams[stream_]->time_base;
}
