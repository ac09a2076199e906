#pragma once
// The half-size copy of the colour picture into the body texture.

#include <cstdint>

// Copies source pixel (2i, 2j) of a packed BGRA picture (src_width * 4 bytes a
// row) to destination pixel (i, j) of a 32-bit texture whose rows lie
// dst_pitch bytes apart, for every i below dst_width and (src_width + 1) / 2,
// and j below dst_height and (src_height + 1) / 2. No filtering. Nothing is
// written when the pitch is shorter than a destination row.
void CopyHalvedPicture(const uint8_t* src, int32_t src_width, int32_t src_height, uint8_t* dst,
                       int32_t dst_pitch, int32_t dst_width, int32_t dst_height);

// Copies a packed 32-bit picture (src_width * 4 bytes a row) as it is into
// the top left of a texture whose rows lie dst_pitch bytes apart: the first
// min(src_width, dst_width) pixels of the first min(src_height, dst_height)
// rows. Nothing is written when the pitch is shorter than a copied row.
void CopyPictureRows(const uint8_t* src, int32_t src_width, int32_t src_height, uint8_t* dst,
                     int32_t dst_pitch, int32_t dst_width, int32_t dst_height);
