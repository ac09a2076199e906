#include "state/random.h"

uint32_t random_state = 0;

namespace {
uint32_t seed_used = 0;
}  // namespace

void SeedRandom(uint32_t seed) {
  random_state = seed;
  seed_used = seed;
}

uint32_t RandomSeedUsed() {
  return seed_used;
}

int32_t NextRandom() {
  random_state = random_state * 214013u + 2531011u;
  return static_cast<int32_t>((random_state >> 16) & 0x7FFFu);
}
