#include "app/after_run.h"

#include <cstdio>
#include <filesystem>

#include "app/report_command.h"
#include "results/posix_file.h"
#include "results/result_file_names.h"
#include "results/result_file_writer.h"
#include "state/program_state.h"
#include "state/report_text.h"
#include "state/run_file_endings.h"

namespace {

// The folder that holds the whole run: the working directory, else the rescue
// folder the writer moved it to (one folder always takes both files).
std::string FindTrialFile(const std::string& name) {
  std::vector<std::string> folders{CurrentDirectory()};
  for (const std::string& rescue : DefaultRescueDirectories()) folders.push_back(rescue);
  const std::string body_name = RunFilePath(name, run_file::kBody);
  for (const std::string& folder : folders) {
    const std::filesystem::path dir(folder);
    std::error_code ec;
    if (std::filesystem::is_regular_file(dir / name, ec) &&
        std::filesystem::is_regular_file(dir / body_name, ec)) {
      return (dir / name).string();
    }
  }
  return {};
}

}  // namespace

RunSummary AfterRun() {
  const std::string name = TrialFileName(settings.subject, run_start_time);
  const std::string trial_path = FindTrialFile(name);
  RunSummary summary;
  std::string error;
  if (trial_path.empty()) {
    summary = UnreadableRunSummary(ReportText(
        REPORT_NOOP("Report", "%1 was found neither in the working directory nor in a rescue folder"),
        {name}));
  } else if (const auto set = ReadResultFiles(trial_path, &error); !set) {
    summary = UnreadableRunSummary(error);
  } else {
    std::string report_path, report_error;
    if (!WriteRunReport(*set, &report_path, &report_error)) report_path.clear();
    summary = SummarizeLastRun(*set, report_path, report_error);
  }
  std::fputs(SummaryText(summary).c_str(), stdout);
  std::fflush(stdout);
  return summary;
}
