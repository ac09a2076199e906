#pragma once
// Where a VideoSource's compressed frames come from: a video file
// (VideoFileReader, libavformat) or a V4L2 camera (V4l2Camera). Both hand out
// packets and the parameters of their decoder, so that decoding, timing and
// conversion are one path for cameras and files alike.

#include <string>

extern "C" {
#include <libavcodec/codec_par.h>
#include <libavcodec/packet.h>
}

#include "body/backends/camera/video/camera_picture.h"
#include "body/backends/camera/video/dropped_pictures.h"

class PacketReader {
 public:
  enum class Result { kPacket, kEnded, kLost };

  virtual ~PacketReader() = default;

  // The next compressed frame into *packet (which it unrefs first), its pts
  // in time_base(). Blocks until one comes. kEnded: a file is over; kLost: a
  // camera stopped delivering (unplugged); *error says more when it can.
  virtual Result Read(AVPacket* packet, std::string* error) = 0;

  virtual const AVCodecParameters& codec() const = 0;
  virtual AVRational time_base() const = 0;
  virtual double fps() const = 0;
  // Where the packets' times come from.
  virtual CaptureClock clock() const = 0;
  // Pictures that came damaged (flagged, empty, cut short) and were left out.
  // Any thread.
  virtual DroppedPictures dropped() const { return {}; }
};
