#include "body/sensor/color_conversion.h"

#include <algorithm>

namespace {

inline uint8_t Clamp8(int32_t v) {
  return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

}  // namespace

void ConvertYuy2ToBgra(const uint8_t* yuy2, int32_t width, int32_t height, uint8_t* bgra) {
  const int64_t pairs = static_cast<int64_t>(width / 2) * height;
  for (int64_t i = 0; i < pairs; ++i) {
    const uint8_t* s = yuy2 + i * 4;
    uint8_t* d = bgra + i * 8;
    const int32_t c0 = 298 * (s[0] - 16);
    const int32_t c1 = 298 * (s[2] - 16);
    const int32_t du = s[1] - 128;
    const int32_t dv = s[3] - 128;
    const int32_t r = 409 * dv + 128;
    const int32_t g = -100 * du - 208 * dv + 128;
    const int32_t b = 516 * du + 128;
    d[0] = Clamp8((c0 + b) >> 8);
    d[1] = Clamp8((c0 + g) >> 8);
    d[2] = Clamp8((c0 + r) >> 8);
    d[3] = 255;
    d[4] = Clamp8((c1 + b) >> 8);
    d[5] = Clamp8((c1 + g) >> 8);
    d[6] = Clamp8((c1 + r) >> 8);
    d[7] = 255;
  }
}

YuvColor RgbToYuv(uint32_t rgb) {
  const int32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  const int32_t y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
  const int32_t u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
  const int32_t v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
  return {Clamp8(y), Clamp8(u), Clamp8(v)};
}
