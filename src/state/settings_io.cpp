#include "state/settings_io.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <vector>

#include "platform/file_access.h"
#include "state/message_box.h"
#include "state/program_state.h"
#include "state/random.h"
#include "state/setting_checks.h"
#include "state/translate_noop.h"

namespace {

struct IntKey {
  const char* key;
  int32_t ExperimentSettings::*field;
  SettingRange range;
};

// The integer keys in the order in which they are read and stored.
constexpr std::array<IntKey, 12> kIntKeys = {{
    {"random_seed", &ExperimentSettings::random_seed, SettingRange::kAnyInt},
    {"janken", &ExperimentSettings::janken, SettingRange::kJanken},
    {"mirror", &ExperimentSettings::mirror, SettingRange::kOnOff},
    {"timelimit", &ExperimentSettings::timelimit, SettingRange::kSeconds},
    {"flag_head", &ExperimentSettings::flag_head, SettingRange::kOnOff},
    {"flag_shoulder", &ExperimentSettings::flag_shoulder, SettingRange::kOnOff},
    {"flag_elbow", &ExperimentSettings::flag_elbow, SettingRange::kOnOff},
    {"flag_hip", &ExperimentSettings::flag_hip, SettingRange::kOnOff},
    {"flag_knee", &ExperimentSettings::flag_knee, SettingRange::kOnOff},
    {"flag_foot", &ExperimentSettings::flag_foot, SettingRange::kOnOff},
    {"flag_mouse", &ExperimentSettings::flag_mouse, SettingRange::kOnOff},
    {"flag_single", &ExperimentSettings::flag_single, SettingRange::kOnOff},
}};

constexpr const char* kSettingsBaseName = "Tavelin2";

void CopySettingsToFile() {
  settings_file.SetString("subject", settings.subject);
  for (const IntKey& k : kIntKeys) settings_file.SetInt(k.key, settings.*k.field);
}

bool SaveAndReport() {
  if (settings_file.path.empty()) return false;  // never loaded: no file of ours to write
  if (settings_file.Save()) return true;
  std::fprintf(stderr, "tavelin2: the settings could not be written to %s\n",
               SettingsFilePath().c_str());
  return false;
}

}  // namespace

std::string SettingsFilePath() {
  std::vector<char> buffer(4096);
  const std::string name =
      settings_file.path.empty() ? std::string(kSettingsBaseName) + ".ini" : settings_file.path;
  if (::getcwd(buffer.data(), buffer.size()) == nullptr) return name;
  std::string dir(buffer.data());
  return dir.ends_with('/') ? dir + name : dir + "/" + name;
}

std::string UnreadableSettingsMessage(const std::string& path, const std::string& reason) {
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "設定ファイルを読み込めませんでした（%1）。既定の設定を使います。\n%2\n\n"
                                       "このファイルは、終了時に上書きを承諾したときだけ置き換えます。"),
                     {reason, path});
}

std::string ReplaceUnreadableSettingsQuestion(const std::string& path) {
  return MessageText(
      QT_TRANSLATE_NOOP("Message",
                        "起動時に読み込めなかった設定ファイルを、現在の設定で上書きしますか？\n%1"),
      {path});
}

void LoadProgramSettings() {
  settings_file.Load(kSettingsBaseName);
  if (!settings_file.load_error.empty()) {
    AfxMessageBox(UnreadableSettingsMessage(SettingsFilePath(), settings_file.load_error),
                  MB_ICONHAND);
    return;
  }
  settings_file.GetString("subject", settings.subject);
  std::vector<SettingNote> notes;
  for (const IntKey& k : kIntKeys) {
    std::string text;
    if (!settings_file.GetString(k.key, text)) continue;
    settings_file.GetInt(k.key, settings.*k.field);
    if (auto note = NoteUnusualSetting(k.key, k.range, text, settings.*k.field)) notes.push_back(*note);
  }
  if (!notes.empty()) AfxMessageBox(UnusualSettingsMessage(notes), MB_ICONEXCLAMATION);
  std::string group;
  settings_file.GetString(kShareGroupKey, group);
  if (const std::string why = SetShareGroup(group); !why.empty()) {
    AfxMessageBox(ShareGroupRefusedMessage(group, why), MB_ICONHAND);
  }
}

std::string ShareGroupRefusedMessage(const std::string& group, const std::string& why) {
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "データファイルをグループ「%1」と共有できません（%2）。"
                                       "本人だけが読めるように保存します。"),
                     {group, why});
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

void StoreProgramSettings(bool may_ask) {
  CopySettingsToFile();
  if (!settings_file.load_error.empty()) {
    if (!may_ask || !AskYesNo(ReplaceUnreadableSettingsQuestion(SettingsFilePath()))) return;
  }
  if (SaveAndReport()) settings_file.load_error.clear();
}

bool SaveConfirmedSettings() {
  CopySettingsToFile();
  if (!settings_file.load_error.empty()) return false;
  return SaveAndReport();
}
