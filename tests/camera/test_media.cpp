#include "test_media.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

#include "body/backends/camera/video/picture_scaler.h"
#include "body/backends/camera/video/video_source.h"

cv::Mat ReadPictureFile(const std::string& path) {
  VideoSource source;
  CameraSettings settings;
  settings.replay_realtime = false;
  CameraPicture picture;
  cv::Mat bgr;
  PictureScaler scaler;
  if (!source.Open(path, settings, nullptr) || source.Next(&picture) != VideoSource::Read::kFrame ||
      !scaler.ToBgr(*picture.frame, &bgr))
    return cv::Mat();
  return bgr;
}

namespace {

struct Writer {
  AVFormatContext* format = nullptr;
  AVCodecContext* encoder = nullptr;
  AVFrame* frame = nullptr;
  AVPacket* packet = nullptr;
  SwsContext* sws = nullptr;
  ~Writer() {
    if (format && !(format->oformat->flags & AVFMT_NOFILE)) avio_closep(&format->pb);
    avformat_free_context(format);
    avcodec_free_context(&encoder);
    av_frame_free(&frame);
    av_packet_free(&packet);
    sws_freeContext(sws);
  }
};

}  // namespace

std::vector<std::vector<uint8_t>> WriteMjpegClip(const std::string& path,
                                                 const std::vector<cv::Mat>& pictures,
                                                 const ClipOptions& options) {
  std::vector<std::vector<uint8_t>> written;
  if (pictures.empty()) return written;
  av_log_set_level(AV_LOG_ERROR);
  const int width = pictures[0].cols, height = pictures[0].rows;
  Writer w;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_MJPEG);
  if (!codec || avformat_alloc_output_context2(&w.format, nullptr, nullptr, path.c_str()) < 0)
    return written;
  w.encoder = avcodec_alloc_context3(codec);
  w.encoder->width = width;
  w.encoder->height = height;
  const AVPixelFormat format = options.chroma_422 ? AV_PIX_FMT_YUVJ422P : AV_PIX_FMT_YUVJ420P;
  w.encoder->pix_fmt = format;
  w.encoder->time_base = options.time_base;
  w.encoder->flags |= AV_CODEC_FLAG_QSCALE;
  if (w.format->oformat->flags & AVFMT_GLOBALHEADER)
    w.encoder->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* encoder_options = nullptr;
  if (options.standard_huffman) av_dict_set(&encoder_options, "huffman", "default", 0);
  const int opened = avcodec_open2(w.encoder, codec, &encoder_options);
  av_dict_free(&encoder_options);
  if (opened < 0) return written;
  AVStream* stream = avformat_new_stream(w.format, nullptr);
  if (!stream || avcodec_parameters_from_context(stream->codecpar, w.encoder) < 0) return written;
  stream->time_base = options.time_base;
  if (!(w.format->oformat->flags & AVFMT_NOFILE) &&
      avio_open(&w.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0)
    return written;
  if (avformat_write_header(w.format, nullptr) < 0) return written;

  w.frame = av_frame_alloc();
  w.frame->format = format;
  w.frame->width = width;
  w.frame->height = height;
  w.packet = av_packet_alloc();
  if (av_frame_get_buffer(w.frame, 0) < 0) return written;
  w.sws = sws_getContext(width, height, AV_PIX_FMT_BGR24, width, height, format, SWS_BILINEAR,
                         nullptr, nullptr, nullptr);
  for (size_t i = 0; i < pictures.size(); ++i) {
    const cv::Mat& bgr = pictures[i];
    if (bgr.cols != width || bgr.rows != height || bgr.type() != CV_8UC3) return {};
    if (av_frame_make_writable(w.frame) < 0) return {};
    const uint8_t* src[1] = {bgr.data};
    const int src_stride[1] = {static_cast<int>(bgr.step)};
    sws_scale(w.sws, src, src_stride, 0, height, w.frame->data, w.frame->linesize);
    w.frame->pts = options.pts.empty() ? int64_t(i) : options.pts[i];
    w.frame->quality = FF_QP2LAMBDA * options.quality;
    if (avcodec_send_frame(w.encoder, w.frame) < 0 ||
        avcodec_receive_packet(w.encoder, w.packet) < 0)
      return {};
    if (int(i) == options.garbage_at) {
      const int64_t pts = w.packet->pts, dts = w.packet->dts;
      av_packet_unref(w.packet);
      av_new_packet(w.packet, 64);
      std::fill(w.packet->data, w.packet->data + 64, uint8_t(0x55));
      w.packet->pts = pts, w.packet->dts = dts;
      w.packet->flags |= AV_PKT_FLAG_KEY;
    }
    written.emplace_back(w.packet->data, w.packet->data + w.packet->size);
    av_packet_rescale_ts(w.packet, w.encoder->time_base, stream->time_base);
    w.packet->stream_index = stream->index;
    if (av_interleaved_write_frame(w.format, w.packet) < 0) return {};
  }
  if (av_write_trailer(w.format) < 0) return {};
  return written;
}

std::vector<cv::Mat> VideoPictures(const std::string& path, int frames) {
  CameraSettings settings;
  settings.replay_realtime = false;
  VideoSource source;
  std::vector<cv::Mat> pictures;
  if (!source.Open(path, settings, nullptr)) return pictures;
  PictureScaler scaler;
  CameraPicture picture;
  for (int i = 0; i < frames && source.Next(&picture) == VideoSource::Read::kFrame; ++i) {
    cv::Mat bgr;
    if (!scaler.ToBgr(*picture.frame, &bgr)) break;
    pictures.push_back(bgr.clone());
  }
  return pictures;
}
