#include "body/sensor/frame_data.h"

#include "body/picture_copy.h"
#include "body/sensor/color_conversion.h"

int32_t ColorBytesPerPixel(ColorImageFormat format) {
  switch (format) {
    case ColorImageFormat_Bgra:
    case ColorImageFormat_Rgba:
      return 4;
    case ColorImageFormat_Yuy2:
      return 2;
    default:
      return 0;
  }
}

bool MakeHalfPicture(ColorFrameData* frame) {
  const int32_t w = frame->width, h = frame->height;
  const int32_t bpp = ColorBytesPerPixel(frame->format);
  const bool yuy2 = frame->format == ColorImageFormat_Yuy2;
  if (w <= 0 || h <= 0 || (!yuy2 && frame->format != ColorImageFormat_Bgra) ||
      (yuy2 && w % 2 != 0) ||
      frame->pixels.size() < static_cast<size_t>(w) * static_cast<size_t>(h) * bpp)
    return false;
  frame->half_width = (w + 1) / 2;
  frame->half_height = (h + 1) / 2;
  const size_t half_stride = static_cast<size_t>(frame->half_width) * 4;
  frame->half_pixels.resize(half_stride * static_cast<size_t>(frame->half_height));
  if (!yuy2) {
    CopyHalvedPicture(frame->pixels.data(), w, h, frame->half_pixels.data(),
                      static_cast<int32_t>(half_stride), frame->half_width, frame->half_height);
    return true;
  }
  // Every second row converted whole, then every second pixel of it kept.
  std::vector<uint8_t> row(static_cast<size_t>(w) * 4);
  for (int32_t j = 0; j < frame->half_height; ++j) {
    ConvertYuy2ToBgra(frame->pixels.data() + 2 * static_cast<size_t>(j) * w * 2, w, 1, row.data());
    CopyHalvedPicture(row.data(), w, 1, frame->half_pixels.data() + j * half_stride,
                      static_cast<int32_t>(half_stride), frame->half_width, 1);
  }
  return true;
}
