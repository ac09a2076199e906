// The WAV writer: byte layout of the header and samples, and failure reporting.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <filesystem>
#include <vector>

#include "stimulus_files.h"
#include "wav_file.h"

namespace {

TEST(WavFile, EncodesHeaderAndLittleEndianSamples) {
  const std::array<int16_t, 4> samples = {0, 1, -2, 0x1234};
  const std::vector<uint8_t> expected = {
      'R',  'I',  'F', 'F', 44,  0,   0,   0,                          // 36 + 8 data bytes
      'W',  'A',  'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1,    0,  // PCM
      1,    0,                                                         // mono
      0x40, 0x1F, 0,   0,                                              // 8000 Hz
      0x80, 0x3E, 0,   0,                                              // 16000 bytes per second
      2,    0,    16,  0,  // block align, bits per sample
      'd',  'a',  't', 'a', 8,   0,   0,   0,   0,  0, 1, 0, 0xFE, 0xFF, 0x34, 0x12};
  EXPECT_EQ(stimuli::EncodeWavMono16(samples, 8000), expected);
}

TEST(WavFile, WritesTheEncodedFile) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("t2_wav_" + std::to_string(::getpid()) + ".wav");
  const std::array<int16_t, 3> samples = {-32768, 0, 32767};
  ASSERT_TRUE(stimuli::WriteWavMono16(path, samples, 44100));
  EXPECT_EQ(stimuli_test::ReadBytes(path), stimuli::EncodeWavMono16(samples, 44100));
  const stimuli_test::PcmWav parsed = stimuli_test::ParseWav(stimuli_test::ReadBytes(path));
  EXPECT_EQ(parsed.problem, "");
  EXPECT_EQ(parsed.samples, std::vector<int16_t>(samples.begin(), samples.end()));
  std::filesystem::remove(path);
}

TEST(WavFile, ReportsAFileThatCannotBeCreated) {
  const std::array<int16_t, 1> samples = {0};
  EXPECT_FALSE(stimuli::WriteWavMono16("/nonexistent-folder/pop.wav", samples, 44100));
}

}  // namespace
