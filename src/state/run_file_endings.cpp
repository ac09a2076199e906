#include "state/run_file_endings.h"

#include <algorithm>
#include <optional>

#include "state/path_names.h"

namespace {

constexpr std::string_view kRunRecordStart = "_run";
constexpr std::string_view kRunRecordEnd = ".json";
// "_YYYYMMDD_hhmmss" at the end of every stem.
constexpr std::string_view kTimePattern = "_########_######";

bool EndsInTime(std::string_view stem) {
  if (stem.size() < kTimePattern.size()) return false;
  const std::string_view tail = stem.substr(stem.size() - kTimePattern.size());
  for (size_t i = 0; i < tail.size(); ++i) {
    const bool digit = tail[i] >= '0' && tail[i] <= '9';
    if (kTimePattern[i] == '#' ? !digit : tail[i] != kTimePattern[i]) return false;
  }
  return true;
}

// The stem of `name` when it ends in `ending` after a stem ending in the time.
std::optional<std::string_view> StemBefore(std::string_view name, std::string_view ending) {
  if (!name.ends_with(ending)) return std::nullopt;
  name.remove_suffix(ending.size());
  if (!EndsInTime(name)) return std::nullopt;
  return name;
}

// The stem of a run record's name ("X_run.json", "X_run-N.json").
std::optional<std::string_view> RunRecordStem(std::string_view name) {
  if (!name.ends_with(kRunRecordEnd)) return std::nullopt;
  name.remove_suffix(kRunRecordEnd.size());
  const size_t digits = name.find_last_not_of("0123456789");
  if (digits != std::string_view::npos && digits + 1 < name.size() && name[digits] == '-')
    name = name.substr(0, digits);
  return StemBefore(name, kRunRecordStart);
}

}  // namespace

std::string RunRecordEnding(int copy) {
  std::string ending(kRunRecordStart);
  if (copy > 1) ending += "-" + std::to_string(copy);
  return ending + std::string(kRunRecordEnd);
}

std::string RunStem(std::string_view trial_path) {
  if (trial_path.ends_with(run_file::kTrial)) trial_path.remove_suffix(run_file::kTrial.size());
  return std::string(trial_path);
}

std::string RunFilePath(std::string_view trial_path, std::string_view ending) {
  return RunStem(trial_path) + std::string(ending);
}

std::string TrialFileFor(const std::string& path) {
  std::optional<std::string_view> stem = RunRecordStem(path);
  for (std::string_view ending :
       {run_file::kBody, run_file::kTiming, run_file::kVideoTable, run_file::kVideo}) {
    if (!stem) stem = StemBefore(path, ending);
  }
  return stem ? std::string(*stem) + std::string(run_file::kTrial) : path;
}

std::vector<std::string> TrialFilesFor(const std::vector<std::string>& paths) {
  std::vector<std::string> trial_files;
  for (const std::string& path : paths) {
    const std::string trial = TrialFileFor(path);
    if (std::find(trial_files.begin(), trial_files.end(), trial) == trial_files.end())
      trial_files.push_back(trial);
  }
  return trial_files;
}

bool ParseResultFileName(const std::string& path, std::string* subject, LocalDateTime* start) {
  const std::string name = BaseName(path);
  std::optional<std::string_view> stem;
  for (std::string_view ending : {run_file::kTrial, run_file::kBody, run_file::kTiming}) {
    if (!stem) stem = StemBefore(name, ending);
  }
  if (!stem) return false;
  const std::string_view time = stem->substr(stem->size() - kTimePattern.size());
  const auto number = [&](size_t at, size_t digits) {
    return std::stoi(std::string(time.substr(at, digits)));
  };
  *subject = std::string(stem->substr(0, stem->size() - kTimePattern.size()));
  *start = LocalDateTime{number(1, 4), number(5, 2), number(7, 2), number(10, 2),
                         number(12, 2), number(14, 2), 0};
  return true;
}
