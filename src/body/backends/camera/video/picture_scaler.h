#pragma once
// Decoded pictures (any FFmpeg pixel format) into the layouts the backend's
// consumers need, each in one swscale step: colour conversion, cropping and
// scaling together, written straight into the consumer's buffer.

#include <opencv2/core.hpp>
#include <tuple>

#include "body/backends/camera/video/camera_picture.h"
#include "body/backends/camera/video/color_frame_geometry.h"

struct SwsContext;

class PictureScaler {
 public:
  PictureScaler() = default;
  PictureScaler(const PictureScaler&) = delete;
  PictureScaler& operator=(const PictureScaler&) = delete;
  ~PictureScaler();

  // The shown part of `frame` as the sensor's 1920 x 1080 BGRA colour picture
  // (alpha 255) into `bgra`, which must hold 1920 * 1080 * 4 bytes.
  bool ToColorPicture(const AVFrame& frame, const ColorFrameGeometry& geometry, uint8_t* bgra);

  // The same picture at half size (960 x 540 BGRA, alpha 255), as the stage
  // shows it, into `bgra`, which must hold 960 * 540 * 4 bytes: scaled once,
  // straight from the camera's pixels.
  bool ToStagePicture(const AVFrame& frame, const ColorFrameGeometry& geometry, uint8_t* bgra);

  // The whole frame as 8-bit BGR at its own size (what the pose and hand
  // models read); *bgr is reallocated only when the size changes or when it
  // is not one ToBgr made (those keep room after the last pixel).
  bool ToBgr(const AVFrame& frame, cv::Mat* bgr);

  // The whole frame scaled to `size` (the aspect follows the new size) as a
  // new 8-bit BGR picture in *out.
  bool ToSize(const AVFrame& frame, cv::Size size, AVFramePtr* out);

 private:
  bool Convert(const AVFrame& frame, cv::Rect crop, int out_format, cv::Size out_size, uint8_t* out,
               int out_stride, int flags);

  SwsContext* context_ = nullptr;
  // What context_ was made for: sizes, formats, flags, colour range.
  std::tuple<int, int, int, int, int, int, int, int> key_{};
};
