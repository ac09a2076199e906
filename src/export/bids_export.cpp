#include "export/bids_export.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <tuple>

#include "export/bids_dataset.h"
#include "export/bids_events.h"
#include "export/bids_participants.h"
#include "export/bids_run_files.h"
#include "export/tsv_table.h"
#include "results/result_file_reader.h"
#include "results/text_encoding.h"
#include "state/run_file_endings.h"

#ifndef TAVELIN2_VERSION
#define TAVELIN2_VERSION "unknown"
#endif

namespace {

constexpr const char* kTask = "balloons";

struct PendingRun {
  const ResultFileSet* set;
  size_t index_in_file;  // 0-based
  const ResultRun* run;
  std::string subject_utf8;
};

std::string BaseName(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string AcqTime(const LocalDateTime& t) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day,
                t.hour, t.minute, t.second);
  return buffer;
}

std::string DatasetDescription() {
  nlohmann::ordered_json j;
  j["Name"] = "Tavelin2 balloon task: body movement of children";
  j["BIDSVersion"] = "1.9.0";
  j["DatasetType"] = "raw";
  j["GeneratedBy"] = {{{"Name", "Tavelin2"},
                       {"Version", TAVELIN2_VERSION},
                       {"Description", "tavelin2 --export-bids"}}};
  return j.dump(2) + "\n";
}

std::string DatasetReadme() {
  return "Body movement of children in the Tavelin2 balloon task, exported with "
         "`tavelin2 --export-bids`.\n\n"
         "Each run has a motion table (one row per camera frame in which the participant's body "
         "was sampled) with the joints of the participant in pixels of the 960 x 540 camera "
         "picture as shown on the screen (+y downward), the balloon position and the hand "
         "shapes; an events table with the balloons and pops; and the channel descriptions. "
         "participants.tsv maps every participant label to the subject ID typed in the program.\n";
}

std::string ScansJson() {
  nlohmann::ordered_json j;
  j["acq_time"] = {
      {"Description", "Local date and time at which the run started (to the second)."}};
  j["source_file"] = {
      {"Description", "The trial file of the experiment program the run comes from."}};
  j["source_run"] = {{"Description",
                      "Which run of that file (two runs that start in the same "
                      "second share their files), from 1."}};
  return j.dump(2) + "\n";
}

std::string SanitizedLabel(const std::string& text) {
  std::string label;
  for (char c : text) {
    if (IsBidsLabel(std::string_view(&c, 1))) label += c;
  }
  return label.empty() ? "unknown" : label;
}

// A run recorded with its session video keeps its result files and the video
// under sourcedata/, named as the scans table's source_file, so that it can be
// analysed again from the dataset alone.
void StageSourceFiles(BidsDataset& dataset, const ResultFileSet& set, const std::string& dir,
                      const std::string& source_file) {
  const std::string& trial = set.trial_path;
  // Runs appended in the same second share a file but not a video.
  if (set.runs.size() != 1 || !trial.ends_with(run_file::kTrial) ||
      !source_file.ends_with(run_file::kTrial))
    return;
  const std::string stem = RunStem(trial);
  const std::string video = RunFilePath(trial, run_file::kVideo),
                    table = RunFilePath(trial, run_file::kVideoTable);
  if (::access(video.c_str(), R_OK) != 0 || ::access(table.c_str(), R_OK) != 0) return;
  const std::string copy_stem =
      "sourcedata/" + dir + "/" + RunStem(source_file);
  for (const std::string& path :
       {trial, set.body_path, set.timing_path, set.run_record_path, video, table}) {
    if (!path.empty() && path.starts_with(stem))
      dataset.StageCopy(copy_stem + path.substr(stem.size()), path);
  }
}

// The run index that this source run has in the scans table, or the next free one.
int RunIndexFor(const BidsDataset& dataset, const std::string& motion_dir, const TsvTable& scans,
                const std::string& source_file, const std::string& source_run) {
  static const std::regex kRun(R"(_task-balloons_(?:.*_)?run-(\d+)_)");
  const auto file = scans.Column("filename");
  const auto src = scans.Column("source_file");
  const auto src_run = scans.Column("source_run");
  std::smatch m;
  if (file && src && src_run) {
    for (const auto& row : scans.rows) {
      if (row[*src] == source_file && row[*src_run] == source_run &&
          std::regex_search(row[*file], m, kRun)) {
        return std::stoi(m[1]);
      }
    }
  }
  int highest = 0;
  for (const auto& [name, unused] : dataset.List(motion_dir)) {
    if (std::regex_search(name, m, kRun)) highest = std::max(highest, std::stoi(m[1]));
  }
  return highest + 1;
}

