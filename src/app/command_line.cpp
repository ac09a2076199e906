#include "app/command_line.h"

#include <sstream>

#include "body/sensor/backend_options.h"
#include "latency/flash_plan.h"

namespace {

// Matches "--name=value" and "--name value"; advances `i` past a separate value.
bool TakeValue(const std::vector<std::string>& args, size_t& i, const std::string& flag,
               std::string& value, std::string& error, bool& matched) {
  const std::string& arg = args[i];
  matched = false;
  if (arg == flag) {
    matched = true;
    if (i + 1 >= args.size()) {
      error = "option " + flag + " needs a value";
      return false;
    }
    value = args[++i];
    return true;
  }
  if (arg.rfind(flag + "=", 0) == 0) {
    matched = true;
    value = arg.substr(flag.size() + 1);
    return true;
  }
  return true;
}

const BackendOptionDescription* FindBackendOption(const std::vector<BackendDescription>& backends,
                                                  const std::string& arg) {
  const std::string flag = arg.substr(0, arg.find('='));
  for (const BackendDescription& backend : backends)
    for (const BackendOptionDescription& option : backend.options)
      if (option.flag == flag) return &option;
  return nullptr;
}

// A backend option as "--flag=value" (or "--flag" for a switch); false with
// `error` when a separate value is missing.
bool TakeBackendOption(const std::vector<std::string>& args, size_t& i,
                       const BackendOptionDescription& option, std::string& taken,
                       std::string& error) {
  if (option.value_name.empty()) {
    taken = args[i];
    return true;
  }
  std::string value;
  bool matched = false;
  if (!TakeValue(args, i, option.flag, value, error, matched)) return false;
  taken = option.flag + "=" + value;
  return true;
}

// "  --flag=VALUE" padded to `width`, then the help text, its further lines
// indented to the same column.
void WriteOption(std::ostream& out, const BackendOptionDescription& option, size_t width) {
  std::string left = "  " + option.flag;
  if (!option.value_name.empty()) left += "=" + option.value_name;
  out << left << std::string(left.size() + 2 < width ? width - left.size() : 2, ' ');
  for (const char c : option.help) {
    out << c;
    if (c == '\n') out << std::string(width, ' ');
  }
  out << "\n";
}

}  // namespace

std::string BadLanguageError(const std::string& value) {
  return "--language=" + value + ": needs en (English) or ja (Japanese)";
}

bool ParseCommandLine(const std::vector<std::string>& args, CommandLine& out, std::string& error,
                      const std::vector<BackendDescription>& backends,
                      const BackendOptionParser& backend_option) {
  out = CommandLine{};
  out.qt_args.push_back(args.empty() ? std::string("tavelin2") : args[0]);
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h" || arg == "-?") {
      out.show_help = true;
      continue;
    }
    bool matched = false;
    if (!TakeValue(args, i, "--sensor", out.sensor, error, matched)) return false;
    if (matched) {
      out.sensor_given = true;
      if (out.sensor.empty()) {
        error = "option --sensor needs a backend name";
        return false;
      }
      continue;
    }
    if (arg == "--latency-test") {
      out.latency_test = true;
      continue;
    }
    if (!TakeValue(args, i, "--language", out.language, error, matched)) return false;
    if (matched) {
      if (out.language != "en" && out.language != "ja") {
        error = BadLanguageError(out.language);
        return false;
      }
      continue;
    }
    std::string flashes;
    if (!TakeValue(args, i, "--flashes", flashes, error, matched)) return false;
    if (matched) {
      int64_t n = 0;
      if (!ParseBoundedInteger(flashes, kMinFlashes, kMaxFlashes, &n)) {
        error = "--flashes=" + flashes + ": needs a number from " + std::to_string(kMinFlashes) +
                " to " + std::to_string(kMaxFlashes);
        return false;
      }
      out.flashes = static_cast<int32_t>(n);
      continue;
    }
    if (const BackendOptionDescription* option = FindBackendOption(backends, arg)) {
      std::string taken;
      if (!TakeBackendOption(args, i, *option, taken, error)) return false;
      std::string option_error;
      if (!backend_option || backend_option(taken, &option_error)) {
        out.backend_options.push_back(taken);
        continue;
      }
      if (!option_error.empty()) {
        error = option_error;
        return false;
      }
    }
    if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-') {
      // Qt's own option; its value (if any) follows as the next plain argument.
      out.qt_args.push_back(arg);
      if (i + 1 < args.size() && !args[i + 1].empty() && args[i + 1][0] != '-') {
        out.qt_args.push_back(args[++i]);
      }
      continue;
    }
    error = "unknown argument: " + arg;
    return false;
  }
  if (out.flashes != 0 && !out.latency_test) {
    error = "option --flashes belongs to --latency-test";
    return false;
  }
  return true;
}

