#pragma once
// The program's own linear congruential generator (the trial engine draws all its
// random numbers from it; the C library's rand() never takes its place).

#include <cstdint>

extern uint32_t random_state;

void SeedRandom(uint32_t seed);
// The seed of the last SeedRandom (what the generator was actually seeded with,
// also when the settings asked for a seed from the clock).
uint32_t RandomSeedUsed();
// state := state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF.
int32_t NextRandom();
