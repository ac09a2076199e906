#pragma once
// The simulator's own random numbers (SplitMix64): the same seed gives the
// same scene on every machine and library.

#include <cstdint>

class SimRandom {
 public:
  explicit SimRandom(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }
  // Uniform in [0, 1).
  double Unit() { return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0); }
  double Range(double low, double high) { return low + (high - low) * Unit(); }
  bool Chance(double probability) { return Unit() < probability; }
  // Uniform integer in [0, n).
  int32_t Below(int32_t n) { return static_cast<int32_t>(Unit() * n); }

 private:
  uint64_t state_;
};
