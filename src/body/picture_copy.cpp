#include "body/picture_copy.h"

#include <algorithm>
#include <cstring>

void CopyHalvedPicture(const uint8_t* src, int32_t src_width, int32_t src_height, uint8_t* dst,
                       int32_t dst_pitch, int32_t dst_width, int32_t dst_height) {
  if (!src || !dst || src_width <= 0 || src_height <= 0 || dst_width <= 0 || dst_height <= 0)
    return;
  const int32_t cols = std::min((src_width + 1) / 2, dst_width);
  const int32_t rows = std::min((src_height + 1) / 2, dst_height);
  if (dst_pitch < cols * 4) return;
  const size_t src_stride = static_cast<size_t>(src_width) * 4u;
  for (int32_t j = 0; j < rows; ++j) {
    const uint8_t* s = src + 2u * static_cast<size_t>(j) * src_stride;
    uint8_t* d = dst + static_cast<size_t>(j) * static_cast<size_t>(dst_pitch);
    for (int32_t i = 0; i < cols; ++i) {
      uint32_t pixel;
      std::memcpy(&pixel, s + 8u * static_cast<size_t>(i), 4);
      std::memcpy(d + 4u * static_cast<size_t>(i), &pixel, 4);
    }
  }
}
