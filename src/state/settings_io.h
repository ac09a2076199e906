#pragma once
// Start-up and shut-down handling of the program's settings, kept free of Qt so
// that it can be tested on its own: the settings file into `settings`, the seed
// of the random generator, and `settings` back into the file.

#include <cstdint>

// Loads "Tavelin2.ini" from the working directory into `settings_file`, then reads
// "subject" and the 12 integer keys into `settings`. A key the file does not hold
// leaves its field as it was; a missing file leaves every field alone.
void LoadProgramSettings();

// The generator's seed: `random_seed` as a 32-bit unsigned number (-1 gives
// 4294967295), or, when it is 0, the calendar time in seconds masked to 0..65535.
uint32_t SeedFromSetting(int32_t random_seed, int64_t now_seconds_since_epoch);

// Seeds the generator from `settings.random_seed` (or the time) and discards two
// draws. Called once per program start, after LoadProgramSettings.
void SeedProgramRandom(int64_t now_seconds_since_epoch);

// Stores "subject" and the 12 integer keys from `settings` into `settings_file`, in
// the file's order of keys, then writes the file. Unknown keys stay in their place.
void StoreProgramSettings();
