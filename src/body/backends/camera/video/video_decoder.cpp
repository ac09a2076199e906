#include "body/backends/camera/video/video_decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

#include "state/message_box.h"
#include "state/translate_noop.h"

VideoDecoder::~VideoDecoder() {
  Close();
}

bool VideoDecoder::Open(const AVCodecParameters& codec, std::string* error) {
  Close();
  const AVCodec* decoder = avcodec_find_decoder(codec.codec_id);
  if (!decoder) {
    if (error)
      *error = MessageText(QT_TRANSLATE_NOOP("Message", "%1 の映像を読めるデコーダーがありません"),
                           {avcodec_get_name(codec.codec_id)});
    return false;
  }
  context_ = avcodec_alloc_context3(decoder);
  if (!context_ || avcodec_parameters_to_context(context_, &codec) < 0) {
    if (error) *error = MessageText(QT_TRANSLATE_NOOP("Message", "映像のデコーダーを準備できません"));
    Close();
    return false;
  }
  // MJPEG and raw pictures decode one at a time, at once: a picture is never
  // held back behind the next one. Other formats use FFmpeg's threads.
  const bool intra = codec.codec_id == AV_CODEC_ID_MJPEG || codec.codec_id == AV_CODEC_ID_RAWVIDEO;
  context_->thread_count = intra ? 1 : 0;
  if (avcodec_open2(context_, decoder, nullptr) < 0) {
    if (error)
      *error = MessageText(QT_TRANSLATE_NOOP("Message", "%1 デコーダーを開けません"), {decoder->name});
    Close();
    return false;
  }
  return true;
}

void VideoDecoder::Close() {
  avcodec_free_context(&context_);
}

bool VideoDecoder::Send(const AVPacket* packet) {
  return context_ && avcodec_send_packet(context_, packet) >= 0;
}

VideoDecoder::Result VideoDecoder::Receive(AVFrame* frame) {
  if (!context_) return Result::kDrained;
  av_frame_unref(frame);
  const int code = avcodec_receive_frame(context_, frame);
  if (code >= 0) return Result::kFrame;
  if (code == AVERROR(EAGAIN)) return Result::kNeedInput;
  if (code == AVERROR_EOF) return Result::kDrained;
  return Result::kBadFrame;
}
