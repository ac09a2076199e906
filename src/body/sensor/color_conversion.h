#pragma once
// Colour format conversions of the sensor layer (BT.601, limited range, as
// USB cameras and the depth sensor deliver YUY2).

#include <cstdint>

// YUY2 (Y0 U Y1 V per pixel pair) to BGRA with alpha 255. `width` must be
// even; rows are packed (width * 2 source bytes, width * 4 destination bytes).
// Uses SSE2 where the processor has it; the result is the same either way.
void ConvertYuy2ToBgra(const uint8_t* yuy2, int32_t width, int32_t height, uint8_t* bgra);
// The same without vector instructions (the reference the fast path is tested against).
void ConvertYuy2ToBgraPortable(const uint8_t* yuy2, int64_t pixel_pairs, uint8_t* bgra);

struct YuvColor {
  uint8_t y, u, v;
};
// The YUV value whose conversion gives back (nearly) the colour 0x00RRGGBB.
YuvColor RgbToYuv(uint32_t rgb);
