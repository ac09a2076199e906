#include "state/random.h"

uint32_t random_state = 0;

void SeedRandom(uint32_t seed) {
  random_state = seed;
}

int32_t NextRandom() {
  random_state = random_state * 214013u + 2531011u;
  return static_cast<int32_t>((random_state >> 16) & 0x7FFFu);
}
