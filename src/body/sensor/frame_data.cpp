#include "body/sensor/frame_data.h"

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
