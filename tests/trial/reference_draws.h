#pragma once
// The program's generator and the balloon draws, written out here from their
// definitions so that tests compare the engine against an independent account.

#include <cmath>
#include <cstdint>

class ReferenceDraws {
 public:
  explicit ReferenceDraws(uint32_t seed) : state_(seed) {}

  int32_t Next() {
    state_ = state_ * 214013u + 2531011u;
    return static_cast<int32_t>((state_ >> 16) & 0x7FFF);
  }
  // 30 random bits from two draws, scaled into [0, 1).
  double U() {
    const double r1 = Next();
    const double r2 = Next();
    return (r1 * 32767.0 + r2) / 1073741824.0;
  }
  int32_t X() { return static_cast<int32_t>(std::trunc(U() * 640.0 - 320.0 + 480.0)); }
  int32_t Y() { return static_cast<int32_t>(std::trunc(U() * 400.0 - 200.0 + 270.0)); }
  int32_t Sign(int32_t current) {
    int32_t s = 0;
    do {
      s = 1 + static_cast<int32_t>(std::floor(3.0 * U()));
    } while (s == current);
    return s;
  }
  uint32_t state() const { return state_; }

 private:
  uint32_t state_;
};
