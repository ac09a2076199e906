#include "app/wave_file_check.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

namespace {

uint32_t Le32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
uint16_t Le16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// A pop sound is a second or two; anything near this is not one.
constexpr std::streamoff kMaxWaveBytes = 64 << 20;

bool Fail(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return false;
}

}  // namespace

bool IsPlayableWaveFile(const std::string& path, std::string* why) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return Fail(why, "cannot be read");
  const std::streamoff size = in.tellg();
  if (size < 0) return Fail(why, "cannot be read");
  if (size > kMaxWaveBytes) return Fail(why, "too large for a pop sound");
  in.seekg(0);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return Fail(why, "cannot be read");
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
    return Fail(why, "not a WAV file");

  bool have_format = false;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const uint8_t* chunk = bytes.data() + pos;
    const uint32_t length = Le32(chunk + 4);
    const size_t body = pos + 8;
    if (length > bytes.size() - body) return Fail(why, "cut short (a chunk runs past its end)");
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (length < 16) return Fail(why, "has a broken format chunk");
      const uint16_t format = Le16(chunk + 8);
      const uint16_t channels = Le16(chunk + 10);
      const uint32_t rate = Le32(chunk + 12);
      const uint16_t bits = Le16(chunk + 22);
      if (format != kFormatPcm && format != kFormatFloat && format != kFormatExtensible) {
        char reason[64];
        std::snprintf(reason, sizeof reason, "compressed WAV (format 0x%X)", format);
        return Fail(why, reason);
      }
      if (channels == 0 || rate == 0 || bits == 0) return Fail(why, "has a broken format chunk");
      have_format = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!have_format) return Fail(why, "has its sound before its format");
      if (length == 0) return Fail(why, "holds no sound");
      return true;
    }
    pos = body + length + (length & 1);  // chunks are padded to even lengths
  }
  return Fail(why, have_format ? "holds no sound" : "has no format chunk");
}
