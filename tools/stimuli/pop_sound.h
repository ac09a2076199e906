// The balloon pop: a short crack of filtered noise over a low thump.
#pragma once

#include <cstdint>
#include <vector>

namespace stimuli {

constexpr int kPopSampleRate_hz = 44100;
constexpr int kPopDuration_ms = 160;

// Mono 16-bit samples at kPopSampleRate_hz, kPopDuration_ms long; the same
// every call (the noise comes from a fixed-seed generator).
std::vector<int16_t> SynthesizePop();

}  // namespace stimuli
