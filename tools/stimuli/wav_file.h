// Minimal writer of PCM WAV files: one channel, 16-bit signed samples.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace stimuli {

// The whole file: RIFF header, "fmt " chunk (PCM), "data" chunk, little-endian.
std::vector<uint8_t> EncodeWavMono16(std::span<const int16_t> samples, int sample_rate_hz);

// Writes the encoded file; false when it cannot be created or written completely.
bool WriteWavMono16(const std::filesystem::path& path, std::span<const int16_t> samples,
                    int sample_rate_hz);

}  // namespace stimuli