std::string CommandLineHelp(const std::string& program,
                            const std::vector<BackendDescription>& backends,
                            const std::string& default_backend) {
  std::ostringstream usage_options, main_options, backend_options;
  for (const BackendDescription& backend : backends) {
    for (const BackendOptionDescription& option : backend.options) {
      if (option.in_usage_line) {
        usage_options << " [" << option.flag;
        if (!option.value_name.empty()) usage_options << "=" << option.value_name;
        usage_options << "]";
        WriteOption(main_options, option, 25);
      } else {
        WriteOption(backend_options, option, 27);
      }
    }
  }
  std::ostringstream out;
  out << "Usage: " << program << " [--sensor=NAME]" << usage_options.str() << "\n"
      << "\n"
      << "Runs the balloon task. The experiment settings (subject, time limit, modes)\n"
      << "are entered in the setup dialog and kept in Tavelin2.ini in the working\n"
      << "directory; the result files are written there too.\n"
      << "\n"
      << "Options:\n"
      << "  --help                 show this text and exit\n"
      << "  --language=en|ja       English or Japanese texts for this start (default: the\n"
      << "                         choice kept from the Language menu, else Japanese)\n"
      << "  --sensor=NAME          body sensor backend (default: " << default_backend << ")\n"
      << main_options.str() << "  -platform NAME, ...    Qt's own options are passed on to Qt\n"
      << "\n"
      << "Sensor backends:\n";
  for (const BackendDescription& b : backends) {
    out << "  " << b.name;
    if (!b.help.empty()) {
      out << std::string(b.name.size() < 10 ? 10 - b.name.size() : 1, ' ') << b.help;
    }
    out << "\n";
  }
  if (!backend_options.str().empty()) out << "\nSensor backend options:\n" << backend_options.str();
  for (const BackendDescription& b : backends)
    if (!b.settings_help.empty()) out << "\n" << b.settings_help;
  out << "\n"
      << "The screen-to-camera latency test (turn the camera to the screen first):\n"
      << "  " << program << " --latency-test [--flashes=N] [--sensor=NAME] [backend options]\n"
      << "      flashes the stage N times (default " << kDefaultFlashes
      << "), writes latency_<date>_<time>.csv\n"
      << "      and keeps its summary for the run records; the last line of standard\n"
      << "      output sums it up\n"
      << "\n"
      << "Without a window, on result files written earlier:\n"
      << "  " << program
      << " --export-bids OUTDIR [--session=LABEL] [--tracksys=LABEL] FILE.csv...\n"
      << "      exports runs (trial file, with its _B.csv) to a Motion-BIDS dataset;\n"
      << "      --session and --tracksys give the BIDS session and tracking system labels\n"
      << "  " << program << " --report [--language=en|ja] FILE.csv...\n"
      << "      writes FILE_report.pdf beside each trial file: settings, RTs, hit map,\n"
      << "      tracking and timing of the run, in English or Japanese (default: the\n"
      << "      choice kept from the Language menu, else Japanese)\n"
      << "  " << program << " --reanalyse [--set KEY=VALUE]... FILE.csv... --out DIR\n"
      << "      analyses every picture of each run's session video (FILE_V.avi) again\n"
      << "      with the camera models; camera.ini keys as --set (e.g.\n"
      << "      pose_input_width=384); writes FILE_B.csv, FILE_T.csv and\n"
      << "      FILE_reanalysis.json into DIR\n"
      << "  " << program
      << " --bids-app BIDS_DIR OUTPUT_DIR participant|group [--participant_label LABEL...]\n"
      << "      [--set KEY=VALUE]...\n"
      << "      the same over a dataset --export-bids wrote with the session videos:\n"
      << "      participant re-analyses the runs of the labels (all without) into\n"
      << "      OUTPUT_DIR/sub-LABEL/, group sums them up in group_reanalysis.tsv\n"
      << "\n"
      << "Keys during a run: Esc ends the run, M toggles the mirror display,\n"
      << "space toggles the joint markers.\n";
  return out.str();
}
