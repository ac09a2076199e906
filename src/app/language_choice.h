#pragma once
// The language of the experimenter's texts and the child's stage texts:
// Japanese (the texts as written in the program, and tavelin2_ja.qm for the
// run summary and report) or English (tavelin2_en.qm). The choice is kept in the user's Qt
// settings, apart from Tavelin2.ini, and a command line option overrides it
// for one start.

#include <optional>
#include <string>

enum class UiLanguage { kJapanese, kEnglish };

// "ja" or "en"; nothing for anything else.
std::optional<UiLanguage> ParseUiLanguage(const std::string& code);
const char* UiLanguageCode(UiLanguage language);

// The language kept in the user's settings; Japanese when none is kept.
UiLanguage StoredUiLanguage();
void StoreUiLanguage(UiLanguage language);

// Installs the translator of `language`; false when it cannot be loaded: the
// texts then stay as written (Japanese; the summary and report English).
bool ApplyUiLanguage(UiLanguage language);
UiLanguage CurrentUiLanguage();
