// Where the tests find the committed stimuli, and a plain reader of their
// WAV files that does not share code with the generator's writer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace stimuli_test {

// The stim/ folder of the source tree (from T2_SOURCE_DIR, set by CTest).
std::filesystem::path CommittedStimDir();

std::vector<uint8_t> ReadBytes(const std::filesystem::path& path);

struct PcmWav {
  uint16_t format = 0, channels = 0, bits_per_sample = 0, block_align = 0;
  uint32_t sample_rate_hz = 0, byte_rate = 0;
  std::vector<int16_t> samples;
  std::string problem;  // empty when the file parsed as a well-formed RIFF WAVE
};

// Walks the RIFF chunks; 16-bit samples are taken from the "data" chunk.
PcmWav ParseWav(const std::vector<uint8_t>& bytes);

}  // namespace stimuli_test
