#pragma once
// Settings values the program cannot take as they are written: unreadable as a
// number, or outside the range in which they mean something. The file keeps
// them; these functions say what the program uses instead and what a run with
// them does, so that the experimenter and the run's files tell the truth.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "state/experiment_settings.h"

// What an integer setting means, which decides its meaningful range.
enum class SettingRange {
  kAnyInt,   // random_seed
  kJanken,   // 0, 1, 2
  kOnOff,    // 0, 1
  kSeconds,  // above 0
};

// One entry of the settings file that is not used as written.
struct SettingNote {
  std::string key;
  std::string value;  // as the file holds it
  std::string used;   // what the program uses, and what that does (for the message)
};

// The note for the value `text` of `key`, which the program reads as `used`;
// nothing when `text` is a plain decimal number inside the range.
std::optional<SettingNote> NoteUnusualSetting(const char* key, SettingRange range,
                                              const std::string& text, int32_t used);

// The start-up message naming each entry (key, value, the value used); ""
// when there is none.
std::string UnusualSettingsMessage(const std::vector<SettingNote>& notes);

// The janken mode the trial loop applies to a value: 0 "none", 1 "normal",
// every other value "late".
const char* JankenModeName(int32_t janken);

// What a run with `s` does where a value the setup dialog hands back as it is
// (janken, timelimit) is outside its meaningful range, one sentence each
// ("janken 5: runs as late janken (...), recorded as 5"); empty when every
// value means what it says.
std::vector<std::string> RunConditionNotes(const ExperimentSettings& s);

// The message shown before such a run starts, naming the same values in the
// experimenter's language; "" when there is nothing to say.
std::string RunConditionMessage(const ExperimentSettings& s);
