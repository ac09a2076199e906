#include "state/setting_checks.h"

#include <cerrno>
#include <cstdlib>

#include "state/translate_noop.h"

namespace {

// Why the text is not one decimal number in the 32-bit range; "" when it is.
std::string NotPlainInt(const std::string& text) {
  if (text.empty()) return "empty";
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || end == text.c_str()) return "not a whole number";
  if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return "beyond the 32-bit range";
  return {};
}

// What a run does with `v` where it is outside the meaningful range; "" inside.
std::string OutOfRangeEffect(SettingRange range, int32_t v) {
  const std::string recorded = ", recorded as " + std::to_string(v);
  switch (range) {
    case SettingRange::kJanken:
      return v >= 0 && v <= 2 ? "" : "runs as late janken (後出しじゃんけん)" + recorded;
    case SettingRange::kOnOff:
      return v == 0 || v == 1 ? "" : "the setup dialog shows it clear, and the run uses 0";
    case SettingRange::kSeconds:
      return v > 0 ? "" : "the run ends at the first pop after the start balloon" + recorded;
    case SettingRange::kAnyInt:
      return {};
  }
  return {};
}

}  // namespace

std::optional<SettingNote> NoteUnusualSetting(const char* key, SettingRange range,
                                              const std::string& text, int32_t used) {
  const std::string unreadable = NotPlainInt(text);
  const std::string effect = OutOfRangeEffect(range, used);
  if (unreadable.empty() && effect.empty()) return std::nullopt;
  std::string what = std::to_string(used) + " is used";
  if (!unreadable.empty()) what = unreadable + "; " + what;
  if (!effect.empty()) what += ": " + effect;
  return SettingNote{key, text, what};
}

std::string UnusualSettingsMessage(const std::vector<SettingNote>& notes) {
  if (notes.empty()) return {};
  std::string text =
      QT_TRANSLATE_NOOP("Message", "設定ファイルに使えない値があります。") "\nSome values in Tavelin2.ini are not used as written:\n\n";
  for (const SettingNote& n : notes) text += "  " + n.key + " = " + n.value + ": " + n.used + "\n";
  return text + "\nCorrect them in the setup dialog or in the file.";
}

const char* JankenModeName(int32_t janken) {
  return janken == 0 ? "none" : janken == 1 ? "normal" : "late";
}

std::vector<std::string> RunConditionNotes(const ExperimentSettings& s) {
  std::vector<std::string> notes;
  const auto add = [&notes](const char* key, SettingRange range, int32_t v) {
    const std::string effect = OutOfRangeEffect(range, v);
    if (!effect.empty()) notes.push_back(std::string(key) + " " + std::to_string(v) + ": " + effect);
  };
  add("janken", SettingRange::kJanken, s.janken);
  add("timelimit", SettingRange::kSeconds, s.timelimit);
  return notes;
}

std::string RunConditionMessage(const std::vector<std::string>& notes) {
  if (notes.empty()) return {};
  std::string text = QT_TRANSLATE_NOOP(
      "Message",
      "この実験は設定どおりには行われません。") "\nThis run does not do what its settings say:\n\n";
  for (const std::string& n : notes) text += "  " + n + "\n";
  return text +
         "\nThe trial file and the run record keep the values as set; the summary and the "
         "report say what the run did.";
}
