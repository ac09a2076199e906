#include "wav_file.h"

#include <fstream>
#include <string_view>

namespace stimuli {
namespace {

void PutTag(std::vector<uint8_t>& out, std::string_view tag) {
  out.insert(out.end(), tag.begin(), tag.end());
}

void PutLe(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::vector<uint8_t> EncodeWavMono16(std::span<const int16_t> samples, int sample_rate_hz) {
  constexpr uint32_t kChannels = 1, kBitsPerSample = 16,
                     kBlockAlign = kChannels * kBitsPerSample / 8;
  const uint32_t data_bytes = static_cast<uint32_t>(samples.size()) * kBlockAlign;
  std::vector<uint8_t> out;
  out.reserve(44 + data_bytes);
  PutTag(out, "RIFF");
  PutLe(out, 36 + data_bytes, 4);
  PutTag(out, "WAVE");
  PutTag(out, "fmt ");
  PutLe(out, 16, 4);  // size of the PCM format chunk
  PutLe(out, 1, 2);   // PCM
  PutLe(out, kChannels, 2);
  PutLe(out, static_cast<uint32_t>(sample_rate_hz), 4);
  PutLe(out, static_cast<uint32_t>(sample_rate_hz) * kBlockAlign, 4);
  PutLe(out, kBlockAlign, 2);
  PutLe(out, kBitsPerSample, 2);
  PutTag(out, "data");
  PutLe(out, data_bytes, 4);
  for (int16_t s : samples) PutLe(out, static_cast<uint16_t>(s), 2);
  return out;
}

bool WriteWavMono16(const std::filesystem::path& path, std::span<const int16_t> samples,
                    int sample_rate_hz) {
  const std::vector<uint8_t> bytes = EncodeWavMono16(samples, sample_rate_hz);
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (!file) return false;
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
  file.close();
  return !file.fail();
}

}  // namespace stimuli
