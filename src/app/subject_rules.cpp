#include "app/subject_rules.h"

#include <cstdio>

#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

// %1 is the reason, one of the sentences below.
constexpr const char* kRefusal = QT_TRANSLATE_NOOP(
    "Message", "被験者IDに使えない入力です。\n%1\n被験者IDの欄を直してから、もう一度 OK を押してください。");

std::string CodePoint(char32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

// Why the character at `position` (from 1) is refused, or empty when it is allowed.
std::string ForbiddenCharacter(char32_t c, size_t position) {
  const std::string at = std::to_string(position);
  switch (c) {
    case U',':
      return MessageText(QT_TRANSLATE_NOOP("Message",
                                           "被験者IDの %1 文字目にカンマ（,）があります。"
                                           "カンマは試行ファイルの列を区切ってしまいます。"),
                         {at});
    case U'"':
      return MessageText(QT_TRANSLATE_NOOP("Message",
                                           "被験者IDの %1 文字目に二重引用符（\"）があります。"
                                           "試行ファイルにはそのまま書けません。"),
                         {at});
    case U'=':
      return MessageText(QT_TRANSLATE_NOOP("Message",
                                           "被験者IDの %1 文字目に等号（=）があります。"
                                           "設定ファイルから読み戻せなくなります。"),
                         {at});
    default:
      break;
  }
  if (QChar::category(c) == QChar::Other_Control)
    return MessageText(
        QT_TRANSLATE_NOOP("Message", "被験者IDの %1 文字目に制御文字（%2）があります。"),
        {at, CodePoint(c)});
  return {};
}

std::string Refusal(const std::string& why) {
  return MessageText(kRefusal, {why});
}

}  // namespace

std::string SubjectRefusal(const QString& subject, size_t utf8_bytes) {
  if (subject.isEmpty())
    return Refusal(MessageText(QT_TRANSLATE_NOOP("Message", "被験者IDが空です。")));
  const std::u32string chars = subject.toStdU32String();
  for (size_t i = 0; i < chars.size(); ++i) {
    const std::string why = ForbiddenCharacter(chars[i], i + 1);
    if (!why.empty()) return Refusal(why);
  }
  if (QChar::isSpace(chars.front()))
    return Refusal(MessageText(
        QT_TRANSLATE_NOOP("Message", "被験者IDの先頭に空白（%1）があります。"),
        {CodePoint(chars.front())}));
  if (QChar::isSpace(chars.back()))
    return Refusal(MessageText(
        QT_TRANSLATE_NOOP("Message", "被験者IDの末尾に空白（%1）があります。"),
        {CodePoint(chars.back())}));
  if (utf8_bytes > kSubjectMaxBytes)
    return Refusal(MessageText(QT_TRANSLATE_NOOP("Message",
                                                 "被験者IDが %1 バイトあります。"
                                                 "設定ファイルに保存できるのは %2 バイトまでです。"),
                               {std::to_string(utf8_bytes), std::to_string(kSubjectMaxBytes)}));
  return {};
}
