#include "app/bids_app_command.h"

#include <cstdio>

#include "app/reanalyse_run.h"
#include "app/reanalysis_summary.h"
#include "export/bids_source_runs.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr char kGroupTable[] = "group_reanalysis.tsv";

struct Request {
  std::string bids_dir, out_dir, level;
  std::vector<std::string> labels;
  CameraOverrides overrides;
};

bool ParseRequest(const std::vector<std::string>& args, Request* out, std::string* error) {
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--participant_label") {
      // One or more labels, up to the next option.
      const size_t first = i + 1;
      while (i + 1 < args.size() && !args[i + 1].starts_with("-")) out->labels.push_back(args[++i]);
      if (i + 1 == first) {
        *error = "--participant_label needs one or more labels";
        return false;
      }
    } else if (arg == "--set") {
      if (i + 1 >= args.size()) {
        *error = "--set needs KEY=VALUE (a camera.ini key)";
        return false;
      }
      if (!ParseCameraOverride(args[++i], &out->overrides, error)) return false;
    } else if (arg.starts_with("-")) {
      *error = "unknown argument: " + arg;
      return false;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 3 || (positional[2] != "participant" && positional[2] != "group")) {
    *error =
        "usage: tavelin2 --bids-app BIDS_DIR OUTPUT_DIR participant|group "
        "[--participant_label LABEL...] [--set KEY=VALUE]...";
    return false;
  }
  out->bids_dir = positional[0];
  out->out_dir = positional[1];
  out->level = positional[2];
  return true;
}

std::string RunName(const BidsSourceRun& run) {
  return run.folder + " run-" + std::to_string(run.run) + " (" + run.source_file + ")";
}

bool AnalyseParticipantRun(const Request& request, const BidsSourceRun& run, std::string* error) {
  if (run.trial_path.empty()) {
    *error = "the dataset keeps no session video for it (sourcedata/" + run.folder + "/" +
             run.source_file + " is missing)";
    return false;
  }
  const std::string out = request.out_dir + "/" + run.folder;
  return MakeOutputFolder(out, error) &&
         ReanalyseRun(run.trial_path, request.overrides, out, error);
}

}  // namespace

int RunBidsAppCommand(const std::vector<std::string>& args) {
  Request request;
  std::string error;
  if (!ParseRequest(args, &request, &error)) {
    std::fprintf(stderr, "tavelin2: %s\n", error.c_str());
    return kExitUsage;
  }
  const auto runs = FindBidsSourceRuns(request.bids_dir, request.labels, &error);
  if (!runs) {
    std::fprintf(stderr, "tavelin2: %s\n", error.c_str());
    return kExitFailed;
  }
  if (!MakeOutputFolder(request.out_dir, &error)) {
    std::fprintf(stderr, "tavelin2: OUTPUT_DIR %s\n", error.c_str());
    return kExitFailed;
  }
  int status = 0;
  std::string table = kReanalysisSummaryHeader;
  for (const BidsSourceRun& run : *runs) {
    error.clear();
    std::string row;
    const bool done = request.level == "participant"
                          ? AnalyseParticipantRun(request, run, &error)
                          : ReanalysisSummaryRow(request.out_dir, run, &row, &error);
    if (done) {
      table += row;
      if (request.level == "participant") std::printf("%s\n", RunName(run).c_str());
    } else {
      std::fprintf(stderr, "tavelin2: %s not re-analysed: %s\n", RunName(run).c_str(),
                   error.c_str());
      status = kExitFailed;
    }
  }
  if (request.level == "group") {
    if (WriteOutputs(request.out_dir, {{kGroupTable, table}}, &error)) {
      std::printf("%s/%s\n", request.out_dir.c_str(), kGroupTable);
    } else {
      std::fprintf(stderr, "tavelin2: %s\n", error.c_str());
      status = kExitFailed;
    }
  }
  std::fflush(stdout);
  return status;
}
