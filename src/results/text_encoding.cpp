#include "results/text_encoding.h"

#include <iconv.h>

#include <cstdint>
#include <cstdio>

bool IsValidUtf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const auto c = static_cast<unsigned char>(bytes[i]);
    size_t length = 0;
    uint32_t min = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      length = 2, min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3, min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4, min = 0x10000;
    } else {
      return false;
    }
    if (i + length > bytes.size()) return false;
    uint32_t code = c & (0x7F >> length);
    for (size_t k = 1; k < length; ++k) {
      const auto d = static_cast<unsigned char>(bytes[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      code = (code << 6) | (d & 0x3F);
    }
    // Overlong forms, UTF-16 surrogates and values past U+10FFFF are not UTF-8.
    if (code < min || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return false;
    i += length;
  }
  return true;
}

namespace {

std::string EscapeBytes(std::string_view bytes) {
  std::string out;
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      out += hex;
    }
  }
  return out;
}

bool FromShiftJis(std::string_view bytes, std::string* out) {
  const iconv_t cd = ::iconv_open("UTF-8", "CP932");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string result(bytes.size() * 3 + 4, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* dst = result.data();
  size_t out_left = result.size();
  const size_t rc = ::iconv(cd, &in, &in_left, &dst, &out_left);
  ::iconv_close(cd);
  if (rc == static_cast<size_t>(-1) || in_left != 0) return false;
  result.resize(result.size() - out_left);
  *out = std::move(result);
  return true;
}

}  // namespace

std::string TextAsUtf8(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  std::string converted;
  if (FromShiftJis(bytes, &converted)) return converted;
  return EscapeBytes(bytes);
}
