#pragma once
// What the Subject ID field may hold: the subject is the first field of every
// trial row, the start of both result file names and a line of the settings
// file, so the setup dialog refuses what those cannot carry: an empty ID, a
// comma, a double quote, an equals sign, a control character, a blank at
// either end, or more than the settings line holds. Everything else is kept
// exactly as typed.

#include <QString>
#include <string>

#include "state/settings_file.h"

// The settings file reads a line in pieces of at most 1023 characters and
// writes a long entry without the blanks around "="; after "subject=" this
// much of the value fits into one piece.
inline constexpr size_t kSubjectMaxBytes = kMaxSettingsLineChars - (sizeof("subject=") - 1);

// Empty when `subject` may be used; else the message for the experimenter,
// naming the field and the character. `utf8_bytes` is what would be saved.
std::string SubjectRefusal(const QString& subject, size_t utf8_bytes);
