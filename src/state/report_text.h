#pragma once
// The texts of the run summary and the PDF report in the experimenter's
// language (here, below them, so that what a run's files lack is said in it as
// they are read back). They have no Japanese original: they are written in
// English, which tests and the English output read as they stand, and their
// Japanese is in res/translations/tavelin2_ja.ts (context "Report").
//
// A text is marked REPORT_NOOP("Report", "...") rather than with
// QT_TRANSLATE_NOOP, so that lupdate reads it into tavelin2_ja.ts alone (as an
// alias given in src/app/CMakeLists.txt) and never into tavelin2_en.ts, whose
// sources are the Japanese texts.

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

#define REPORT_NOOP(context, text) text

// Installed by the front end with the language; without one the texts stay English.
using ReportTranslator = std::function<std::string(const char* source)>;

// Replaces the lookup; returns the previous one.
ReportTranslator SetReportTranslator(ReportTranslator translator);

// The marked text `source` in the experimenter's language, each %1 to %9 in it
// replaced by the argument of that number (values, paths, keys: never translated).
std::string ReportText(const char* source, std::initializer_list<std::string_view> args = {});

// A share as a whole percentage, "45 %": an argument of the texts, so that a
// translation's % places are only its numbered ones.
std::string PercentText(double share);