bool AddRun(BidsDataset& dataset, ParticipantRegistry& participants, const PendingRun& pending,
            const BidsExportOptions& options, BidsExportResult& result) {
  const ResultFileSet& set = *pending.set;
  const RunRecordInfo* record = set.runs.size() == 1 && set.run_record ? &*set.run_record : nullptr;
  std::string tracksys = options.tracksys;
  if (tracksys.empty())
    tracksys = record != nullptr ? SanitizedLabel(record->sensor_backend) : "unknown";

  const std::string source_file = TsvCell(TextAsUtf8(BaseName(set.trial_path)));
  const std::string source_run = std::to_string(pending.index_in_file + 1);
  std::string why;
  const auto files = MakeBidsRunFiles(*pending.run, BidsRunContext{tracksys, record}, &why);
  if (!files) {
    result.notes.push_back(set.trial_path + " (run " + source_run + "): skipped: " + why);
    return true;
  }

  const std::string label = participants.LabelFor(pending.subject_utf8);
  std::string dir = "sub-" + label;
  std::string prefix = "sub-" + label;
  if (!options.session.empty()) {
    dir += "/ses-" + options.session;
    prefix += "_ses-" + options.session;
  }
  const std::string scans_path = dir + "/" + prefix + "_scans.tsv";
  const auto scans_text = dataset.Read(scans_path, &result.error);
  if (!result.error.empty()) return false;
  std::optional<TsvTable> scans = TsvTable{{"filename", "acq_time"}, {}};
  if (scans_text) {
    scans = ParseTsv(*scans_text, &why);
    if (!scans || !scans->Column("filename")) {
      result.error = dataset.root() + "/" + scans_path +
                     ": not a scans table: " + (scans ? "no filename column" : why);
      return false;
    }
  }
  const int run_index = RunIndexFor(dataset, dir + "/motion", *scans, source_file, source_run);
  const std::string run_prefix = dir + "/motion/" + prefix + "_task-" + kTask + "_tracksys-" +
                                 tracksys + "_run-" + std::to_string(run_index);
  const std::string events =
      dir + "/motion/" + prefix + "_task-" + kTask + "_run-" + std::to_string(run_index);
  dataset.Stage(run_prefix + "_motion.tsv", files->motion_tsv);
  dataset.Stage(run_prefix + "_motion.json", files->motion_json);
  dataset.Stage(run_prefix + "_channels.tsv", files->channels_tsv);
  dataset.Stage(run_prefix + "_channels.json", files->channels_json);
  dataset.Stage(events + "_events.tsv", files->events_tsv);
  StageSourceFiles(dataset, set, dir, source_file);

  const std::string filename = run_prefix.substr(dir.size() + 1) + "_motion.tsv";
  const size_t c_file = scans->EnsureColumn("filename");
  const size_t c_time = scans->EnsureColumn("acq_time");
  const size_t c_src = scans->EnsureColumn("source_file");
  const size_t c_run = scans->EnsureColumn("source_run");
  auto row = std::find_if(scans->rows.begin(), scans->rows.end(),
                          [&](const auto& r) { return r[c_file] == filename; });
  if (row == scans->rows.end()) {
    scans->rows.emplace_back(scans->header.size(), "n/a");
    row = scans->rows.end() - 1;
  }
  (*row)[c_file] = filename;
  (*row)[c_time] = AcqTime(pending.run->start);
  (*row)[c_src] = source_file;
  (*row)[c_run] = source_run;
  dataset.Stage(scans_path, scans->Format());
  result.written.push_back(run_prefix + "_motion.tsv");
  return true;
}

}  // namespace

