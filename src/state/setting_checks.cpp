#include "state/setting_checks.h"

#include <cerrno>
#include <cstdlib>

#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

// Why the text is not one decimal number in the 32-bit range, as a marked
// message text; nullptr when it is one.
const char* NotPlainInt(const std::string& text) {
  if (text.empty()) return QT_TRANSLATE_NOOP("Message", "空です");
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(text.c_str(), &end, 10);
  if (*end != '\0' || end == text.c_str())
    return QT_TRANSLATE_NOOP("Message", "整数ではありません");
  if (errno == ERANGE || v < INT32_MIN || v > INT32_MAX)
    return QT_TRANSLATE_NOOP("Message", "32ビットの範囲を超えています");
  return nullptr;
}

// What a run does with `v` where it is outside the meaningful range, in the
// run record's words and as a marked message text (%1 the value); nothing inside.
struct RangeEffect {
  std::string record;
  const char* message;
};
std::optional<RangeEffect> OutOfRangeEffect(SettingRange range, int32_t v) {
  const std::string recorded = ", recorded as " + std::to_string(v);
  switch (range) {
    case SettingRange::kJanken:
      if (v >= 0 && v <= 2) return std::nullopt;
      return RangeEffect{"runs as late janken (後出しじゃんけん)" + recorded,
                         QT_TRANSLATE_NOOP("Message", "後出しじゃんけんとして行い、%1 と記録します")};
    case SettingRange::kOnOff:
      if (v == 0 || v == 1) return std::nullopt;
      return RangeEffect{
          "the setup dialog shows it clear, and the run uses 0",
          QT_TRANSLATE_NOOP("Message", "設定ダイアログではオフと表示し、実験では 0 を使います")};
    case SettingRange::kSeconds:
      if (v > 0) return std::nullopt;
      return RangeEffect{"the run ends at the first pop after the start balloon" + recorded,
                         QT_TRANSLATE_NOOP("Message",
                                           "開始の風船の後、最初に風船を割ったところで終わります。%1 "
                                           "と記録します")};
    case SettingRange::kAnyInt:
      return std::nullopt;
  }
  return std::nullopt;
}

std::string EffectMessage(const RangeEffect& effect, int32_t v) {
  return MessageText(effect.message, {std::to_string(v)});
}

}  // namespace

std::optional<SettingNote> NoteUnusualSetting(const char* key, SettingRange range,
                                              const std::string& text, int32_t used) {
  const char* unreadable = NotPlainInt(text);
  const std::optional<RangeEffect> effect = OutOfRangeEffect(range, used);
  if (unreadable == nullptr && !effect) return std::nullopt;
  const std::string value = std::to_string(used);
  std::string what = unreadable == nullptr
                         ? MessageText(QT_TRANSLATE_NOOP("Message", "%1 を使います"), {value})
                         : MessageText(QT_TRANSLATE_NOOP("Message", "%1。%2 を使います"),
                                       {MessageText(unreadable), value});
  if (effect) what += ": " + EffectMessage(*effect, used);
  return SettingNote{key, text, what};
}

std::string UnusualSettingsMessage(const std::vector<SettingNote>& notes) {
  if (notes.empty()) return {};
  std::string list;
  for (const SettingNote& n : notes) list += "  " + n.key + " = " + n.value + ": " + n.used + "\n";
  return MessageText(QT_TRANSLATE_NOOP("Message",
                                       "設定ファイル Tavelin2.ini に、書かれたとおりには使えない値があります。\n\n"
                                       "%1\n設定ダイアログかファイルで直してください。"),
                     {list});
}

const char* JankenModeName(int32_t janken) {
  return janken == 0 ? "none" : janken == 1 ? "normal" : "late";
}

namespace {

// The settings a run may not follow as written.
struct RunConditionSetting {
  const char* key;
  SettingRange range;
  int32_t ExperimentSettings::*value;
};
constexpr RunConditionSetting kRunConditionSettings[] = {
    {"janken", SettingRange::kJanken, &ExperimentSettings::janken},
    {"timelimit", SettingRange::kSeconds, &ExperimentSettings::timelimit},
};

// Each such setting of `s` that the run does not follow: "key value", its effect.
template <typename Each>
void ForEachUnfollowedSetting(const ExperimentSettings& s, Each each) {
  for (const RunConditionSetting& c : kRunConditionSettings) {
    const int32_t v = s.*c.value;
    if (const auto effect = OutOfRangeEffect(c.range, v))
      each(std::string(c.key) + " " + std::to_string(v), *effect, v);
  }
}

}  // namespace

std::vector<std::string> RunConditionNotes(const ExperimentSettings& s) {
  std::vector<std::string> notes;
  ForEachUnfollowedSetting(s, [&](const std::string& setting, const RangeEffect& effect, int32_t) {
    notes.push_back(setting + ": " + effect.record);
  });
  return notes;
}

std::string RunConditionMessage(const ExperimentSettings& s) {
  std::string list;
  ForEachUnfollowedSetting(s, [&](const std::string& setting, const RangeEffect& effect, int32_t v) {
    list += "  " + setting + ": " + EffectMessage(effect, v) + "\n";
  });
  if (list.empty()) return {};
  return MessageText(
      QT_TRANSLATE_NOOP("Message",
                        "この実験は設定どおりには行われません。\n\n%1\n"
                        "試行ファイルと実行記録には設定どおりの値が残ります。実際に行った内容はサマリーと"
                        "レポートに示します。"),
      {list});
}
