#include "state/report_text.h"

#include <cstdio>
#include <utility>

#include "state/text_arguments.h"

namespace {
ReportTranslator& Translator() {
  static ReportTranslator translator;
  return translator;
}
}  // namespace

ReportTranslator SetReportTranslator(ReportTranslator translator) {
  return std::exchange(Translator(), std::move(translator));
}

std::string PercentText(double share) {
  char text[16];
  std::snprintf(text, sizeof text, "%.0f %%", share * 100);
  return text;
}

std::string ReportText(const char* source, std::initializer_list<std::string_view> args) {
  return FillArguments(Translator() ? Translator()(source) : std::string(source), args);
}
