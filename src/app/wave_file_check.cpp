#include "app/wave_file_check.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <vector>

#include "state/message_box.h"
#include "state/translate_noop.h"

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

// `reason` is a marked text; %1 in it is `argument`.
bool Fail(std::string* why, const char* reason, const std::string& argument = {}) {
  if (why) *why = MessageText(reason, {argument});
  return false;
}

constexpr const char* kCannotRead = QT_TRANSLATE_NOOP("Message", "読み込めません");
constexpr const char* kBrokenFormat = QT_TRANSLATE_NOOP("Message", "fmt チャンクが壊れています");
constexpr const char* kNoSound = QT_TRANSLATE_NOOP("Message", "音が入っていません");

}  // namespace

bool IsPlayableWaveFile(const std::string& path, std::string* why) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  if (!in) return Fail(why, kCannotRead);
  const std::streamoff size = in.tellg();
  if (size < 0) return Fail(why, kCannotRead);
  if (size > kMaxWaveBytes) return Fail(why, QT_TRANSLATE_NOOP("Message", "風船の音にしては大きすぎます"));
  in.seekg(0);
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return Fail(why, kCannotRead);
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0 ||
      std::memcmp(bytes.data() + 8, "WAVE", 4) != 0)
    return Fail(why, QT_TRANSLATE_NOOP("Message", "WAV ファイルではありません"));

  bool have_format = false;
  size_t pos = 12;
  while (pos + 8 <= bytes.size()) {
    const uint8_t* chunk = bytes.data() + pos;
    const uint32_t length = Le32(chunk + 4);
    const size_t body = pos + 8;
    if (length > bytes.size() - body) return Fail(why, QT_TRANSLATE_NOOP("Message",
                                   "途中で切れています（チャンクがファイルの終わりを越えています）"));
    if (std::memcmp(chunk, "fmt ", 4) == 0) {
      if (length < 16) return Fail(why, kBrokenFormat);
      const uint16_t format = Le16(chunk + 8);
      const uint16_t channels = Le16(chunk + 10);
      const uint32_t rate = Le32(chunk + 12);
      const uint16_t bits = Le16(chunk + 22);
      if (format != kFormatPcm && format != kFormatFloat && format != kFormatExtensible) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%X", format);
        return Fail(why,
                    QT_TRANSLATE_NOOP("Message",
                                      "圧縮された WAV です（形式 %1）。非圧縮（PCM）で保存してください"),
                    code);
      }
      if (channels == 0 || rate == 0 || bits == 0) return Fail(why, kBrokenFormat);
      have_format = true;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (!have_format) return Fail(why, QT_TRANSLATE_NOOP("Message", "音のデータが fmt チャンクより前にあります"));
      if (length == 0) return Fail(why, kNoSound);
      return true;
    }
    pos = body + length + (length & 1);  // chunks are padded to even lengths
  }
  return have_format ? Fail(why, kNoSound)
                     : Fail(why, QT_TRANSLATE_NOOP("Message", "fmt チャンクがありません"));
}
