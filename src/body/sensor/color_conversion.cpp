#include "body/sensor/color_conversion.h"

#include <algorithm>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

// The conversion runs in 16-bit fixed point so that eight pixels fit one SSE2
// register: each term is (value << 7) * (2 * coefficient) >> 16, which is
// value * coefficient / 256 rounded down; the luma term carries +0.5 so that
// full white comes out as 255. The portable path does exactly the same sums.
namespace {

constexpr int32_t kLuma = 596;      // 2 * 298 (255 / 219 * 256)
constexpr int32_t kVtoR = 818;      // 2 * 409
constexpr int32_t kUtoG = -200;     // 2 * -100
constexpr int32_t kVtoG = -416;     // 2 * -208
constexpr int32_t kUtoB = 1032;     // 2 * 516
constexpr int32_t kLumaRound = 64;  // half a step after the shift by 7

inline int32_t MulHigh(int32_t a, int32_t b) {
  return (a * b) >> 16;
}
inline uint8_t Clamp8(int32_t v) {
  return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

}  // namespace

void ConvertYuy2ToBgraPortable(const uint8_t* yuy2, int64_t pixel_pairs, uint8_t* bgra) {
  for (int64_t i = 0; i < pixel_pairs; ++i) {
    const uint8_t* s = yuy2 + i * 4;
    uint8_t* d = bgra + i * 8;
    const int32_t du = (s[1] - 128) << 7;
    const int32_t dv = (s[3] - 128) << 7;
    const int32_t r = MulHigh(dv, kVtoR);
    const int32_t g = MulHigh(du, kUtoG) + MulHigh(dv, kVtoG);
    const int32_t b = MulHigh(du, kUtoB);
    for (int k = 0; k < 2; ++k) {
      const int32_t y = MulHigh(((s[2 * k] - 16) << 7) + kLumaRound, kLuma);
      d[4 * k] = Clamp8(y + b);
      d[4 * k + 1] = Clamp8(y + g);
      d[4 * k + 2] = Clamp8(y + r);
      d[4 * k + 3] = 255;
    }
  }
}

void ConvertYuy2ToBgra(const uint8_t* yuy2, int32_t width, int32_t height, uint8_t* bgra) {
  const int64_t pairs = static_cast<int64_t>(width / 2) * height;
  int64_t done = 0;
#ifdef __SSE2__
  const __m128i low_bytes = _mm_set1_epi16(0x00FF);
  const __m128i y_offset = _mm_set1_epi16(16);
  const __m128i c_offset = _mm_set1_epi16(128);
  const __m128i round = _mm_set1_epi16(kLumaRound);
  const __m128i luma = _mm_set1_epi16(kLuma);
  const __m128i v_to_r = _mm_set1_epi16(kVtoR);
  const __m128i u_to_g = _mm_set1_epi16(kUtoG);
  const __m128i v_to_g = _mm_set1_epi16(kVtoG);
  const __m128i u_to_b = _mm_set1_epi16(kUtoB);
  const __m128i alpha = _mm_set1_epi16(255);
  // Eight pixels (four pairs, 16 source bytes) per step.
  for (; done + 4 <= pairs; done += 4) {
    const __m128i src = _mm_loadu_si128(reinterpret_cast<const __m128i*>(yuy2 + done * 4));
    const __m128i y = _mm_and_si128(src, low_bytes);
    const __m128i uv = _mm_sub_epi16(_mm_srli_epi16(src, 8), c_offset);  // U0 V0 U1 V1 ...
    // Each pair's U and V, repeated for both of its pixels.
    const __m128i u = _mm_shufflehi_epi16(_mm_shufflelo_epi16(uv, 0xA0), 0xA0);
    const __m128i v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(uv, 0xF5), 0xF5);
    const __m128i u7 = _mm_slli_epi16(u, 7);
    const __m128i v7 = _mm_slli_epi16(v, 7);
    const __m128i y7 = _mm_add_epi16(_mm_slli_epi16(_mm_sub_epi16(y, y_offset), 7), round);
    const __m128i yc = _mm_mulhi_epi16(y7, luma);
    const __m128i r = _mm_add_epi16(yc, _mm_mulhi_epi16(v7, v_to_r));
    const __m128i g =
        _mm_add_epi16(yc, _mm_add_epi16(_mm_mulhi_epi16(u7, u_to_g), _mm_mulhi_epi16(v7, v_to_g)));
    const __m128i b = _mm_add_epi16(yc, _mm_mulhi_epi16(u7, u_to_b));
    // Saturate to bytes and interleave to B G R A.
    const __m128i b8 = _mm_packus_epi16(b, b);
    const __m128i g8 = _mm_packus_epi16(g, g);
    const __m128i r8 = _mm_packus_epi16(r, r);
    const __m128i a8 = _mm_packus_epi16(alpha, alpha);
    const __m128i bg8 = _mm_unpacklo_epi8(b8, g8);
    const __m128i ra8 = _mm_unpacklo_epi8(r8, a8);
    __m128i* out = reinterpret_cast<__m128i*>(bgra + done * 8);
    _mm_storeu_si128(out, _mm_unpacklo_epi16(bg8, ra8));
    _mm_storeu_si128(out + 1, _mm_unpackhi_epi16(bg8, ra8));
  }
#endif
  ConvertYuy2ToBgraPortable(yuy2 + done * 4, pairs - done, bgra + done * 8);
}

YuvColor RgbToYuv(uint32_t rgb) {
  const int32_t r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
  const int32_t y = ((66 * r + 129 * g + 25 * b + 128) >> 8) + 16;
  const int32_t u = ((-38 * r - 74 * g + 112 * b + 128) >> 8) + 128;
  const int32_t v = ((112 * r - 94 * g - 18 * b + 128) >> 8) + 128;
  return {Clamp8(y), Clamp8(u), Clamp8(v)};
}
