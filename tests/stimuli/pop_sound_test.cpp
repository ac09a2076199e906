// The committed pop sound: a format every audio back end plays, a short
// sharp pop that starts and ends without a click, and what the generator makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "pop_sound.h"
#include "stimulus_files.h"

namespace {

constexpr int kRate = 44100;

double RmsOf(const std::vector<int16_t>& s, int from_ms, int to_ms) {
  const size_t from = static_cast<size_t>(from_ms) * kRate / 1000;
  const size_t to = std::min(s.size(), static_cast<size_t>(to_ms) * kRate / 1000);
  double sum = 0;
  for (size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
  return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

class PopSound : public testing::Test {
 protected:
  void SetUp() override {
    wav_ = stimuli_test::ParseWav(
        stimuli_test::ReadBytes(stimuli_test::CommittedStimDir() / "bomb.wav"));
    ASSERT_EQ(wav_.problem, "");
  }
  stimuli_test::PcmWav wav_;
};

TEST_F(PopSound, Is44kHz16BitMonoPcm) {
  EXPECT_EQ(wav_.format, 1);
  EXPECT_EQ(wav_.channels, 1);
  EXPECT_EQ(wav_.sample_rate_hz, 44100u);
  EXPECT_EQ(wav_.bits_per_sample, 16);
  EXPECT_EQ(wav_.block_align, 2);
  EXPECT_EQ(wav_.byte_rate, 88200u);
}

TEST_F(PopSound, IsAShortLoudPopThatFadesToSilence) {
  const std::vector<int16_t>& s = wav_.samples;
  const double duration_ms = 1000.0 * double(s.size()) / kRate;
  EXPECT_GE(duration_ms, 100);
  EXPECT_LE(duration_ms, 200);

  const auto peak_at = std::max_element(
      s.begin(), s.end(), [](int16_t a, int16_t b) { return std::abs(int(a)) < std::abs(int(b)); });
  const int peak = std::abs(int(*peak_at));
  EXPECT_GE(peak, 32767 / 2) << "quieter than -6 dBFS";
  EXPECT_LT(peak, 32767) << "clipped";
  EXPECT_LT(1000.0 * double(peak_at - s.begin()) / kRate, 10) << "attack too slow for a pop";

  EXPECT_LT(std::abs(int(s.front())), 1000) << "starts with a click";
  EXPECT_LT(RmsOf(s, 60, 80), RmsOf(s, 0, 20) / 4) << "does not decay";
  const int tail = kRate * 5 / 1000;
  for (size_t i = s.size() - tail; i < s.size(); ++i) {
    ASSERT_LT(std::abs(int(s[i])), 164) << "not silent in the last 5 ms (sample " << i << ")";
  }
}

TEST_F(PopSound, IsWhatTheGeneratorMakes) {
  const std::vector<int16_t> generated = stimuli::SynthesizePop();
  ASSERT_EQ(wav_.samples.size(), generated.size());
  for (size_t i = 0; i < generated.size(); ++i) {
    // One step of slack for libm rounding differences between machines.
    ASSERT_LE(std::abs(int(wav_.samples[i]) - int(generated[i])), 1)
        << "sample " << i << " differs: regenerate stim/";
  }
}

}  // namespace
