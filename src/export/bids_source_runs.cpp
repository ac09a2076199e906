#include "export/bids_source_runs.h"

#include <algorithm>
#include <filesystem>
#include <regex>
#include <tuple>

#include "export/bids_participants.h"
#include "export/tsv_table.h"
#include "results/regular_file.h"

namespace fs = std::filesystem;

namespace {

// Every sub-<label> folder of the dataset, sorted.
std::vector<std::string> AllParticipants(const fs::path& root) {
  std::vector<std::string> labels;
  std::error_code ec;
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with("sub-") && it->is_directory(ec)) labels.push_back(name.substr(4));
  }
  std::sort(labels.begin(), labels.end());
  return labels;
}

// The participant's own folder and each of its ses-<label> folders.
std::vector<std::string> SessionsOf(const fs::path& subject_dir) {
  std::vector<std::string> sessions = {""};
  std::error_code ec;
  for (fs::directory_iterator it(subject_dir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.starts_with("ses-") && it->is_directory(ec)) sessions.push_back(name.substr(4));
  }
  return sessions;
}

bool AddRunsOfScans(const fs::path& root, const std::string& label, const std::string& session,
                    std::vector<BidsSourceRun>* runs, std::string* error) {
  static const std::regex kRun(R"(_run-(\d+)_)");
  const std::string folder = "sub-" + label + (session.empty() ? "" : "/ses-" + session);
  const std::string prefix = "sub-" + label + (session.empty() ? "" : "_ses-" + session);
  const fs::path scans_path = root / folder / (prefix + "_scans.tsv");
  std::string text;
  const FileRead read = ReadRegularFile(scans_path.string(), &text, error);
  if (read == FileRead::kMissing) return true;
  if (read == FileRead::kFailed) return false;
  std::string why;
  const auto scans = ParseTsv(text, &why);
  const auto file = scans ? scans->Column("filename") : std::nullopt;
  const auto source = scans ? scans->Column("source_file") : std::nullopt;
  if (!file || !source) {
    *error = scans_path.string() + ": not a scans table of this program's export" +
             (scans ? ": no filename or source_file column" : ": " + why);
    return false;
  }
  for (const auto& row : scans->rows) {
    std::smatch m;
    if (!std::regex_search(row[*file], m, kRun)) continue;
    BidsSourceRun run{label, session, folder, std::stoi(m[1]), row[*source], ""};
    const fs::path kept = root / "sourcedata" / folder / run.source_file;
    std::error_code ec;
    if (run.source_file != "n/a" && fs::is_regular_file(kept, ec)) run.trial_path = kept.string();
    runs->push_back(std::move(run));
  }
  return true;
}

}  // namespace

std::optional<std::vector<BidsSourceRun>> FindBidsSourceRuns(const std::string& bids_dir,
                                                             const std::vector<std::string>& labels,
                                                             std::string* error) {
  const fs::path root(bids_dir);
  std::error_code ec;
  if (!fs::is_regular_file(root / "dataset_description.json", ec)) {
    *error = bids_dir + ": not a BIDS dataset (no dataset_description.json)";
    return std::nullopt;
  }
  std::vector<std::string> wanted;
  for (const std::string& given : labels)
    wanted.push_back(given.starts_with("sub-") ? given.substr(4) : given);
  if (wanted.empty()) wanted = AllParticipants(root);
  std::vector<BidsSourceRun> runs;
  for (const std::string& label : wanted) {
    const fs::path subject_dir = root / ("sub-" + label);
    if (!IsBidsLabel(label) || !fs::is_directory(subject_dir, ec)) {
      *error = "participant " + label + " is not in " + bids_dir;
      return std::nullopt;
    }
    for (const std::string& session : SessionsOf(subject_dir)) {
      if (!AddRunsOfScans(root, label, session, &runs, error)) return std::nullopt;
    }
  }
  std::stable_sort(runs.begin(), runs.end(), [](const BidsSourceRun& a, const BidsSourceRun& b) {
    return std::tie(a.participant, a.session, a.run) < std::tie(b.participant, b.session, b.run);
  });
  return runs;
}
