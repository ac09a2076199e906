#include "app/language_choice.h"

#include <QCoreApplication>
#include <QSettings>
#include <QTranslator>
#include <memory>

#include "state/message_box.h"
#include "state/report_text.h"
#include "trial/stage_frame.h"

namespace {

constexpr const char* kLanguageKey = "language";
// English for the Japanese texts; Japanese for the summary's and report's
// English ones (state/report_text.h).
constexpr const char* kEnglishTranslations = ":/i18n/tavelin2_en.qm";
constexpr const char* kJapaneseTranslations = ":/i18n/tavelin2_ja.qm";

// The user's own settings of this program, not the lab's Tavelin2.ini.
QSettings UserSettings() {
  return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Tavelin2"),
                   QStringLiteral("tavelin2"));
}

std::unique_ptr<QTranslator>& InstalledTranslator() {
  static std::unique_ptr<QTranslator> translator;
  return translator;
}

UiLanguage current_language = UiLanguage::kJapanese;

}  // namespace

std::optional<UiLanguage> ParseUiLanguage(const std::string& code) {
  if (code == "ja") return UiLanguage::kJapanese;
  if (code == "en") return UiLanguage::kEnglish;
  return std::nullopt;
}

const char* UiLanguageCode(UiLanguage language) {
  return language == UiLanguage::kEnglish ? "en" : "ja";
}

UiLanguage StoredUiLanguage() {
  const QString code = UserSettings().value(kLanguageKey).toString();
  return ParseUiLanguage(code.toStdString()).value_or(UiLanguage::kJapanese);
}

void StoreUiLanguage(UiLanguage language) {
  QSettings settings = UserSettings();
  settings.setValue(kLanguageKey, QString::fromLatin1(UiLanguageCode(language)));
  settings.sync();
}

bool ApplyUiLanguage(UiLanguage language) {
  std::unique_ptr<QTranslator>& installed = InstalledTranslator();
  if (installed) {
    QCoreApplication::removeTranslator(installed.get());
    installed.reset();
  }
  auto translator = std::make_unique<QTranslator>();
  const bool english = language == UiLanguage::kEnglish;
  const bool loaded =
      translator->load(QString::fromLatin1(english ? kEnglishTranslations : kJapaneseTranslations));
  if (loaded) {
    QCoreApplication::installTranslator(translator.get());
    installed = std::move(translator);
  }
  current_language = english && loaded ? language : UiLanguage::kJapanese;
  // The trial loop knows no Qt: it is handed the child's texts ready to use.
  const auto stage = [](const char* text) {
    return QCoreApplication::translate("Stage", text).toStdString();
  };
  CurrentStageTexts() = {stage(kStartPrompt), stage(kStatusFormat), stage(kScoreFormat)};
  // Nor do the layers that compose messages.
  SetMessageTranslator([](const char* source) {
    return QCoreApplication::translate("Message", source).toStdString();
  });
  SetReportTranslator([](const char* source) {
    return QCoreApplication::translate("Report", source).toStdString();
  });
  return loaded;
}

UiLanguage CurrentUiLanguage() {
  return current_language;
}
