#include "pop_sound.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace stimuli {
namespace {

constexpr double kRate = kPopSampleRate_hz;
constexpr double kAttack_s = 0.0008;
constexpr double kCrackDecay_s = 0.016;  // time constant of the noise crack
constexpr double kThumpDecay_s = 0.040;
constexpr double kThumpStart_hz = 190;
constexpr double kThumpEnd_hz = 70;
constexpr double kThumpGlide_s = 0.030;
constexpr double kFadeOut_s = 0.012;  // ends on silence, no click
constexpr double kPeak = 0.89;        // about -1 dBFS

// xorshift32: the same noise on every machine and compiler.
class Noise {
 public:
  double Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return state_ / 2147483648.0 - 1.0;
  }

 private:
  uint32_t state_ = 0x7A3E1D55u;
};

// One-pole filter coefficient for a corner frequency.
double PoleFor(double corner_hz) {
  return std::exp(-2.0 * std::numbers::pi * corner_hz / kRate);
}

double Envelope(double t, double decay_s) {
  const double attack = std::min(1.0, t / kAttack_s);
  return attack * std::exp(-t / decay_s);
}

}  // namespace

std::vector<int16_t> SynthesizePop() {
  const int count = kPopSampleRate_hz * kPopDuration_ms / 1000;
  std::vector<double> mix(count);
  Noise noise;
  // Band-limited crack: a high-pass at 400 Hz takes the rumble out of the
  // noise, a low-pass at 5 kHz the hiss.
  const double hp = PoleFor(400), lp = PoleFor(5000);
  double hp_in = 0, hp_out = 0, lp_out = 0, thump_phase = 0;
  for (int i = 0; i < count; ++i) {
    const double t = i / kRate;
    const double white = noise.Next();
    hp_out = hp * (hp_out + white - hp_in);
    hp_in = white;
    lp_out = lp_out * lp + hp_out * (1 - lp);
    const double glide = std::min(1.0, t / kThumpGlide_s);
    const double thump_hz = kThumpStart_hz + (kThumpEnd_hz - kThumpStart_hz) * glide;
    thump_phase += 2.0 * std::numbers::pi * thump_hz / kRate;
    mix[i] = 1.0 * lp_out * Envelope(t, kCrackDecay_s) +
             0.55 * std::sin(thump_phase) * Envelope(t, kThumpDecay_s);
    const double to_end_s = (count - 1 - i) / kRate;
    if (to_end_s < kFadeOut_s) mix[i] *= to_end_s / kFadeOut_s;
  }
  double peak = 0;
  for (double v : mix) peak = std::max(peak, std::abs(v));
  std::vector<int16_t> samples(count);
  for (int i = 0; i < count; ++i) {
    samples[i] = static_cast<int16_t>(std::lround(mix[i] / peak * kPeak * 32767.0));
  }
  return samples;
}

}  // namespace stimuli
