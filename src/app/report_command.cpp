#include "app/report_command.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "app/command_line.h"
#include "app/language_choice.h"
#include "app/report_pdf.h"
#include "report/report_model.h"
#include "results/result_file_reader.h"
#include "state/run_file_endings.h"

bool WriteRunReport(const ResultFileSet& set, std::string* report_path, std::string* error) {
  *report_path = ReportPathFor(set.trial_path);
  return WriteReportPdf(BuildReportModel(set), *report_path, error);
}

int RunReportCommand(const std::vector<std::string>& words) {
  // --language=en|ja before the files, else the language kept for the user.
  std::optional<UiLanguage> language;
  auto first_file = words.begin();
  for (; first_file != words.end() && first_file->rfind("--language=", 0) == 0; ++first_file) {
    const std::string code = first_file->substr(std::string("--language=").size());
    language = ParseUiLanguage(code);
    if (!language) {
      std::fprintf(stderr, "tavelin2: %s\n", BadLanguageError(code).c_str());
      return 2;
    }
  }
  const std::vector<std::string> args(first_file, words.end());
  if (args.empty()) {
    std::fputs("tavelin2: --report needs a trial file (X.csv, with its X_B.csv beside it)\n",
               stderr);
    return 2;
  }
  std::unique_ptr<QApplication> application;
  if (QCoreApplication::instance() == nullptr) {
    // Charts need a GUI application, but this mode opens no window.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tavelin2";
    static char* argv[] = {name, nullptr};
    application = std::make_unique<QApplication>(argc, argv);
  }
  const UiLanguage chosen = language.value_or(StoredUiLanguage());
  if (!ApplyUiLanguage(chosen))
    std::fprintf(stderr, "tavelin2: the report's %s texts could not be loaded\n",
                 UiLanguageCode(chosen));
  int status = 0;
  for (const std::string& path : args) {
    // Any file of a run (X.csv, X_B.csv, X_T.csv, X_run.json) names it.
    std::string report_path, error;
    const std::optional<ResultFileSet> set = ReadResultFiles(TrialFileFor(path), &error);
    if (set && WriteRunReport(*set, &report_path, &error)) {
      std::printf("%s\n", report_path.c_str());
    } else {
      std::fprintf(stderr, "tavelin2: no report for %s: %s\n", path.c_str(), error.c_str());
      status = 1;
    }
  }
  std::fflush(stdout);
  return status;
}
