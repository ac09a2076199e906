#include "app/subject_rules.h"

#include <cstdio>

#include "state/message_box.h"
#include "state/translate_noop.h"

namespace {

constexpr const char* kHeading = QT_TRANSLATE_NOOP("Message", "被験者IDに使えない入力です。");

std::string CodePoint(char32_t c) {
  char text[16];
  std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(c));
  return text;
}

// The character as the message names it, or empty when it is allowed.
std::string ForbiddenCharacter(char32_t c) {
  switch (c) {
    case U',':
      return "a comma (,), which would split the rows of the trial file";
    case U'"':
      return "a double quote (\"), which the trial file cannot hold unquoted";
    case U'=':
      return "an equals sign (=), which the settings file cannot read back";
    default:
      break;
  }
  if (QChar::category(c) == QChar::Other_Control)
    return "a control character (" + CodePoint(c) + ")";
  return {};
}

std::string Refusal(const std::string& why) {
  return MessageText(kHeading) + "\nThe Subject ID " + why +
         ".\nCorrect the Subject ID field and press OK again.";
}

}  // namespace

std::string SubjectRefusal(const QString& subject, size_t utf8_bytes) {
  if (subject.isEmpty()) return Refusal("is empty");
  const std::u32string chars = subject.toStdU32String();
  for (size_t i = 0; i < chars.size(); ++i) {
    const std::string what = ForbiddenCharacter(chars[i]);
    if (!what.empty()) return Refusal("holds " + what + " at character " + std::to_string(i + 1));
  }
  if (QChar::isSpace(chars.front()))
    return Refusal("begins with a blank (" + CodePoint(chars.front()) + ")");
  if (QChar::isSpace(chars.back()))
    return Refusal("ends with a blank (" + CodePoint(chars.back()) + ")");
  if (utf8_bytes > kSubjectMaxBytes)
    return Refusal("is " + std::to_string(utf8_bytes) + " bytes long; the settings file holds " +
                   std::to_string(kSubjectMaxBytes));
  return {};
}
