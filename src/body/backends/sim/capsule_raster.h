#pragma once
// Rows of a filled capsule (a thick line with round ends) or disc, clipped to
// a picture: span(y, x_first, x_last) is called once per covered row with the
// inclusive range of pixels whose centres lie inside.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace capsule_raster_detail {

// Narrows [lo, hi] to the x where a * x + b lies in [lo_v, hi_v].
inline void Clip(float a, float b, float lo_v, float hi_v, float* lo, float* hi) {
  if (std::fabs(a) < 1e-9f) {
    if (b < lo_v || b > hi_v) *lo = 1.0f, *hi = 0.0f;
    return;
  }
  float x0 = (lo_v - b) / a, x1 = (hi_v - b) / a;
  if (x0 > x1) std::swap(x0, x1);
  *lo = std::max(*lo, x0);
  *hi = std::min(*hi, x1);
}

}  // namespace capsule_raster_detail

template <class Span>
void FillCapsule(float x0, float y0, float x1, float y1, float radius, int32_t width,
                 int32_t height, Span&& span) {
  using capsule_raster_detail::Clip;
  if (!(radius > 0.0f) || !std::isfinite(x0 + y0 + x1 + y1 + radius)) return;
  const float top = std::min(y0, y1) - radius, bottom = std::max(y0, y1) + radius;
  const int32_t row_first = std::max(0, static_cast<int32_t>(std::ceil(top - 0.5f)));
  const int32_t row_last = std::min(height - 1, static_cast<int32_t>(std::floor(bottom - 0.5f)));
  const float dx = x1 - x0, dy = y1 - y0;
  const float len2 = dx * dx + dy * dy;
  const float len = std::sqrt(len2);
  const float r2 = radius * radius;
  for (int32_t row = row_first; row <= row_last; ++row) {
    const float yc = static_cast<float>(row) + 0.5f;
    float lo = 1e30f, hi = -1e30f;
    // Round ends.
    for (int end = 0; end < 2; ++end) {
      const float cx = end ? x1 : x0, cy = end ? y1 : y0;
      const float d = yc - cy;
      if (d * d <= r2) {
        const float w = std::sqrt(r2 - d * d);
        lo = std::min(lo, cx - w);
        hi = std::max(hi, cx + w);
      }
    }
    // The straight part: 0 <= (p - a).d <= |d|^2 and |cross(d, p - a)| <= r |d|.
    if (len > 1e-6f) {
      float slo = -1e30f, shi = 1e30f;
      const float ry = yc - y0;
      Clip(dx, -dx * x0 + dy * ry, 0.0f, len2, &slo, &shi);
      Clip(-dy, dx * ry + dy * x0, -radius * len, radius * len, &slo, &shi);
      if (slo <= shi) {
        lo = std::min(lo, slo);
        hi = std::max(hi, shi);
      }
    }
    if (lo > hi) continue;
    const int32_t first = std::max(0, static_cast<int32_t>(std::ceil(lo - 0.5f)));
    const int32_t last = std::min(width - 1, static_cast<int32_t>(std::floor(hi - 0.5f)));
    if (first <= last) span(row, first, last);
  }
}

template <class Span>
void FillDisc(float x, float y, float radius, int32_t width, int32_t height, Span&& span) {
  FillCapsule(x, y, x, y, radius, width, height, span);
}
