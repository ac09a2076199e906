#pragma once
// Compressed frames in, decoded pictures out, through libavcodec.

#include <string>

extern "C" {
#include <libavcodec/codec_par.h>
#include <libavcodec/packet.h>
#include <libavutil/frame.h>
}

struct AVCodecContext;

class VideoDecoder {
 public:
  enum class Result { kFrame, kNeedInput, kDrained, kBadFrame };

  VideoDecoder() = default;
  VideoDecoder(const VideoDecoder&) = delete;
  VideoDecoder& operator=(const VideoDecoder&) = delete;
  ~VideoDecoder();

  // False with a message naming the format when there is no decoder for it.
  bool Open(const AVCodecParameters& codec, std::string* error);
  void Close();

  // One compressed frame; null when the input is over, to let out the
  // pictures a decoder holds back. False when the decoder refuses it.
  bool Send(const AVPacket* packet);
  // The next picture into *frame (unreferenced first). kBadFrame: one that
  // could not be decoded was dropped; ask again.
  Result Receive(AVFrame* frame);

 private:
  AVCodecContext* context_ = nullptr;
};