BidsExportResult ExportBids(const BidsExportOptions& options) {
  BidsExportResult result;
  if (!options.session.empty() && !IsBidsLabel(options.session)) {
    result.error = "session label '" + options.session + "' may hold only letters and digits";
    return result;
  }
  if (!options.tracksys.empty() && !IsBidsLabel(options.tracksys)) {
    result.error = "tracksys label '" + options.tracksys + "' may hold only letters and digits";
    return result;
  }
  std::vector<ResultFileSet> sets;
  for (const std::string& path : TrialFilesFor(options.inputs)) {
    auto set = ReadResultFiles(path, &result.error);
    if (!set) return result;
    for (const std::string& damage : set->damage) result.notes.push_back(damage);
    sets.push_back(std::move(*set));
  }

  BidsDataset dataset(options.out_dir);
  std::string why;
  const auto participants_text = dataset.Read("participants.tsv", &result.error);
  if (!result.error.empty()) return result;
  auto participants = ParticipantRegistry::Load(participants_text, &why);
  if (!participants) {
    result.error = options.out_dir + "/participants.tsv: not a participants table: " + why;
    return result;
  }

  std::vector<PendingRun> pending;
  for (const ResultFileSet& set : sets) {
    for (size_t i = 0; i < set.runs.size(); ++i) {
      pending.push_back({&set, i, &set.runs[i], TextAsUtf8(set.runs[i].subject)});
    }
  }
  // Runs of a subject get their run numbers in the order they were recorded.
  const auto key = [](const PendingRun& p) {
    const LocalDateTime& t = p.run->start;
    return std::tuple(p.subject_utf8, t.year, t.month, t.day, t.hour, t.minute, t.second,
                      p.index_in_file);
  };
  std::stable_sort(pending.begin(), pending.end(),
                   [&](const PendingRun& a, const PendingRun& b) { return key(a) < key(b); });
  for (const PendingRun& p : pending) {
    if (!AddRun(dataset, *participants, p, options, result)) return result;
  }
  if (!dataset.HasStaged()) {
    result.error = "nothing to export: no run has body frames";
    return result;
  }

  dataset.Stage("participants.tsv", participants->Tsv());
  const auto participants_json = dataset.Read("participants.json", &result.error);
  if (!result.error.empty()) return result;
  const auto merged = ParticipantsJson(participants_json);
  if (!merged) {
    result.error = options.out_dir + "/participants.json: not a JSON object";
    return result;
  }
  dataset.Stage("participants.json", *merged);
  // Files the dataset already has are the researcher's: they stay as they are.
  const auto stage_if_missing = [&](const std::string& name, const std::string& content) {
    if (!dataset.Read(name, &result.error) && result.error.empty()) dataset.Stage(name, content);
    return result.error.empty();
  };
  if (!stage_if_missing("dataset_description.json", DatasetDescription()) ||
      !stage_if_missing("README", DatasetReadme()) ||
      !stage_if_missing("task-balloons_events.json", EventsJson()) ||
      !stage_if_missing("scans.json", ScansJson())) {
    return result;
  }
  if (!dataset.Commit(&result.error, &result.left_changed)) return result;
  result.ok = true;
  return result;
}

int RunBidsExportCommand(const std::vector<std::string>& args) {
  constexpr int kExitFailure = 1, kExitUsage = 2;
  BidsExportOptions options;
  std::vector<std::string> rest;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--export-bids") continue;
    if (a.starts_with("--session=")) {
      options.session = a.substr(10);
    } else if (a.starts_with("--tracksys=")) {
      options.tracksys = a.substr(11);
    } else if (a.starts_with("--") && a != "--") {
      std::fprintf(stderr, "tavelin2 --export-bids: unknown option '%s'\n", a.c_str());
      return kExitUsage;
    } else if (a != "--") {
      rest.push_back(a);
    }
  }
  if (rest.size() < 2) {
    std::fputs(
        "usage: tavelin2 --export-bids OUTDIR [--session=LABEL] [--tracksys=LABEL] FILE.csv...\n",
        stderr);
    return kExitUsage;
  }
  options.out_dir = rest.front();
  options.inputs.assign(rest.begin() + 1, rest.end());
  const BidsExportResult result = ExportBids(options);
  for (const std::string& note : result.notes) std::fprintf(stderr, "tavelin2: %s\n", note.c_str());
  if (!result.ok) {
    std::fprintf(stderr, "tavelin2 --export-bids: %s\n", result.error.c_str());
    if (result.left_changed.empty()) {
      std::fprintf(stderr, "%s was not changed.\n", options.out_dir.c_str());
    } else {
      std::fprintf(stderr, "%s was changed, and these could not be put back as they were:\n",
                   options.out_dir.c_str());
      for (const std::string& path : result.left_changed)
        std::fprintf(stderr, "  %s/%s\n", options.out_dir.c_str(), path.c_str());
    }
    return kExitFailure;
  }
  for (const std::string& file : result.written) {
    std::printf("%s/%s\n", options.out_dir.c_str(), file.c_str());
  }
  return 0;
}
