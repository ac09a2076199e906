#pragma once
// Image files (PNG and whatever else QImage reads) into ARGB words.

#include <cstdint>
#include <string>
#include <vector>

// Decodes the file at its own size into 0xAARRGGBB words with straight
// (non-premultiplied) alpha, rows top to bottom. False when the file is missing,
// unreadable or empty.
bool DecodeImageFile(const std::string& path, int32_t& width, int32_t& height,
                     std::vector<uint32_t>& argb);
