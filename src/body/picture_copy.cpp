#include "body/picture_copy.h"

#include <algorithm>
#include <cstring>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

// Destination pixels [first, count) of one row from every second source pixel.
void CopyEverySecondPixel(const uint8_t* src, uint8_t* dst, int32_t first, int32_t count) {
  for (int32_t i = first; i < count; ++i) {
    uint32_t pixel;
    std::memcpy(&pixel, src + 8u * static_cast<size_t>(i), 4);
    std::memcpy(dst + 4u * static_cast<size_t>(i), &pixel, 4);
  }
}

}  // namespace

void CopyHalvedPicture(const uint8_t* src, int32_t src_width, int32_t src_height, uint8_t* dst,
                       int32_t dst_pitch, int32_t dst_width, int32_t dst_height) {
  if (!src || !dst || src_width <= 0 || src_height <= 0 || dst_width <= 0 || dst_height <= 0)
    return;
  const int32_t cols = std::min((src_width + 1) / 2, dst_width);
  const int32_t rows = std::min((src_height + 1) / 2, dst_height);
  if (dst_pitch < cols * 4) return;
  const size_t src_stride = static_cast<size_t>(src_width) * 4u;
  // Four destination pixels read eight source pixels; the last group must
  // stay inside the source row.
  const int32_t vector_cols = std::min(cols, src_width / 2) / 4 * 4;
  for (int32_t j = 0; j < rows; ++j) {
    const uint8_t* s = src + 2u * static_cast<size_t>(j) * src_stride;
    uint8_t* d = dst + static_cast<size_t>(j) * static_cast<size_t>(dst_pitch);
    int32_t i = 0;
#ifdef __SSE2__
#pragma GCC unroll 4
    for (; i < vector_cols; i += 4) {
      const float* in = reinterpret_cast<const float*>(s + 8u * i);
      // Pixels 0 and 2 of each four: the words are moved, never used as numbers.
      _mm_storeu_ps(reinterpret_cast<float*>(d + 4u * i),
                    _mm_shuffle_ps(_mm_loadu_ps(in), _mm_loadu_ps(in + 4), 0x88));
    }
#else
    (void)vector_cols;
#endif
    CopyEverySecondPixel(s, d, i, cols);
  }
}

void CopyPictureRows(const uint8_t* src, int32_t src_width, int32_t src_height, uint8_t* dst,
                     int32_t dst_pitch, int32_t dst_width, int32_t dst_height) {
  if (!src || !dst || src_width <= 0 || src_height <= 0 || dst_width <= 0 || dst_height <= 0)
    return;
  const int32_t cols = std::min(src_width, dst_width);
  const int32_t rows = std::min(src_height, dst_height);
  if (dst_pitch < cols * 4) return;
  const size_t src_stride = static_cast<size_t>(src_width) * 4u;
  const size_t row_bytes = static_cast<size_t>(cols) * 4u;
  if (src_stride == row_bytes && static_cast<size_t>(dst_pitch) == row_bytes) {
    std::memcpy(dst, src, row_bytes * static_cast<size_t>(rows));
    return;
  }
  for (int32_t j = 0; j < rows; ++j) {
    std::memcpy(dst + static_cast<size_t>(j) * static_cast<size_t>(dst_pitch),
                src + static_cast<size_t>(j) * src_stride, row_bytes);
  }
}
