#include "body/backends/camera/video/color_frame_geometry.h"

#include <opencv2/imgproc.hpp>

#include "body/sensor/sensor_types.h"

ColorFrameGeometry ColorFrameGeometry::For(cv::Size camera) {
  ColorFrameGeometry g;
  if (camera.width <= 0 || camera.height <= 0) return g;
  // Compare width / height with 16 / 9 in integers.
  if (int64_t(camera.width) * kColorHeight >= int64_t(camera.height) * kColorWidth) {
    const int w = static_cast<int>(int64_t(camera.height) * kColorWidth / kColorHeight);
    g.crop = {(camera.width - w) / 2, 0, w, camera.height};
  } else {
    const int h = static_cast<int>(int64_t(camera.width) * kColorHeight / kColorWidth);
    g.crop = {0, (camera.height - h) / 2, camera.width, h};
  }
  g.scale = float(kColorWidth) / g.crop.width;
  return g;
}

void ConvertToColorPicture(const cv::Mat& bgr, const ColorFrameGeometry& geometry, uint8_t* bgra) {
  cv::Mat out(kColorHeight, kColorWidth, CV_8UC4, bgra);
  cv::Mat shown = bgr(geometry.crop & cv::Rect(0, 0, bgr.cols, bgr.rows));
  // Add alpha at camera size (cheap), then scale the 4-channel picture straight
  // into the frame's buffer: no full-size temporary.
  thread_local cv::Mat with_alpha;
  cv::cvtColor(shown, with_alpha, cv::COLOR_BGR2BGRA);
  if (with_alpha.size() == out.size())
    with_alpha.copyTo(out);
  else
    cv::resize(with_alpha, out, out.size(), 0, 0, cv::INTER_LINEAR);
}
