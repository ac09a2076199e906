#pragma once
// One picture from a camera or a video file: the decoded frame, the
// compressed frame it was decoded from, and when it was taken.

#include <cstdint>
#include <memory>
#include <vector>

extern "C" {
#include <libavutil/frame.h>
}

#include "body/backends/camera/video/capture_clock.h"
#include "body/sensor/sensor_types.h"

struct AVFrameDeleter {
  void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
using AVFramePtr = std::unique_ptr<AVFrame, AVFrameDeleter>;

struct CameraPicture {
  // The decoded picture (a reference into the decoder's buffer pool; moving
  // the CameraPicture moves it, no pixel is copied).
  AVFramePtr frame;
  // The compressed frame exactly as the camera or the file delivered it, for
  // recording without re-encoding: MJPEG only, otherwise null. Shared and
  // never changed once made, so a recorder may keep it as long as it likes.
  std::shared_ptr<const std::vector<uint8_t>> compressed;
  // When it was taken, CLOCK_MONOTONIC in the sensor layer's 100 ns units.
  TIMESPAN capture_time = 0;
  CaptureClock clock = CaptureClock::kReadTime;

  int width() const { return frame ? frame->width : 0; }
  int height() const { return frame ? frame->height : 0; }
};
