#include "stimulus_files.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace stimuli_test {
namespace {

uint32_t Le(const std::vector<uint8_t>& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | b[at + i];
  return v;
}

bool TagAt(const std::vector<uint8_t>& b, size_t at, const char* tag) {
  return at + 4 <= b.size() && std::string(b.begin() + at, b.begin() + at + 4) == tag;
}

}  // namespace

std::filesystem::path CommittedStimDir() {
  // CTest names the source tree; run by hand, the test falls back to the
  // tree it was configured from.
  const char* source = std::getenv("T2_SOURCE_DIR");
  return std::filesystem::path(source ? source : T2_CONFIGURED_SOURCE_DIR) / "stim";
}

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

PcmWav ParseWav(const std::vector<uint8_t>& b) {
  PcmWav wav;
  if (!TagAt(b, 0, "RIFF") || !TagAt(b, 8, "WAVE")) {
    wav.problem = "no RIFF WAVE header";
    return wav;
  }
  if (Le(b, 4, 4) + 8 != b.size()) {
    wav.problem = "RIFF size does not match the file size";
    return wav;
  }
  bool have_fmt = false, have_data = false;
  for (size_t at = 12; at + 8 <= b.size();) {
    const uint32_t size = Le(b, at + 4, 4);
    const size_t body = at + 8;
    if (body + size > b.size()) {
      wav.problem = "chunk runs past the end of the file";
      return wav;
    }
    if (TagAt(b, at, "fmt ") && size >= 16) {
      wav.format = Le(b, body, 2);
      wav.channels = Le(b, body + 2, 2);
      wav.sample_rate_hz = Le(b, body + 4, 4);
      wav.byte_rate = Le(b, body + 8, 4);
      wav.block_align = Le(b, body + 12, 2);
      wav.bits_per_sample = Le(b, body + 14, 2);
      have_fmt = true;
    } else if (TagAt(b, at, "data")) {
      for (size_t i = 0; i + 1 < size; i += 2) {
        wav.samples.push_back(static_cast<int16_t>(Le(b, body + i, 2)));
      }
      have_data = true;
    }
    at = body + size + (size & 1);
  }
  if (!have_fmt || !have_data) wav.problem = "missing fmt or data chunk";
  return wav;
}

}  // namespace stimuli_test
