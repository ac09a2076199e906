#include "body/backends/camera/recording/mjpeg_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libswscale/swscale.h>
}

namespace {
// Full-range 4:2:0, which every JPEG reader takes.
constexpr AVPixelFormat kJpegFormat = AV_PIX_FMT_YUVJ420P;
}  // namespace

MjpegEncoder::~MjpegEncoder() {
  avcodec_free_context(&context_);
  sws_freeContext(scaler_);
  av_frame_free(&converted_);
  av_packet_free(&packet_);
}

bool MjpegEncoder::Open(int width, int height, std::string* error) {
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
  if (!codec) {
    if (error) *error = "FFmpeg has no MJPEG encoder";
    return false;
  }
  context_ = avcodec_alloc_context3(codec);
  converted_ = av_frame_alloc();
  packet_ = av_packet_alloc();
  if (!context_ || !converted_ || !packet_) {
    if (error) *error = "out of memory";
    return false;
  }
  context_->width = width;
  context_->height = height;
  context_->pix_fmt = kJpegFormat;
  context_->time_base = {1, 30};
  context_->flags |= AV_CODEC_FLAG_QSCALE;
  context_->global_quality = FF_QP2LAMBDA * quantiser_;
  context_->thread_count = 1;  // the recorder's own thread; the models need the cores
  if (avcodec_open2(context_, codec, nullptr) < 0) {
    if (error) *error = "the MJPEG encoder does not open";
    return false;
  }
  converted_->format = kJpegFormat;
  converted_->width = width;
  converted_->height = height;
  if (av_frame_get_buffer(converted_, 0) < 0) {
    if (error) *error = "out of memory";
    return false;
  }
  return true;
}

bool MjpegEncoder::Encode(const AVFrame& picture, std::vector<uint8_t>* jpeg, std::string* error) {
  if (!context_ && !Open(picture.width, picture.height, error)) return false;
  if (picture.width != context_->width || picture.height != context_->height) {
    if (error) *error = "the picture size changed";
    return false;
  }
  scaler_ = sws_getCachedContext(
      scaler_, picture.width, picture.height, static_cast<AVPixelFormat>(picture.format),
      picture.width, picture.height, kJpegFormat, SWS_BILINEAR, nullptr, nullptr, nullptr);
  if (!scaler_ || av_frame_make_writable(converted_) < 0) {
    if (error) *error = "the picture's pixel format cannot be converted for JPEG";
    return false;
  }
  sws_scale(scaler_, picture.data, picture.linesize, 0, picture.height, converted_->data,
            converted_->linesize);
  converted_->pts = pts_++;
  converted_->quality = context_->global_quality;  // the encoder takes it from each picture
  if (avcodec_send_frame(context_, converted_) < 0 ||
      avcodec_receive_packet(context_, packet_) < 0) {
    if (error) *error = "the MJPEG encoder failed";
    return false;
  }
  jpeg->assign(packet_->data, packet_->data + packet_->size);
  av_packet_unref(packet_);
  return true;
}
