#include "app/reanalyse_command.h"

#include <cstdio>

#include "app/reanalyse_run.h"
#include "state/run_file_endings.h"

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Request {
  CameraOverrides overrides;
  std::vector<std::string> runs;
  std::string out_dir;
};

bool ParseRequest(const std::vector<std::string>& args, Request* out, std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    auto value = [&](const std::string& flag, std::string* v) {
      if (arg == flag) {
        if (i + 1 >= args.size()) return false;
        *v = args[++i];
        return true;
      }
      *v = arg.substr(flag.size() + 1);
      return true;
    };
    if (arg == "--out" || arg.starts_with("--out=")) {
      if (!value("--out", &out->out_dir) || out->out_dir.empty()) {
        *error = "--out needs a folder";
        return false;
      }
    } else if (arg == "--set" || arg.starts_with("--set=")) {
      std::string setting;
      if (!value("--set", &setting)) setting.clear();
      if (!ParseCameraOverride(setting, &out->overrides, error)) return false;
    } else if (arg.starts_with("-")) {
      *error = "unknown argument: " + arg;
      return false;
    } else {
      out->runs.push_back(arg);
    }
  }
  if (out->runs.empty() || out->out_dir.empty()) {
    *error = "--reanalyse needs trial files (X.csv, with X_V.avi and X_V.csv beside) and --out DIR";
    return false;
  }
  return true;
}

}  // namespace

int RunReanalyseCommand(const std::vector<std::string>& args) {
  Request request;
  std::string error;
  if (!ParseRequest(args, &request, &error)) {
    std::fprintf(stderr, "tavelin2: %s\n", error.c_str());
    return kExitUsage;
  }
  if (!MakeOutputFolder(request.out_dir, &error)) {
    std::fprintf(stderr, "tavelin2: --out %s\n", error.c_str());
    return kExitFailed;
  }
  int status = 0;
  // A glob over a run's folder names its companion files too: each run once.
  for (const std::string& run : TrialFilesFor(request.runs)) {
    error.clear();
    if (ReanalyseRun(run, request.overrides, request.out_dir, &error)) {
      std::printf("%s\n", run.c_str());
    } else {
      std::fprintf(stderr, "tavelin2: %s not re-analysed: %s\n", run.c_str(), error.c_str());
      status = kExitFailed;
    }
  }
  std::fflush(stdout);
  return status;
}
