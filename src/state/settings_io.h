#pragma once
// Start-up and shut-down handling of the program's settings, kept free of Qt so
// that it can be tested on its own: the settings file into `settings`, the seed
// of the random generator, and `settings` back into the file.

#include <cstdint>
#include <string>

// The key naming the group the run's files are shared with (file_access.h).
inline constexpr const char* kShareGroupKey = "share_group";

// Loads "Tavelin2.ini" from the working directory into `settings_file`, then reads
// "subject" and the 12 integer keys into `settings`, and "share_group" into the
// access of the run's files (a group that cannot be used is reported). A key the file does not hold
// leaves its field as it was; a missing file leaves every field alone. A file
// that is there but cannot be read is reported in a message box (which file,
// why); every field keeps its default, and the file is protected (below).
void LoadProgramSettings();

// The generator's seed: `random_seed` as a 32-bit unsigned number (-1 gives
// 4294967295), or, when it is 0, the calendar time in seconds masked to 0..65535.
uint32_t SeedFromSetting(int32_t random_seed, int64_t now_seconds_since_epoch);

// Seeds the generator from `settings.random_seed` (or the time) and discards two
// draws. Called once per program start, after LoadProgramSettings.
void SeedProgramRandom(int64_t now_seconds_since_epoch);

// Stores "subject" and the 12 integer keys from `settings` into `settings_file`, in
// the file's order of keys, then writes the file. Unknown keys stay in their place.
// A file that could not be read at start-up is replaced only when the
// experimenter says Yes to the question; with `may_ask` false (no one there to
// answer, as at a shutdown by signal) it is left as it is.
void StoreProgramSettings(bool may_ask = true);

// The values just confirmed in the setup dialog, on disk before the run starts
// (the same atomic write), so that a crash mid-run cannot cost the next child the
// condition. A protected file is not written here. True when the file was written.
bool SaveConfirmedSettings();

// The full path of the settings file and the messages about an unreadable one.
std::string SettingsFilePath();
std::string UnreadableSettingsMessage(const std::string& path, const std::string& reason);
std::string ReplaceUnreadableSettingsQuestion(const std::string& path);
std::string ShareGroupRefusedMessage(const std::string& group, const std::string& why);
