#pragma once
// Decoded pictures to JPEG frames through libavcodec's MJPEG encoder, for
// recording cameras and files that do not deliver JPEG themselves. Made for
// one picture size: the first picture's.

#include <cstdint>
#include <string>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

class MjpegEncoder {
 public:
  // `quantiser`: 2 (best, largest) to 31.
  explicit MjpegEncoder(int quantiser = 5) : quantiser_(quantiser) {}
  MjpegEncoder(const MjpegEncoder&) = delete;
  MjpegEncoder& operator=(const MjpegEncoder&) = delete;
  ~MjpegEncoder();

  // One picture as a whole JPEG frame in *jpeg. False with the reason in
  // *error (no encoder, a picture of another size, an encoder failure).
  bool Encode(const AVFrame& picture, std::vector<uint8_t>* jpeg, std::string* error);

 private:
  bool Open(int width, int height, std::string* error);

  int quantiser_;
  AVCodecContext* context_ = nullptr;
  SwsContext* scaler_ = nullptr;
  AVFrame* converted_ = nullptr;
  AVPacket* packet_ = nullptr;
  int64_t pts_ = 0;
};
