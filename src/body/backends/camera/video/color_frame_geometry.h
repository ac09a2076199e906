#pragma once
// How a camera picture of any size becomes the sensor's 1920 x 1080 colour
// picture: the largest centred 16:9 part of it (a 4:3 camera loses a strip at
// the top and the bottom, a wider one at the sides), scaled to 1920 x 1080.
// Joint positions found in the camera picture go through the same mapping, so
// that they land on the person in the colour picture.

#include <cstdint>
#include <opencv2/core.hpp>

struct ColorFrameGeometry {
  cv::Rect crop;       // the part of the camera picture shown, camera pixels
  float scale = 1.0f;  // colour pixels per camera pixel

  static ColorFrameGeometry For(cv::Size camera);

  // Camera pixel -> colour pixel (may fall outside 0..1919 / 0..1079).
  cv::Point2f ToColor(cv::Point2f camera) const {
    return {(camera.x - crop.x) * scale, (camera.y - crop.y) * scale};
  }
};

// Writes the shown part of `bgr` (8-bit, 3 channels) as 1920 x 1080 BGRA (alpha
// 255) into `bgra`, which must hold 1920 * 1080 * 4 bytes.
void ConvertToColorPicture(const cv::Mat& bgr, const ColorFrameGeometry& geometry, uint8_t* bgra);
