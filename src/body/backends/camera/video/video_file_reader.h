#pragma once
// Compressed frames of a video file's first video stream, through libavformat.

#include "body/backends/camera/video/packet_reader.h"

struct AVFormatContext;

class VideoFileReader : public PacketReader {
 public:
  VideoFileReader() = default;
  VideoFileReader(const VideoFileReader&) = delete;
  VideoFileReader& operator=(const VideoFileReader&) = delete;
  ~VideoFileReader() override;

  // False with a message naming the file and the reason.
  bool Open(const std::string& path, std::string* error);

  Result Read(AVPacket* packet, std::string* error) override;
  const AVCodecParameters& codec() const override;
  AVRational time_base() const override;
  double fps() const override { return fps_; }
  CaptureClock clock() const override { return CaptureClock::kFile; }

 private:
  AVFormatContext* format_ = nullptr;
  int stream_ = -1;
  double fps_ = 30;
};
