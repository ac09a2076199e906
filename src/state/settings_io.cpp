#include "state/settings_io.h"

#include <array>

#include "state/program_state.h"
#include "state/random.h"

namespace {

struct IntKey {
  const char* key;
  int32_t ExperimentSettings::*field;
};

// The integer keys in the order in which they are read and stored.
constexpr std::array<IntKey, 12> kIntKeys = {{
    {"random_seed", &ExperimentSettings::random_seed},
    {"janken", &ExperimentSettings::janken},
    {"mirror", &ExperimentSettings::mirror},
    {"timelimit", &ExperimentSettings::timelimit},
    {"flag_head", &ExperimentSettings::flag_head},
    {"flag_shoulder", &ExperimentSettings::flag_shoulder},
    {"flag_elbow", &ExperimentSettings::flag_elbow},
    {"flag_hip", &ExperimentSettings::flag_hip},
    {"flag_knee", &ExperimentSettings::flag_knee},
    {"flag_foot", &ExperimentSettings::flag_foot},
    {"flag_mouse", &ExperimentSettings::flag_mouse},
    {"flag_single", &ExperimentSettings::flag_single},
}};

constexpr const char* kSettingsBaseName = "Tavelin2";

}  // namespace

void LoadProgramSettings() {
  settings_file.Load(kSettingsBaseName);
  settings_file.GetString("subject", settings.subject);
  for (const IntKey& k : kIntKeys) settings_file.GetInt(k.key, settings.*k.field);
}

uint32_t SeedFromSetting(int32_t random_seed, int64_t now_seconds_since_epoch) {
  if (random_seed != 0) return static_cast<uint32_t>(random_seed);
  return static_cast<uint32_t>(static_cast<uint64_t>(now_seconds_since_epoch) & 0xFFFFu);
}

void SeedProgramRandom(int64_t now_seconds_since_epoch) {
  SeedRandom(SeedFromSetting(settings.random_seed, now_seconds_since_epoch));
  NextRandom();
  NextRandom();
}

void StoreProgramSettings() {
  settings_file.SetString("subject", settings.subject);
  for (const IntKey& k : kIntKeys) settings_file.SetInt(k.key, settings.*k.field);
  settings_file.Save();
}
